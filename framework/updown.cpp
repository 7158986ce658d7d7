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
#include "framework/native.h"
#include "framework/toolkit.h"

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
  unsigned timer = 0;  // the repeat, on the framework's clock
  int interval = kFirstInterval;
  Arrow held = kNone;        // arrow the left button went down on
  bool stepped_at_press = false;
  int px = -1, py = -1;      // last pointer position seen in the widget

  // The control's own window; null once the toolkit destroyed it.
  GtkWidget* Widget() const { return owner->native().widget; }

  // In the widget's coordinates.
  TRect ArrowRect(Arrow a) const {
    int w = owner->width_, h = owner->height_;
    if (GtkWidget* widget = Widget(); widget && GTK_WIDGET_REALIZED(widget)) {
      w = widget->allocation.width;
      h = widget->allocation.height;
    }
    if (owner->Orientation == TUDOrientation::udVertical) {
      int half = h / 2;
      return a == kUpper ? TRect{0, 0, w, half} : TRect{0, half, w, 2 * half};
    }
    int half = w / 2;
    return a == kUpper ? TRect{half, 0, 2 * half, h} : TRect{0, 0, half, h};
  }

  Arrow ArrowAt(int x, int y) const {
    if (ArrowRect(kUpper).Contains(x, y)) return kUpper;
    if (ArrowRect(kLower).Contains(x, y)) return kLower;
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
    if (GtkWidget* widget = Widget()) gtk_widget_queue_draw(widget);
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
    if (!stepped_at_press && ArrowRect(a).Contains(px, py)) owner->Step(ButtonOf(a));
  }

  void Motion(int x, int y) {
    bool before = held != kNone && ArrowRect(held).Contains(px, py);
    px = x;
    py = y;
    bool after = held != kNone && ArrowRect(held).Contains(px, py);
    if (before != after) Redraw();
  }

  void Fire() {
    if (held == kNone || !ArrowRect(held).Contains(px, py)) return;
    if (interval > kShortestInterval) {
      interval -= kIntervalStep;
      StartTimer();
    }
    owner->Step(ButtonOf(held));
  }

  void Paint(GdkEventExpose* e) {
    GtkWidget* widget = Widget();
    GtkStyle* style = widget->style;
    for (Arrow a : {kUpper, kLower}) {
      const TRect r = ArrowRect(a);
      const int w = r.Right - r.Left, h = r.Bottom - r.Top;
      if (w <= 0 || h <= 0) continue;
      bool pressed = held == a && r.Contains(px, py);
      GtkStateType state = pressed ? GTK_STATE_ACTIVE : GTK_STATE_NORMAL;
      gtk_paint_box(style, widget->window, state, pressed ? GTK_SHADOW_IN : GTK_SHADOW_OUT,
                    &e->area, widget, "button", r.Left, r.Top, w, h);
      // A small triangle centred in the button, leaving room for the border.
      int size = std::max(1, std::min(w, h) - 2 * (style->ythickness + 2));
      int ax = r.Left + (w - size) / 2, ay = r.Top + (h - size) / 2;
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
      const TRect u = ArrowRect(kUpper), l = ArrowRect(kLower);
      gtk_paint_focus(style, widget->window, GTK_STATE_NORMAL, &e->area, widget, "button", 1, 1,
                      u.Right - u.Left - 2, l.Bottom - 2);
    }
  }

  // The control's whole traffic with the toolkit.
  void Connect(GtkWidget* widget) {
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
    toolkit::OnSignal(widget, "destroy", [this] { StopTimer(); });
  }
};

TUpDown::TUpDown(TForm* owner) : TWinControl(owner) {}

TUpDown::~TUpDown() {
  // The widget goes while its handlers' state is still here.
  if (GtkWidget* w = native_->widget) gtk_widget_destroy(w);
  if (impl_) impl_->StopTimer();
}

void TUpDown::CreateHandle() {
  impl_ = std::make_unique<Impl>(this);
  GtkWidget* w = gtk_drawing_area_new();
  native_->Hold(w, nullptr);
  gtk_widget_set_size_request(w, width_, height_);
  gtk_widget_set_can_focus(w, TabStop);
  gtk_widget_add_events(w, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                               GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK |
                               GDK_LEAVE_NOTIFY_MASK);
  impl_->Connect(w);
  SetHintAndCursor(*this, w, {w});
  // On a form the arrows sit on its client area; tests may place them alone.
  if (Owner()) gtk_fixed_put(GTK_FIXED(CanvasOf(*Owner())), w, left_, top_);
  if (visible_) gtk_widget_show(w);
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
