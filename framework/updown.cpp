// The up-down control: two arrow buttons drawn on a drawing area of its own.
// Clicks, the hold-to-repeat timer and quick presses are handled here rather
// than by two GtkButtons, because the stepping rules (step at the release,
// repeat only while the pointer is inside, quick presses stepping at the
// press) differ from what a toolkit button does.
#include <gtk/gtk.h>

#include <algorithm>
#include <cassert>

#include "framework/clicks.h"
#include "framework/clock.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/toolkit.h"
#include "framework/widgetkit.h"

namespace fw {

namespace {

constexpr int kFirstInterval = 300;   // ms from the press to the first repeat
constexpr int kIntervalStep = 25;     // each repeat shortens the next by this
constexpr int kShortestInterval = 100;

enum Arrow { kNone = -1, kUpper = 0, kLower = 1 };

}  // namespace

struct TUpDown::Impl {
  explicit Impl(TUpDown* o) : owner(o) {}
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  TUpDown* owner;
  GtkWidget* widget = nullptr;  // null once the toolkit destroyed it
  unsigned timer = 0;           // the repeat, on the framework's clock
  int interval = kFirstInterval;
  Arrow held = kNone;        // arrow the left button went down on
  bool stepped_at_press = false;
  int px = -1, py = -1;      // last pointer position seen in the widget

  GdkRectangle ArrowRect(Arrow a) const {
    int w = owner->width_, h = owner->height_;
    if (widget && GTK_WIDGET_REALIZED(widget)) {
      w = widget->allocation.width;
      h = widget->allocation.height;
    }
    if (owner->Orientation == TUDOrientation::udVertical) {
      int half = h / 2;
      return a == kUpper ? GdkRectangle{0, 0, w, half} : GdkRectangle{0, half, w, half};
    }
    int half = w / 2;
    return a == kUpper ? GdkRectangle{half, 0, half, h} : GdkRectangle{0, 0, half, h};
  }

  static bool Inside(const GdkRectangle& r, int x, int y) {
    return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
  }

  Arrow ArrowAt(int x, int y) const {
    if (Inside(ArrowRect(kUpper), x, y)) return kUpper;
    if (Inside(ArrowRect(kLower), x, y)) return kLower;
    return kNone;
  }

  void StopTimer() {
    TheClock().RemoveTimeout(timer);
    timer = 0;
  }

  void StartTimer() {
    StopTimer();
    timer = TheClock().AddTimeout(static_cast<unsigned>(interval), [this] {
      Fire();
      return true;
    });
  }

  void Redraw() {
    if (widget) gtk_widget_queue_draw(widget);
  }

  static TUDBtnType ButtonOf(Arrow a) {
    return a == kUpper ? TUDBtnType::btNext : TUDBtnType::btPrev;
  }

  void Press(const GdkEventButton* e) {
    // GDK reports double and triple clicks as extra events after the plain
    // press; the series is counted from the plain presses alone.
    if (e->type != GDK_BUTTON_PRESS) return;
    px = static_cast<int>(e->x);
    py = static_cast<int>(e->y);
    const int place = Presses().Count(e->window, px, py, e->time);
    if (e->button != 1) return;
    Arrow a = ArrowAt(px, py);
    if (a == kNone) return;
    held = a;
    interval = kFirstInterval;
    StartTimer();
    Redraw();
    stepped_at_press = place == 2;
    if (stepped_at_press) owner->Step(ButtonOf(a));
  }

  void Release(const GdkEventButton* e) {
    px = static_cast<int>(e->x);
    py = static_cast<int>(e->y);
    StopTimer();
    if (e->button != 1 || held == kNone) return;
    Arrow a = held;
    held = kNone;
    Redraw();
    if (!stepped_at_press && Inside(ArrowRect(a), px, py)) owner->Step(ButtonOf(a));
  }

  void Motion(int x, int y) {
    bool before = held != kNone && Inside(ArrowRect(held), px, py);
    px = x;
    py = y;
    bool after = held != kNone && Inside(ArrowRect(held), px, py);
    if (before != after) Redraw();
  }

  void Fire() {
    if (held == kNone || !Inside(ArrowRect(held), px, py)) return;
    if (interval > kShortestInterval) {
      interval -= kIntervalStep;
      StartTimer();
    }
    owner->Step(ButtonOf(held));
  }

  void Paint(GdkEventExpose* e) {
    GtkStyle* style = widget->style;
    for (Arrow a : {kUpper, kLower}) {
      GdkRectangle r = ArrowRect(a);
      if (r.width <= 0 || r.height <= 0) continue;
      bool pressed = held == a && Inside(r, px, py);
      GtkStateType state = pressed ? GTK_STATE_ACTIVE : GTK_STATE_NORMAL;
      gtk_paint_box(style, widget->window, state, pressed ? GTK_SHADOW_IN : GTK_SHADOW_OUT,
                    &e->area, widget, "button", r.x, r.y, r.width, r.height);
      // A small triangle centred in the button, leaving room for the border.
      int size = std::max(1, std::min(r.width, r.height) - 2 * (style->ythickness + 2));
      int ax = r.x + (r.width - size) / 2, ay = r.y + (r.height - size) / 2;
      GtkArrowType dir;
      if (owner->Orientation == TUDOrientation::udVertical)
        dir = a == kUpper ? GTK_ARROW_UP : GTK_ARROW_DOWN;
      else
        dir = a == kUpper ? GTK_ARROW_RIGHT : GTK_ARROW_LEFT;
      gtk_paint_arrow(style, widget->window, state, GTK_SHADOW_NONE, &e->area, widget, "arrow",
                      dir, TRUE, ax, ay, size, size);
    }
    // Tab stops here: the frame shows it (the keyboard steps nothing).
    if (gtk_widget_has_focus(widget)) {
      const GdkRectangle u = ArrowRect(kUpper), l = ArrowRect(kLower);
      gtk_paint_focus(style, widget->window, GTK_STATE_NORMAL, &e->area, widget, "button", 1, 1,
                      u.width - 2, l.y + l.height - 2);
    }
  }

  void Destroyed() {
    StopTimer();
    widget = nullptr;
  }

  // The control's whole traffic with the toolkit.
  void Connect() {
    using toolkit::OnEvent;
    OnEvent(widget, "button-press-event", [this](GdkEvent* e) {
      Press(&e->button);
      return true;
    });
    OnEvent(widget, "button-release-event", [this](GdkEvent* e) {
      Release(&e->button);
      return true;
    });
    OnEvent(widget, "motion-notify-event", [this](GdkEvent* e) {
      Motion(static_cast<int>(e->motion.x), static_cast<int>(e->motion.y));
      return true;
    });
    for (const char* crossing : {"enter-notify-event", "leave-notify-event"})
      OnEvent(widget, crossing, [this](GdkEvent* e) {
        Motion(static_cast<int>(e->crossing.x), static_cast<int>(e->crossing.y));
        return false;
      });
    OnEvent(widget, "expose-event", [this](GdkEvent* e) {
      Paint(&e->expose);
      return true;
    });
    toolkit::OnSignal(widget, "destroy", [this] { Destroyed(); });
  }
};

TUpDown::TUpDown(TForm* owner) : TWinControl(owner) {}

TUpDown::~TUpDown() {
  // The widget goes while its handlers' state is still here.
  if (widget_) gtk_widget_destroy(widget_);
  widget_ = nullptr;
  if (impl_) impl_->StopTimer();
}

void TUpDown::CreateHandle() {
  assert(!widget_ && "the window is made once");
  impl_ = std::make_unique<Impl>(this);
  widget_ = gtk_drawing_area_new();
  impl_->widget = widget_;
  gtk_widget_set_size_request(widget_, width_, height_);
  gtk_widget_set_can_focus(widget_, TabStop);
  gtk_widget_add_events(widget_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                     GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK |
                                     GDK_LEAVE_NOTIFY_MASK);
  impl_->Connect();
  // On a form the arrows sit on its client area; tests may place them alone.
  if (Owner() && Owner()->CanvasWidget()) {
    gtk_fixed_put(GTK_FIXED(Owner()->CanvasWidget()), widget_, left_, top_);
    if (ShowHint && !Hint.empty()) gtk_widget_set_tooltip_text(widget_, Hint.c_str());
    if (Cursor == TCursor::crHandPoint) {
      GtkWidget* w = widget_;
      toolkit::OnSignal(w, "realize", [w] { SetHandCursor(w); }, toolkit::Order::kAfter);
    }
  }
  if (visible_) gtk_widget_show(widget_);
}

void TUpDown::SetMin(short v) {
  if (v == min_) return;
  min_ = v;
  if (position_ < min_) SetPosition(min_);
}

void TUpDown::SetMax(short v) {
  if (v == max_) return;
  max_ = v;
  if (position_ > max_) SetPosition(max_);
}

void TUpDown::SetPosition(short v) {
  if (v == position_) return;
  position_ = v;
  if (impl_) impl_->Redraw();
}

void TUpDown::Step(TUDBtnType button) {
  // The range in force before the handler runs; the handler may change it.
  // A step beyond an end stops there, or with Wrap comes out at the other.
  const int p = position_;
  if (button == TUDBtnType::btNext)
    position_ = static_cast<short>(p + Increment <= max_ ? p + Increment : Wrap ? min_ : max_);
  else
    position_ = static_cast<short>(p - Increment >= min_ ? p - Increment : Wrap ? max_ : min_);
  if (OnClick) OnClick(this, button);
}

}  // namespace fw
