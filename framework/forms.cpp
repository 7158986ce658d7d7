// The form: top-level window with a canvas (a GtkFixed with its own window)
// on which labels and pictures are painted and windowed controls sit.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <exception>

#include "framework/clicks.h"
#include "framework/native.h"
#include "framework/toolkit.h"

namespace fw {

namespace {

TGraphicControl* TopmostAt(const TForm& f, int x, int y) {
  const auto& cs = f.Components();
  for (auto it = cs.rbegin(); it != cs.rend(); ++it) {
    auto* g = dynamic_cast<TGraphicControl*>(it->get());
    if (g && g->Visible() && g->BoundsRect().Contains(x, y)) return g;
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

// The form behind a window, for checks that run later; null once the form
// is gone.
constexpr const char* kFormKey = "fw-form";
// One activation per change from inactive to active: the X server may send
// a second focus-in (pointer focus, then an explicit focus) for one change.
// The state is kept on the window, which a pending check holds.
constexpr const char* kActiveKey = "fw-active";

void Activate(TForm& f) {
  GObject* window = G_OBJECT(WindowOf(f));
  if (g_object_get_data(window, kActiveKey)) return;
  g_object_set_data(window, kActiveKey, GINT_TO_POINTER(1));
  if (f.OnActivate) f.OnActivate(&f);
}

}  // namespace

// What the form does with the toolkit's calls.
struct FormEvents {
  // The window manager's close button: the window goes when the loop ends.
  static bool Delete(TForm& f) {
    f.Close();
    return true;
  }

  // Only another client destroying the window gets here (the form itself
  // disconnects first): the main window cannot come back. The program ends
  // with 0 and the exit hook run (the record file), instead of ticking on
  // into a dead widget.
  static void Destroyed(TForm& f) {
    if (Application && Application->MainForm() == &f) ExitNow(0);
  }

  static void WindowRealized(TForm& f) {
    GdkWindow* w = WindowOf(f)->window;
    IgnoreKeysHeldFromElsewhere(w);  // first: it must see every focus-in
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
  // maximize or fullscreen, another client's resize request) asks for its
  // own back, decided once the events that came with the size are in:
  // icewm and fluxbox announce the state after the size. A maximized or
  // fullscreen window asks nothing: its state is refused, and the window
  // manager's undoing of it brings back the size and the place. (icewm
  // takes a size asked while the window is fullscreen for the place to put
  // it back at: the screen's corner, the title bar off the screen.) A window
  // manager that refuses answers with the imposed size again; that is not
  // asked a second time.
  static void Configured(TForm& f, const GdkEventConfigure& e) {
    if (f.BorderStyle != TBorderStyle::bsDialog) return;
    if (e.width == f.ClientWidth() && e.height == f.ClientHeight())
      f.native().size_asked_back = false;
    else
      AskSizeBackLater(f);
  }
  static void StateChanged(TForm& f, const GdkEventWindowState& e) {
    if (f.BorderStyle != TBorderStyle::bsDialog) return;
    GtkWindow* w = GTK_WINDOW(WindowOf(f));
    if (e.new_window_state & GDK_WINDOW_STATE_MAXIMIZED) gtk_window_unmaximize(w);
    if (e.new_window_state & GDK_WINDOW_STATE_FULLSCREEN) gtk_window_unfullscreen(w);
    // A window manager may leave the state's size when the state goes.
    if ((e.changed_mask & kStates) && !(e.new_window_state & kStates)) AskSizeBackLater(f);
  }
  static constexpr int kStates = GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN;
  static void AskSizeBackLater(TForm& f) {
    auto& n = f.native();
    if (n.size_check_pending) return;
    n.size_check_pending = true;
    GtkWidget* window = GTK_WIDGET(g_object_ref(n.window));
    toolkit::Later([window] {
      if (auto* form = static_cast<TForm*>(g_object_get_data(G_OBJECT(window), kFormKey)))
        AskSizeBack(*form);
      g_object_unref(window);
    });
  }
  static void AskSizeBack(TForm& f) {
    auto& n = f.native();
    n.size_check_pending = false;
    GdkWindow* w = n.window->window;
    if (!w || (gdk_window_get_state(w) & kStates)) return;
    int width = 0, height = 0;
    gdk_drawable_get_size(w, &width, &height);
    if (width == f.ClientWidth() && height == f.ClientHeight()) return;
    if (n.size_asked_back && width == n.imposed_width && height == n.imposed_height) return;
    n.size_asked_back = true;
    n.imposed_width = width;
    n.imposed_height = height;
    gdk_window_resize(w, f.ClientWidth(), f.ClientHeight());
  }

  // A modal box's loop delivers the box's own events only: a window manager
  // that gives the focus to the window behind the box (a click on it) makes
  // no activation, and the focus goes back to the box. The window is
  // activated when the box has gone (BoxClosed).
  static void GotFocus(TForm& f) {
    if (Application && Application->InModalBox()) {
      FocusBox();
      return;
    }
    Activate(f);
  }

  // Nothing covers the window any more, though a box is open over it: a
  // raise of the window (another client's, or twm's own, which keeps no
  // box above its window) has hidden the box, and the window takes no
  // clicks. The box goes on top again.
  static void VisibilityChanged(TForm&, const GdkEventVisibility& e) {
    if (e.state == GDK_VISIBILITY_UNOBSCURED && Application && Application->InModalBox())
      RaiseBox();
  }

  // A focus-out that a focus-in follows at once (the focus handed back and
  // forth while a box closes) is no change: decide once the pending events
  // are in.
  static void LostFocus(TForm& f) {
    GtkWidget* window = GTK_WIDGET(g_object_ref(WindowOf(f)));
    toolkit::Later([window] {
      if (!gtk_window_has_toplevel_focus(GTK_WINDOW(window)))
        g_object_set_data(G_OBJECT(window), kActiveKey, nullptr);
      g_object_unref(window);
    });
  }

  static void Realize(TForm& f) {
    auto& n = f.native();
    GdkWindow* w = n.canvas->window;
    f.Canvas()->native().Attach(w);
    if (!n.gc) n.gc = gdk_gc_new(w);
  }
  static void Unrealize(TForm& f) {
    auto& n = f.native();
    f.Canvas()->native().Attach(nullptr);
    if (n.gc) g_object_unref(n.gc);
    n.gc = nullptr;
  }

  static void Paint(TForm& f, GdkEventExpose* e) {
    if (e->window == CanvasOf(f)->window) f.native().PaintRegion(e->region);
  }

  static bool Press(TForm& f, GdkEventButton* e) {
    if (e->window != CanvasOf(f)->window) return false;
    // GDK's extra 2BUTTON/3BUTTON events are ignored: the series is counted
    // from the plain presses.
    if (e->type != GDK_BUTTON_PRESS) return true;
    const int x = static_cast<int>(e->x), y = static_cast<int>(e->y);
    const int place = Presses().Count(e->window, x, y, e->time);
    if (e->button != 1) return true;
    // The second press is a double click: no click at its release.
    f.native().pressed = place == 2 ? nullptr : TopmostAt(f, x, y);
    return true;
  }
  static bool Release(TForm& f, GdkEventButton* e) {
    if (e->window != CanvasOf(f)->window) return false;
    if (e->button != 1) return true;
    TGraphicControl* p = f.native().pressed;
    f.native().pressed = nullptr;
    if (p && p == TopmostAt(f, static_cast<int>(e->x), static_cast<int>(e->y)) && p->OnClick)
      p->OnClick(p);
    return true;
  }
  static void Motion(TForm& f, GdkEventMotion* e) {
    if (e->window != CanvasOf(f)->window) return;
    auto& n = f.native();
    TGraphicControl* t = TopmostAt(f, static_cast<int>(e->x), static_cast<int>(e->y));
    const bool hand = t && t->Cursor == TCursor::crHandPoint;
    if (hand == n.hand_shown) return;
    n.hand_shown = hand;
    gdk_window_set_cursor(e->window, hand ? HandCursor() : nullptr);
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
    GtkWidget* w = WindowOf(f);
    GtkWidget* c = CanvasOf(f);
    toolkit::OnEvent(w, "delete-event", [self](GdkEvent*) { return Delete(*self); });
    f.native().destroyed_id = toolkit::OnSignal(w, "destroy", [self] { Destroyed(*self); });
    toolkit::OnSignal(w, "realize", [self] { WindowRealized(*self); }, Order::kAfter);
    toolkit::OnEvent(w, "configure-event", [self](GdkEvent* e) {
      Configured(*self, e->configure);
      return false;
    });
    toolkit::OnEvent(w, "window-state-event", [self](GdkEvent* e) {
      StateChanged(*self, e->window_state);
      return false;
    });
    toolkit::OnEvent(w, "visibility-notify-event", [self](GdkEvent* e) {
      VisibilityChanged(*self, e->visibility);
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

TForm::Native::Native(TForm& f) : form(f) {
  window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_widget_add_events(window, GDK_VISIBILITY_NOTIFY_MASK);
  canvas = gtk_fixed_new();
  gtk_fixed_set_has_window(GTK_FIXED(canvas), TRUE);
  gtk_widget_set_app_paintable(canvas, TRUE);
  // Direct drawing must reach the screen; the expose handler clips itself.
  gtk_widget_set_double_buffered(canvas, FALSE);
  gtk_widget_add_events(canvas, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                    GDK_POINTER_MOTION_MASK | GDK_EXPOSURE_MASK);
  gtk_widget_set_has_tooltip(canvas, TRUE);
  gtk_container_add(GTK_CONTAINER(window), canvas);
  g_object_set_data(G_OBJECT(window), kFormKey, &form);

  text = gdk_pango_context_get();
  cairo_font_options_t* o = cairo_font_options_create();
  // Two-colour text, like the rest of the pixel-exact canvas.
  cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_NONE);
  pango_cairo_context_set_font_options(text, o);
  cairo_font_options_destroy(o);
}

void TForm::Native::DestroyWidgets() {
  if (radio_anchor) {
    gtk_widget_destroy(radio_anchor);
    g_object_unref(radio_anchor);
  }
  g_object_set_data(G_OBJECT(window), kFormKey, nullptr);
  g_signal_handler_disconnect(window, destroyed_id);  // our own doing
  gtk_widget_destroy(window);
  window = canvas = nullptr;
  if (text) g_object_unref(text);
  text = nullptr;
}

TForm::TForm(TForm* owner) : TComponent(owner), native_(std::make_unique<Native>(*this)) {
  FormEvents::Connect(*this);
}

TForm::~TForm() {
  // The components first: their widgets live in the window. The window's
  // last signals (unrealize) still reach the form's canvas.
  while (!components_.empty()) components_.pop_back();
  native_->DestroyWidgets();
}

GtkWidget* TForm::Native::RadioAnchor() {
  if (!radio_anchor) {
    radio_anchor = gtk_radio_button_new(nullptr);
    g_object_ref_sink(radio_anchor);
  }
  return radio_anchor;
}

void TForm::Native::BoxClosed() {
  GtkWidget* w = GTK_WIDGET(g_object_ref(window));
  toolkit::Later([w] {
    auto* f = static_cast<TForm*>(g_object_get_data(G_OBJECT(w), kFormKey));
    if (f && !(Application && Application->InModalBox()) && gtk_widget_get_visible(w) &&
        gtk_window_has_toplevel_focus(GTK_WINDOW(w)))
      Activate(*f);
    g_object_unref(w);
  });
}

void TForm::SetCaption(const std::string& s) {
  if (s == caption_) return;
  caption_ = s;
  gtk_window_set_title(GTK_WINDOW(native_->window), s.c_str());
}

void TForm::Close() {
  if (Application && Application->MainForm() == this)
    Application->Terminate();
  else
    native_->Hide();
}

void TForm::Native::Show() {
  gtk_widget_show(canvas);
  if (has_position) gtk_window_move(GTK_WINDOW(window), left, top);
  gtk_widget_show(window);
  // No window manager gives the focus: take it, so OnActivate comes.
  Present(window);
}

void TForm::Native::LoadPosition(int l, int t) {
  left = l;
  top = t;
  has_position = true;
}

void TForm::Native::Hide() { gtk_widget_hide(window); }

void TForm::Native::InvalidateRect(const TRect& r) {
  if (!gtk_widget_get_realized(canvas)) return;
  GdkRectangle g = ToGdkRect(r);
  if (g.width <= 0 || g.height <= 0) return;
  gdk_window_invalidate_rect(canvas->window, &g, FALSE);
}

namespace {

// A clip region on a GC for one scope: lifted again however the scope is
// left, also by an exception from the drawing in it.
class GCClip {
 public:
  GCClip(GdkGC* gc, GdkRegion* region) : gc_(gc) { gdk_gc_set_clip_region(gc_, region); }
  ~GCClip() { gdk_gc_set_clip_region(gc_, nullptr); }
  GCClip(const GCClip&) = delete;
  GCClip& operator=(const GCClip&) = delete;

 private:
  GdkGC* gc_;
};

// The same for the canvas's drawing.
class CanvasClip {
 public:
  CanvasClip(TCanvas& canvas, GdkRegion* region) : canvas_(canvas) {
    canvas_.native().SetClip(region);
  }
  ~CanvasClip() { canvas_.native().SetClip(nullptr); }
  CanvasClip(const CanvasClip&) = delete;
  CanvasClip& operator=(const CanvasClip&) = delete;

 private:
  TCanvas& canvas_;
};

}  // namespace

void TForm::Native::PaintRegion(GdkRegion* region) {
  GdkRegion* clip = gdk_region_copy(region);
  for (auto& c : form.components_) {
    auto* g = dynamic_cast<TGraphicControl*>(c.get());
    if (!g || !g->Visible() || !g->IsOpaque()) continue;
    GdkRectangle r = ToGdkRect(g->BoundsRect());
    GdkRegion* rr = gdk_region_rectangle(&r);
    gdk_region_subtract(clip, rr);
    gdk_region_destroy(rr);
  }
  std::exception_ptr failed;
  if (!gdk_region_empty(clip) && form.OnPaint) {
    CanvasClip limited(form.canvas_, clip);
    try {
      form.OnPaint(&form);
    } catch (...) {
      failed = std::current_exception();  // reported once the paint is done
    }
  }
  gdk_region_destroy(clip);
  if (gc) {
    for (auto& c : form.components_) {
      auto* g = dynamic_cast<TGraphicControl*>(c.get());
      if (!g || !g->Visible()) continue;
      GdkRectangle r = ToGdkRect(g->BoundsRect());
      if (r.width <= 0 || r.height <= 0 || gdk_region_rect_in(region, &r) == GDK_OVERLAP_RECTANGLE_OUT)
        continue;
      GdkRegion* part = gdk_region_rectangle(&r);
      gdk_region_intersect(part, region);
      GCClip limited(gc, part);
      gdk_region_destroy(part);
      g->Paint(form.canvas_);
    }
  }
  if (failed) std::rethrow_exception(failed);
}

void TForm::Native::DestroyWindow() {
  if (window_destroyed) return;
  window_destroyed = true;
  Hide();
  Dispatch([this] {
    if (form.OnDestroy) form.OnDestroy(&form);
  });
  pressed = nullptr;
  while (!form.components_.empty()) form.components_.pop_back();
}

}  // namespace fw
