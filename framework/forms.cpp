// The form: top-level window with a canvas (a GtkFixed with its own window)
// on which labels and pictures are painted and windowed controls sit.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <exception>

#include "framework/clicks.h"
#include "framework/forms.h"
#include "framework/toolkit.h"
#include "framework/widgetkit.h"

namespace fw {

struct TForm::Impl {
  GdkGC* gc = nullptr;  // labels and pictures; never the canvas's pen/brush
  PangoContext* text = nullptr;
  GtkWidget* radio_anchor = nullptr;
  GdkCursor* hand = nullptr;
  bool hand_shown = false;
  bool has_position = false;
  int left = 0, top = 0;
  bool window_destroyed = false;
  unsigned long destroyed_id = 0;      // the handler of the window's destruction
  TGraphicControl* pressed = nullptr;  // where a left press began, if it may click
  // A size imposed on a fixed-size window that was asked back, once.
  bool size_asked_back = false;
  int imposed_width = 0, imposed_height = 0;
};

namespace {

TGraphicControl* TopmostAt(const TForm& f, int x, int y) {
  const auto& cs = f.Components();
  for (auto it = cs.rbegin(); it != cs.rend(); ++it) {
    auto* g = dynamic_cast<TGraphicControl*>(it->get());
    if (!g || !g->Visible()) continue;
    TRect r = g->BoundsRect();
    if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return g;
  }
  return nullptr;
}

GdkRectangle ToGdkRect(const TRect& r) { return {r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top}; }

// A window manager's grab (a drag of the title bar, Alt+Tab, its key
// bindings) takes the keyboard for a while: the X server reports a focus-out
// of mode Grab and at its end a focus-in of mode Ungrab, though the focus never
// moved. The toolkit passes both on as focus changes; they are no activation.
// A real change of the focus during a grab (Alt+Tab to another window) comes
// with mode WhileGrabbed, which the toolkit ignores: it is one, so it is
// passed on as an ordinary change.
bool FocusFilter(void* xevent) {
  XEvent* x = static_cast<XEvent*>(xevent);
  if (x->type != FocusIn && x->type != FocusOut) return true;
  if (x->xfocus.mode == NotifyGrab || x->xfocus.mode == NotifyUngrab) return false;
  if (x->xfocus.mode == NotifyWhileGrabbed) x->xfocus.mode = NotifyNormal;
  return true;
}

}  // namespace

// What the form does with the toolkit's calls; they need its private state.
struct FormEvents {
  // The window manager's close button: the window goes when the loop ends.
  static bool Delete(TForm& f) {
    f.Close();
    return true;
  }

  // Only another client destroying the window gets here (the form itself
  // disconnects first): the main window cannot come back, so leave as a close
  // would, with the exit hook run, instead of ticking on into a dead widget.
  static void Destroyed(TForm& f) {
    if (Application && Application->MainForm() == &f) ExitNow(0);
  }

  static void WindowRealized(TForm& f) {
    GdkWindow* w = f.window_->window;
    RegisterOwnWindow(GDK_WINDOW_XID(w));
    toolkit::FilterX(w, FocusFilter);
    if (f.BorderStyle == TBorderStyle::bsDialog) {
      // Size hints of min = max are not heeded by every window manager: say
      // in the Motif hints too that there is no resizing or maximizing.
      gdk_window_set_functions(w, GdkWMFunction(GDK_FUNC_MOVE | GDK_FUNC_MINIMIZE | GDK_FUNC_CLOSE));
      gdk_window_set_decorations(w, GdkWMDecoration(GDK_DECOR_BORDER | GDK_DECOR_TITLE |
                                                    GDK_DECOR_MENU | GDK_DECOR_MINIMIZE));
    }
  }

  // A fixed-size window that gets another size anyway (a window manager's
  // maximize, another client's resize request) asks for its own back. A
  // window manager that refuses answers with the imposed size again; that
  // is not asked a second time.
  static void Configured(TForm& f, const GdkEventConfigure& e) {
    if (f.BorderStyle != TBorderStyle::bsDialog) return;
    auto& im = *f.impl_;
    if (e.width == f.client_width_ && e.height == f.client_height_) {
      im.size_asked_back = false;
      return;
    }
    if (im.size_asked_back && e.width == im.imposed_width && e.height == im.imposed_height) return;
    im.size_asked_back = true;
    im.imposed_width = e.width;
    im.imposed_height = e.height;
    gdk_window_resize(f.window_->window, f.client_width_, f.client_height_);
  }
  static void StateChanged(TForm& f, const GdkEventWindowState& e) {
    if (f.BorderStyle != TBorderStyle::bsDialog) return;
    if (e.new_window_state & GDK_WINDOW_STATE_MAXIMIZED) gtk_window_unmaximize(GTK_WINDOW(f.window_));
    if (e.new_window_state & GDK_WINDOW_STATE_FULLSCREEN) gtk_window_unfullscreen(GTK_WINDOW(f.window_));
  }

  // One activation per change from inactive to active: the X server may send
  // a second focus-in (pointer focus, then an explicit focus) for one change.
  // The state is kept on the window, which a pending check below holds.
  static constexpr const char* kActiveKey = "fw-active";
  static void Activate(TForm& f) {
    GObject* window = G_OBJECT(f.window_);
    if (g_object_get_data(window, kActiveKey)) return;
    g_object_set_data(window, kActiveKey, GINT_TO_POINTER(1));
    if (f.OnActivate) f.OnActivate(&f);
  }
  // A modal box's loop delivers the box's own events only: a window manager
  // that gives the focus to the window behind the box (a click on it) makes
  // no activation, and the focus goes back to the box. The window is
  // activated when the box has gone (BoxClosed).
  static void GotFocus(TForm& f) {
    if (Application && Application->InModalBox()) {
      Application->FocusBox();
      return;
    }
    Activate(f);
  }
  // The form behind a window, for checks that run later; null once the form
  // is gone.
  static constexpr const char* kFormKey = "fw-form";

  // A focus-out that a focus-in follows at once (the focus handed back and
  // forth while a box closes) is no change: decide once the pending events
  // are in.
  static void LostFocus(TForm& f) {
    GtkWidget* window = GTK_WIDGET(g_object_ref(f.window_));
    toolkit::Later([window] {
      if (!gtk_window_has_toplevel_focus(GTK_WINDOW(window)))
        g_object_set_data(G_OBJECT(window), kActiveKey, nullptr);
      g_object_unref(window);
    });
  }

  static void Realize(TForm& f) {
    GdkWindow* w = f.canvas_widget_->window;
    f.canvas_.Attach(w);
    if (!f.impl_->gc) f.impl_->gc = gdk_gc_new(w);
  }
  static void Unrealize(TForm& f) {
    f.canvas_.Attach(nullptr);
    if (f.impl_->gc) g_object_unref(f.impl_->gc);
    f.impl_->gc = nullptr;
  }

  static void Paint(TForm& f, GdkEventExpose* e) {
    if (e->window == f.canvas_widget_->window) f.PaintRegion(e->region);
  }

  static bool Press(TForm& f, GdkEventButton* e) {
    if (e->window != f.canvas_widget_->window) return false;
    // GDK's extra 2BUTTON/3BUTTON events are ignored: the series is counted
    // from the plain presses.
    if (e->type != GDK_BUTTON_PRESS) return true;
    const int x = static_cast<int>(e->x), y = static_cast<int>(e->y);
    const int place = Presses().Count(e->window, x, y, e->time);
    if (e->button != 1) return true;
    // The second press is a double click: no click at its release.
    f.impl_->pressed = place == 2 ? nullptr : TopmostAt(f, x, y);
    return true;
  }
  static bool Release(TForm& f, GdkEventButton* e) {
    if (e->window != f.canvas_widget_->window) return false;
    if (e->button != 1) return true;
    TGraphicControl* p = f.impl_->pressed;
    f.impl_->pressed = nullptr;
    if (p && p == TopmostAt(f, static_cast<int>(e->x), static_cast<int>(e->y)) && p->OnClick)
      p->OnClick(p);
    return true;
  }
  static void Motion(TForm& f, GdkEventMotion* e) {
    if (e->window != f.canvas_widget_->window) return;
    auto& im = *f.impl_;
    TGraphicControl* t = TopmostAt(f, static_cast<int>(e->x), static_cast<int>(e->y));
    const bool hand = t && t->Cursor == TCursor::crHandPoint;
    if (hand == im.hand_shown) return;
    im.hand_shown = hand;
    if (hand && !im.hand)
      im.hand = gdk_cursor_new_for_display(gtk_widget_get_display(f.canvas_widget_), GDK_HAND2);
    gdk_window_set_cursor(e->window, hand ? im.hand : nullptr);
  }
  static bool Tooltip(TForm& f, int x, int y, GtkTooltip* tip) {
    TGraphicControl* t = TopmostAt(f, x, y);
    if (!t || !t->ShowHint || t->Hint.empty()) return false;
    gtk_tooltip_set_text(tip, t->Hint.c_str());
    GdkRectangle area = ToGdkRect(t->BoundsRect());
    gtk_tooltip_set_tip_area(tip, &area);
    return true;
  }

  // The form's whole traffic with the toolkit.
  static void Connect(TForm& f) {
    using toolkit::Order;
    TForm* self = &f;
    GtkWidget* w = f.window_;
    GtkWidget* c = f.canvas_widget_;
    toolkit::OnEvent(w, "delete-event", [self](GdkEvent*) { return Delete(*self); });
    f.impl_->destroyed_id = toolkit::OnSignal(w, "destroy", [self] { Destroyed(*self); });
    toolkit::OnSignal(w, "realize", [self] { WindowRealized(*self); }, Order::kAfter);
    toolkit::OnEvent(w, "configure-event", [self](GdkEvent* e) {
      Configured(*self, e->configure);
      return false;
    });
    toolkit::OnEvent(w, "window-state-event", [self](GdkEvent* e) {
      StateChanged(*self, e->window_state);
      return false;
    });
    toolkit::OnEvent(w, "focus-in-event", [self](GdkEvent*) {
      GotFocus(*self);
      return false;
    });
    toolkit::OnEvent(w, "focus-out-event", [self](GdkEvent*) {
      LostFocus(*self);
      return false;
    });
    toolkit::OnSignal(c, "realize", [self] { Realize(*self); }, Order::kAfter);
    toolkit::OnSignal(c, "unrealize", [self] { Unrealize(*self); });
    toolkit::OnEvent(c, "expose-event", [self](GdkEvent* e) {
      Paint(*self, &e->expose);
      return false;
    });
    toolkit::OnEvent(c, "button-press-event", [self](GdkEvent* e) { return Press(*self, &e->button); });
    toolkit::OnEvent(c, "button-release-event",
                     [self](GdkEvent* e) { return Release(*self, &e->button); });
    toolkit::OnEvent(c, "motion-notify-event", [self](GdkEvent* e) {
      Motion(*self, &e->motion);
      return false;
    });
    toolkit::OnTooltip(c, [self](int x, int y, GtkTooltip* tip) { return Tooltip(*self, x, y, tip); });
  }
};

TForm::TForm(TForm* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  canvas_widget_ = gtk_fixed_new();
  gtk_fixed_set_has_window(GTK_FIXED(canvas_widget_), TRUE);
  gtk_widget_set_app_paintable(canvas_widget_, TRUE);
  // Direct drawing must reach the screen; the expose handler clips itself.
  gtk_widget_set_double_buffered(canvas_widget_, FALSE);
  gtk_widget_add_events(canvas_widget_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                            GDK_POINTER_MOTION_MASK | GDK_EXPOSURE_MASK);
  gtk_widget_set_has_tooltip(canvas_widget_, TRUE);
  gtk_container_add(GTK_CONTAINER(window_), canvas_widget_);
  g_object_set_data(G_OBJECT(window_), FormEvents::kFormKey, this);
  FormEvents::Connect(*this);

  impl_->text = gdk_pango_context_get();
  cairo_font_options_t* o = cairo_font_options_create();
  // Two-colour text, like the rest of the pixel-exact canvas.
  cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_NONE);
  pango_cairo_context_set_font_options(impl_->text, o);
  cairo_font_options_destroy(o);
}

TForm::~TForm() {
  while (!components_.empty()) components_.pop_back();
  if (impl_->radio_anchor) {
    gtk_widget_destroy(impl_->radio_anchor);
    g_object_unref(impl_->radio_anchor);
  }
  g_object_set_data(G_OBJECT(window_), FormEvents::kFormKey, nullptr);
  g_signal_handler_disconnect(window_, impl_->destroyed_id);  // our own doing
  gtk_widget_destroy(window_);
  if (impl_->hand) gdk_cursor_unref(impl_->hand);
  if (impl_->text) g_object_unref(impl_->text);
}

GdkGC* TForm::ControlGC() const { return impl_->gc; }
PangoContext* TForm::TextContext() const { return impl_->text; }

GtkWidget* TForm::RadioAnchor() {
  if (!impl_->radio_anchor) {
    impl_->radio_anchor = gtk_radio_button_new(nullptr);
    g_object_ref_sink(impl_->radio_anchor);
  }
  return impl_->radio_anchor;
}

void TForm::BoxClosed() {
  GtkWidget* window = GTK_WIDGET(g_object_ref(window_));
  toolkit::Later([window] {
    auto* f = static_cast<TForm*>(g_object_get_data(G_OBJECT(window), FormEvents::kFormKey));
    if (f && !(Application && Application->InModalBox()) && gtk_widget_get_visible(window) &&
        gtk_window_has_toplevel_focus(GTK_WINDOW(window)))
      FormEvents::Activate(*f);
    g_object_unref(window);
  });
}

void TForm::SetCaption(const std::string& s) {
  if (s == caption_) return;
  caption_ = s;
  gtk_window_set_title(GTK_WINDOW(window_), s.c_str());
}

void TForm::Close() {
  if (Application && Application->MainForm() == this)
    Application->Terminate();
  else
    Hide();
}

void TForm::Show() {
  gtk_widget_show(canvas_widget_);
  if (impl_->has_position) gtk_window_move(GTK_WINDOW(window_), impl_->left, impl_->top);
  gtk_widget_show(window_);
  // No window manager gives the focus: take it, so OnActivate comes.
  gtk_window_present(GTK_WINDOW(window_));
}

void TForm::LoadPosition(int left, int top) {
  impl_->left = left;
  impl_->top = top;
  impl_->has_position = true;
}
int TForm::PositionLeft() const { return impl_->left; }
int TForm::PositionTop() const { return impl_->top; }

void TForm::Hide() { gtk_widget_hide(window_); }

void TForm::InvalidateRect(const TRect& r) {
  if (!gtk_widget_get_realized(canvas_widget_)) return;
  GdkRectangle g = ToGdkRect(r);
  if (g.width <= 0 || g.height <= 0) return;
  gdk_window_invalidate_rect(canvas_widget_->window, &g, FALSE);
}

void TForm::PaintRegion(GdkRegion* region) {
  GdkRegion* clip = gdk_region_copy(region);
  for (auto& c : components_) {
    auto* g = dynamic_cast<TGraphicControl*>(c.get());
    if (!g || !g->Visible() || !g->IsOpaque()) continue;
    GdkRectangle r = ToGdkRect(g->BoundsRect());
    GdkRegion* rr = gdk_region_rectangle(&r);
    gdk_region_subtract(clip, rr);
    gdk_region_destroy(rr);
  }
  std::exception_ptr failed;
  if (!gdk_region_empty(clip) && OnPaint) {
    canvas_.SetClipRegion(clip);
    try {
      OnPaint(this);
    } catch (...) {
      failed = std::current_exception();  // reported once the paint is done
    }
    canvas_.SetClipRegion(nullptr);
  }
  gdk_region_destroy(clip);
  if (GdkGC* gc = impl_->gc) {
    for (auto& c : components_) {
      auto* g = dynamic_cast<TGraphicControl*>(c.get());
      if (!g || !g->Visible()) continue;
      GdkRectangle r = ToGdkRect(g->BoundsRect());
      if (r.width <= 0 || r.height <= 0 || gdk_region_rect_in(region, &r) == GDK_OVERLAP_RECTANGLE_OUT)
        continue;
      GdkRegion* part = gdk_region_rectangle(&r);
      gdk_region_intersect(part, region);
      gdk_gc_set_clip_region(gc, part);
      gdk_region_destroy(part);
      g->Paint(canvas_);
    }
    gdk_gc_set_clip_region(gc, nullptr);
  }
  if (failed) std::rethrow_exception(failed);
}

void TForm::DestroyWindow() {
  if (impl_->window_destroyed) return;
  impl_->window_destroyed = true;
  Hide();
  Dispatch([this] {
    if (OnDestroy) OnDestroy(this);
  });
  impl_->pressed = nullptr;
  while (!components_.empty()) components_.pop_back();
}

}  // namespace fw
