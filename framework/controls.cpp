// Components of a form: windowless labels and pictures, controls in event
// boxes, the Checked rule and timers.
#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cassert>

#include "framework/clock.h"
#include "framework/native.h"
#include "framework/toolkit.h"

namespace fw {

// ---------------------------------------------------------------- helpers

std::string SubstituteFace(const std::string& name) {
  if (name == "MS Sans Serif" || name.empty()) return "DejaVu Sans,Sans";
  if (name == "Courier" || name == "Courier New") return "DejaVu Sans Mono,Monospace";
  return name;
}

PangoFontDescription* NewFontDescription(const TFont& font) {
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, SubstituteFace(font.Name).c_str());
  int px = font.Height < 0 ? -font.Height : (font.Height == 0 ? 13 : font.Height);
  pango_font_description_set_absolute_size(d, px * PANGO_SCALE);
  pango_font_description_set_weight(d, font.Bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  return d;
}

std::string MnemonicText(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    char c = caption[i];
    if (c == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      } else {
        out += '_';
      }
    } else if (c == '_') {
      out += "__";
    } else {
      out += c;
    }
  }
  return out;
}

void ApplyFont(GtkWidget* widget, const TFont& font) {
  PangoFontDescription* d = NewFontDescription(font);
  gtk_widget_modify_font(widget, d);
  pango_font_description_free(d);
}

GdkCursor* HandCursor() {
  // Made once, for the run; every window that shows it holds a reference.
  static GdkCursor* const hand = gdk_cursor_new_for_display(gdk_display_get_default(), GDK_HAND2);
  return hand;
}

void SetHintAndCursor(const TControl& control, GtkWidget* tip_on,
                      std::initializer_list<GtkWidget*> cursor_on) {
  if (control.ShowHint && !control.Hint.empty())
    gtk_widget_set_tooltip_text(tip_on, control.Hint.c_str());
  if (control.Cursor != TCursor::crHandPoint) return;
  for (GtkWidget* w : cursor_on)
    toolkit::OnSignal(w, "realize", [w] {
      gdk_window_set_cursor(w->window, HandCursor());
      // The text view keeps an I-beam on its text window; the hand wins here.
      if (GTK_IS_TEXT_VIEW(w))
        if (GdkWindow* tw = gtk_text_view_get_window(GTK_TEXT_VIEW(w), GTK_TEXT_WINDOW_TEXT))
          gdk_window_set_cursor(tw, HandCursor());
    }, toolkit::Order::kAfter);
}

namespace {

// The toolkit's label inside a button; null when there is none.
GtkWidget* LabelOf(GtkWidget* bin) {
  GtkWidget* child = bin ? gtk_bin_get_child(GTK_BIN(bin)) : nullptr;
  return child && GTK_IS_LABEL(child) ? child : nullptr;
}

// A caption's font and colour on the toolkit's label.
void ApplyTextLook(GtkWidget* label, const TFont& font) {
  if (!label) return;
  ApplyFont(label, font);
  GdkColor c = ToGdkColor(font.Color);
  for (GtkStateType s : {GTK_STATE_NORMAL, GTK_STATE_ACTIVE, GTK_STATE_PRELIGHT})
    gtk_widget_modify_fg(label, s, &c);
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) text += '\n';
    text += lines[i];
  }
  return text;
}

}  // namespace

// ---------------------------------------------------------------- components

TComponent::TComponent(TForm* owner) : owner_(owner) {}
TComponent::~TComponent() = default;

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  auto* g = dynamic_cast<TGraphicControl*>(this);
  if (g && visible_) g->Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (g && visible_) g->Invalidate();
}

void TControl::SetVisible(bool v) { visible_ = v; }
void TControl::SetCaption(const std::string& s) { caption_ = s; }
void TControl::SetFontColor(TColor c) { font_.Color = c; }

void TGraphicControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Invalidate();
}

void TGraphicControl::Invalidate() {
  if (Owner()) Owner()->native().InvalidateRect(BoundsRect());
}

// ---- label

TLabel::TLabel(TForm* owner) : TGraphicControl(owner), native_(std::make_unique<Native>()) {}
TLabel::~TLabel() = default;

void TLabel::UpdateLayout() {
  if (!Owner() || !Owner()->native().text) return;
  if (!native_->layout.get()) native_->layout.Reset(pango_layout_new(Owner()->native().text));
  PangoLayout* layout = native_->layout.get();
  PangoFontDescription* d = NewFontDescription(font_);
  pango_layout_set_font_description(layout, d);
  pango_font_description_free(d);
  pango_layout_set_text(layout, caption_.c_str(), -1);
  if (AutoSize) {
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    SetBounds(left_, top_, w, h);
  }
}

void TLabel::CreateHandle() { UpdateLayout(); }

void TLabel::SetCaption(const std::string& s) {
  if (s == caption_) return;
  caption_ = s;
  Invalidate();
  UpdateLayout();
}

void TLabel::SetFontColor(TColor c) {
  if (c == font_.Color) return;
  font_.Color = c;
  Invalidate();
}

void TLabel::SetColor(TColor c) {
  if (c == clNone) {
    if (transparent_) return;
    transparent_ = true;
  } else {
    if (!transparent_ && c == color_) return;
    color_ = c;
    transparent_ = false;
  }
  Invalidate();
}

void TLabel::Paint(TCanvas& canvas) {
  GdkDrawable* d = canvas.native().drawable;
  GdkGC* gc = Owner() ? Owner()->native().gc : nullptr;
  PangoLayout* layout = native_->layout.get();
  if (!d || !gc) return;
  if (!transparent_) {
    GdkColor bg = ToGdkColor(color_);
    gdk_gc_set_rgb_fg_color(gc, &bg);
    gdk_draw_rectangle(d, gc, TRUE, left_, top_, width_, height_);
  }
  if (!layout || caption_.empty()) return;
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  int x = left_, y = top_;
  if (Alignment == TAlignment::taCenter) x += (width_ - w) / 2;
  if (Alignment == TAlignment::taRightJustify) x += width_ - w;
  if (Layout == TTextLayout::tlCenter) y += (height_ - h) / 2;
  if (Layout == TTextLayout::tlBottom) y += height_ - h;
  GdkColor fg = ToGdkColor(font_.Color);
  gdk_gc_set_rgb_fg_color(gc, &fg);
  gdk_draw_layout(d, gc, x, y, layout);
}

// ---- picture

TImage::TImage(TForm* owner) : TGraphicControl(owner), native_(std::make_unique<Native>()) {}
TImage::~TImage() = default;

void SetPicture(TImage& image, GdkPixbuf* pixbuf) {
  ObjectRef<GdkPixbuf>& picture = image.native().picture;
  if (pixbuf == picture.get()) return;
  if (pixbuf) g_object_ref(pixbuf);
  picture.Reset(pixbuf);
  if (image.Visible()) image.Invalidate();
}

void TImage::Paint(TCanvas& canvas) {
  GdkDrawable* d = canvas.native().drawable;
  GdkGC* gc = Owner() ? Owner()->native().gc : nullptr;
  GdkPixbuf* picture = native_->picture.get();
  if (!d || !gc || !picture) return;
  int w = std::min(width_, gdk_pixbuf_get_width(picture));
  int h = std::min(height_, gdk_pixbuf_get_height(picture));
  if (w <= 0 || h <= 0) return;
  gdk_draw_pixbuf(d, gc, picture, 0, 0, left_, top_, w, h, GDK_RGB_DITHER_NONE, 0, 0);
}

// ---- windowed controls

TWinControl::TWinControl(TForm* owner) : TControl(owner), native_(std::make_unique<Native>()) {}

TWinControl::~TWinControl() {
  if (native_->widget) gtk_widget_destroy(native_->widget);  // clears native_ (Hold)
}

void TWinControl::Native::Hold(GtkWidget* outer, GtkWidget* inside) {
  assert(!widget && "a control makes its widget once");
  widget = outer;
  inner = inside;
  toolkit::OnSignal(outer, "destroy", [this] {
    widget = nullptr;
    inner = nullptr;
    toggled_id = 0;
  });
}

void PutInEventBox(TWinControl& control, GtkWidget* inner) {
  GtkWidget* box = gtk_event_box_new();
  gtk_event_box_set_visible_window(GTK_EVENT_BOX(box), TRUE);
  gtk_container_add(GTK_CONTAINER(box), inner);
  gtk_widget_set_size_request(box, control.Width(), control.Height());
  gtk_widget_set_size_request(inner, control.Width(), control.Height());
  gtk_fixed_put(GTK_FIXED(CanvasOf(*control.Owner())), box, control.Left(), control.Top());
  control.native().Hold(box, inner);
  SetHintAndCursor(control, inner, {box, inner});
  gtk_widget_show_all(inner);
  if (control.Visible()) gtk_widget_show(box);
}

void TWinControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  GtkWidget* w = native_->widget;
  if (!w) return;
  if (v) {
    gtk_widget_show(w);
  } else {
    gtk_widget_hide(w);
    Owner()->native().InvalidateRect(BoundsRect());
  }
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  GtkWidget* w = native_->widget;
  if (!w) return;
  gtk_fixed_move(GTK_FIXED(CanvasOf(*Owner())), w, left, top);
  gtk_widget_set_size_request(w, width, height);
}

// ---- button

void TButton::CreateHandle() {
  GtkWidget* b = gtk_button_new_with_mnemonic(MnemonicText(caption_).c_str());
  ApplyTextLook(LabelOf(b), font_);
  toolkit::OnSignal(b, "clicked", [this] {
    if (OnClick) OnClick(this);
  });
  PutInEventBox(*this, b);
}

void TButton::SetCaption(const std::string& s) {
  if (s == caption_) return;
  caption_ = s;
  if (GtkWidget* b = native_->inner) gtk_button_set_label(GTK_BUTTON(b), MnemonicText(s).c_str());
}

void TButton::SetFontColor(TColor c) {
  if (c == font_.Color) return;
  font_.Color = c;
  ApplyTextLook(LabelOf(native_->inner), font_);
}

// ---- check box and radio button

namespace {

GtkToggleButton* ToggleOf(const TWinControl& c) {
  GtkWidget* b = c.native().inner;
  return b ? GTK_TOGGLE_BUTTON(b) : nullptr;
}

// Changes to widgets made by the framework itself must not come back as
// clicks: silence every toggle of the form (the radio group spans it).
class ToggleSilence {
 public:
  explicit ToggleSilence(TForm* form) : form_(form) { Set(true); }
  ~ToggleSilence() { Set(false); }
  ToggleSilence(const ToggleSilence&) = delete;
  ToggleSilence& operator=(const ToggleSilence&) = delete;

 private:
  void Set(bool block) {
    for (auto& c : form_->Components()) {
      auto* b = dynamic_cast<TButtonControl*>(c.get());
      if (!b || !b->native().inner || !b->native().toggled_id) continue;
      if (block)
        g_signal_handler_block(b->native().inner, b->native().toggled_id);
      else
        g_signal_handler_unblock(b->native().inner, b->native().toggled_id);
    }
  }
  TForm* form_;
};

}  // namespace

TButtonControl::~TButtonControl() {
  // Its handler must not reach the control while the widget goes.
  if (native_->inner && native_->toggled_id)
    g_signal_handler_disconnect(native_->inner, native_->toggled_id);
}

void TButtonControl::SetChecked(bool v) { checked_ = v; }

void TButtonControl::ReportChange() {
  if (checked_ == reported_) return;
  reported_ = checked_;
  if (OnChange) OnChange(this);
}

void TButtonControl::CreateToggle() {
  // The subclass has put the toolkit's button here; it goes into its event box.
  GtkWidget* button = native_->inner;
  native_->inner = nullptr;
  ApplyTextLook(LabelOf(button), font_);
  {
    ToggleSilence quiet(Owner());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), checked_);
  }
  PutInEventBox(*this, button);
  native_->toggled_id = toolkit::OnSignal(button, "toggled", [this] { WidgetToggled(); });
  FitToCaption();  // in the window, with its style: the size it will show at
}

void TButtonControl::SetCaption(const std::string& s) {
  if (s == caption_) return;
  caption_ = s;
  GtkWidget* button = native_->inner;
  if (!button) return;
  gtk_button_set_label(GTK_BUTTON(button), MnemonicText(s).c_str());
  ApplyTextLook(LabelOf(button), font_);  // the new label widget
  FitToCaption();
}

void TButtonControl::SetFontColor(TColor c) {
  if (c == font_.Color) return;
  font_.Color = c;
  ApplyTextLook(LabelOf(native_->inner), font_);
}

void TButtonControl::FitToCaption() {
  GtkWidget* button = native_->inner;
  if (!AutoSize || !button) return;
  // The size the toolkit wants for the indicator and the caption.
  gtk_widget_set_size_request(button, -1, -1);
  GtkRequisition r{};
  gtk_widget_size_request(button, &r);
  SetBounds(left_, top_, r.width, r.height);
  gtk_widget_set_size_request(button, r.width, r.height);
}

void TCheckBox::CreateHandle() {
  native_->inner = gtk_check_button_new_with_mnemonic(MnemonicText(caption_).c_str());
  CreateToggle();
}

void TCheckBox::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  if (GtkToggleButton* b = ToggleOf(*this)) {
    ToggleSilence quiet(Owner());
    gtk_toggle_button_set_active(b, v);
  }
  ReportChange();
  if (OnClick) OnClick(this);
}

void TCheckBox::WidgetToggled() {
  bool v = gtk_toggle_button_get_active(ToggleOf(*this));
  if (v == checked_) return;
  checked_ = v;
  ReportChange();
  if (OnClick) OnClick(this);
}

namespace {

// The toolkit's own arrow handling orders the group by window coordinates,
// which the event boxes around the buttons throw off: it could jump past a
// button and select RESET instead of STOP. Returns the step, 0 for no arrow.
int ArrowStep(const GdkEventKey* e) {
  if (e->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SHIFT_MASK)) return 0;
  switch (e->keyval) {
    case GDK_Up: case GDK_KP_Up: case GDK_Left: case GDK_KP_Left: return -1;
    case GDK_Down: case GDK_KP_Down: case GDK_Right: case GDK_KP_Right: return 1;
    default: return 0;
  }
}

// The toolkit lets Tab into a radio group only at its selected member; here
// each radio button in the tab order is a stop of its own, selected or not.
toolkit::FocusMove TakeTabFocus(GtkWidget* w, GtkDirectionType dir) {
  using toolkit::FocusMove;
  if (dir != GTK_DIR_TAB_FORWARD && dir != GTK_DIR_TAB_BACKWARD) return FocusMove::kToolkit;
  if (gtk_widget_is_focus(w) || !gtk_widget_get_can_focus(w)) return FocusMove::kToolkit;  // passes on
  gtk_widget_grab_focus(w);
  return FocusMove::kTaken;
}

}  // namespace

void TRadioButton::CreateHandle() {
  GtkWidget* anchor = Owner()->native().RadioAnchor();
  GtkWidget* b = gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(anchor),
                                                               MnemonicText(caption_).c_str());
  native_->inner = b;
  CreateToggle();
  toolkit::OnEvent(b, "key-press-event", [this](GdkEvent* e) {
    const int step = ArrowStep(&e->key);
    return step != 0 && MoveSelection(step);
  });
  toolkit::OnFocus(b, [b](GtkDirectionType dir) { return TakeTabFocus(b, dir); });
}

bool TRadioButton::MoveSelection(int step) {
  std::vector<TRadioButton*> group;
  for (auto& c : Owner()->Components()) {
    auto* r = dynamic_cast<TRadioButton*>(c.get());
    if (r && r->native_->inner && r->Visible() && gtk_widget_is_sensitive(r->native_->inner))
      group.push_back(r);
  }
  std::stable_sort(group.begin(), group.end(), [](TRadioButton* a, TRadioButton* b) {
    return a->top_ != b->top_ ? a->top_ < b->top_ : a->left_ < b->left_;
  });
  auto self = std::find(group.begin(), group.end(), this);
  if (group.size() < 2 || self == group.end()) return false;
  const auto n = static_cast<std::ptrdiff_t>(group.size());
  const auto i = ((self - group.begin()) + step + n) % n;
  TRadioButton* target = group[static_cast<size_t>(i)];
  gtk_widget_grab_focus(target->native_->inner);
  // The toolkit's selection, reported through its toggled signal.
  if (!target->checked_) gtk_toggle_button_set_active(ToggleOf(*target), TRUE);
  return true;
}

void TRadioButton::SetWidget(bool v) {
  GtkToggleButton* b = ToggleOf(*this);
  if (!b) return;
  ToggleSilence quiet(Owner());
  if (v) {
    gtk_toggle_button_set_active(b, TRUE);
  } else if (gtk_toggle_button_get_active(b)) {
    // A group member cannot be switched off alone: select the hidden one.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(Owner()->native().RadioAnchor()), TRUE);
  }
}

void TRadioButton::DeselectOthers() {
  // The toolkit has already cleared the others' widgets when ours was set;
  // report each in creation order before this button's own handlers.
  for (auto& c : Owner()->Components()) {
    auto* r = dynamic_cast<TRadioButton*>(c.get());
    if (!r || r == this || !r->checked_) continue;
    r->checked_ = false;
    r->ReportChange();
    if (r->OnClick) r->OnClick(r);
  }
}

void TRadioButton::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  SetWidget(v);
  if (v) DeselectOthers();
  ReportChange();
  if (OnClick) OnClick(this);
}

void TRadioButton::Select(Selection how) {
  checked_ = true;
  DeselectOthers();
  ReportChange();
  if (OnClick) OnClick(this);
  // A handler moved the selection away: a click selects once more.
  if (!checked_ && how == Selection::kClick) SetChecked(true);
}

void TRadioButton::WidgetToggled() {
  // The deselected member's report is ignored: the selected one reports it.
  if (!gtk_toggle_button_get_active(ToggleOf(*this))) return;
  if (checked_) return;
  // A click is the release of the left button over the button; Space, the
  // accelerator and the arrow keys select from a key or the toolkit's
  // activation timeout, and select once.
  GdkEvent* e = gtk_get_current_event();
  const bool click = e && e->type == GDK_BUTTON_RELEASE && e->button.button == 1;
  if (e) gdk_event_free(e);
  Select(click ? Selection::kClick : Selection::kKeyboard);
}

// ---- memo and group box

void TMemo::CreateHandle() {
  GtkWidget* tv = gtk_text_view_new();
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(tv), WordWrap ? GTK_WRAP_WORD : GTK_WRAP_NONE);
  gtk_text_view_set_editable(GTK_TEXT_VIEW(tv), !ReadOnly);
  gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(tv), !ReadOnly);
  // Tab moves the focus on, as from every other control; it is no text.
  gtk_text_view_set_accepts_tab(GTK_TEXT_VIEW(tv), FALSE);
  gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(tv)), JoinLines(Lines).c_str(), -1);
  GdkColor base = ToGdkColor(Color);
  gtk_widget_modify_base(tv, GTK_STATE_NORMAL, &base);
  ApplyFont(tv, font_);
  GdkColor fg = ToGdkColor(font_.Color);
  gtk_widget_modify_text(tv, GTK_STATE_NORMAL, &fg);
  gtk_widget_add_events(tv, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  // OnClick at the release of a left press on the memo, over it.
  toolkit::OnEvent(tv, "button-press-event", [this](GdkEvent* e) {
    if (e->type == GDK_BUTTON_PRESS && e->button.button == 1) pressed_ = true;
    return false;
  });
  toolkit::OnEvent(tv, "button-release-event", [this, tv](GdkEvent* e) {
    if (e->button.button != 1 || !pressed_) return false;
    pressed_ = false;
    gint x = 0, y = 0;
    gtk_widget_get_pointer(tv, &x, &y);
    const TRect area{0, 0, tv->allocation.width, tv->allocation.height};
    if (area.Contains(x, y) && OnClick) OnClick(this);
    return false;
  });
  PutInEventBox(*this, tv);
}

std::string TMemo::Text() const {
  GtkWidget* tv = native_->inner;
  if (!tv) return JoinLines(Lines);
  GtkTextBuffer* b = gtk_text_view_get_buffer(GTK_TEXT_VIEW(tv));
  GtkTextIter s, e;
  gtk_text_buffer_get_bounds(b, &s, &e);
  gchar* t = gtk_text_buffer_get_text(b, &s, &e, FALSE);
  std::string out = t;
  g_free(t);
  return out;
}

void TGroupBox::CreateHandle() {
  GtkWidget* f = gtk_frame_new(caption_.c_str());
  ApplyTextLook(gtk_frame_get_label_widget(GTK_FRAME(f)), font_);
  PutInEventBox(*this, f);
}

// ---------------------------------------------------------------- timer

TTimer::~TTimer() { Stop(); }

void TTimer::Fire() {
  // A nested loop (a box opened by the handler) must not run it again.
  if (!enabled_ || in_handler_ || !OnTimer) return;
  in_handler_ = true;
  struct Reset {
    bool& f;
    ~Reset() { f = false; }
  } reset{in_handler_};
  OnTimer(this);
}

void TTimer::Start() {
  if (!enabled_ || !OnTimer || source_ || interval_ == 0) return;
  source_ = TheClock().AddTimeout(interval_, [this] {
    Fire();
    return true;
  });
  if (!source_) {
    enabled_ = false;
    throw Exception("No timers available");
  }
}

void TTimer::Stop() {
  TheClock().RemoveTimeout(source_);
  source_ = 0;
}

void TTimer::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  if (v)
    Start();
  else
    Stop();  // a firing already due goes with the removed source
}

void TTimer::SetInterval(unsigned ms) {
  if (ms == interval_) return;
  interval_ = ms;
  if (source_) {
    Stop();
    Start();
  }
}

}  // namespace fw
