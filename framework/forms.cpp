// The form: top-level window with a canvas (a GtkFixed with its own window)
// on which labels and pictures are painted and windowed controls sit.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "framework/clicks.h"
#include "framework/forms.h"
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
  TGraphicControl* pressed = nullptr;  // where a left press began, if it may click
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

GdkRectangle ToGdk(const TRect& r) { return {r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top}; }

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  Dispatch([self] { static_cast<TForm*>(self)->Close(); });
  return TRUE;  // the window goes when the loop has ended
}

// One activation per change from inactive to active: the X server may send
// a second focus-in (pointer focus, then an explicit focus) for one change.
constexpr const char* kActiveKey = "fw-active";

gboolean OnFocusIn(GtkWidget* w, GdkEventFocus*, gpointer self) {
  if (g_object_get_data(G_OBJECT(w), kActiveKey)) return FALSE;
  g_object_set_data(G_OBJECT(w), kActiveKey, GINT_TO_POINTER(1));
  Dispatch([self] {
    auto* f = static_cast<TForm*>(self);
    if (f->OnActivate) f->OnActivate(f);
  });
  return FALSE;
}

// A focus-out that a focus-in follows at once (the focus handed back and forth
// while a box closes) is no change: decide once the pending events are in.
gboolean ClearActiveIfUnfocused(gpointer window) {
  if (!gtk_window_has_toplevel_focus(GTK_WINDOW(window)))
    g_object_set_data(G_OBJECT(window), kActiveKey, nullptr);
  g_object_unref(window);
  return FALSE;
}

gboolean OnFocusOut(GtkWidget* w, GdkEventFocus*, gpointer) {
  g_idle_add(ClearActiveIfUnfocused, g_object_ref(w));
  return FALSE;
}

// Only another client destroying the window gets here (the form itself
// disconnects first): the main window cannot come back, so leave as a close
// would, with the exit hook run, instead of ticking on into a dead widget.
void OnWindowDestroyed(GtkWidget*, gpointer self) {
  if (!Application || Application->MainForm() != self) return;
  ExitNow(0);
}

// A window manager's grab (a drag of the title bar, Alt+Tab, its key
// bindings) takes the keyboard for a while: the X server reports a focus-out
// of mode Grab and at its end a focus-in of mode Ungrab, though the focus never
// moved. The toolkit passes both on as focus changes; they are no activation.
// A real change of the focus during a grab (Alt+Tab to another window) comes
// with mode WhileGrabbed, which the toolkit ignores: it is one, so it is
// passed on as an ordinary change.
GdkFilterReturn FocusFilter(GdkXEvent* xevent, GdkEvent*, gpointer) {
  XEvent* x = static_cast<XEvent*>(xevent);
  if (x->type != FocusIn && x->type != FocusOut) return GDK_FILTER_CONTINUE;
  if (x->xfocus.mode == NotifyGrab || x->xfocus.mode == NotifyUngrab) return GDK_FILTER_REMOVE;
  if (x->xfocus.mode == NotifyWhileGrabbed) x->xfocus.mode = NotifyNormal;
  return GDK_FILTER_CONTINUE;
}

void OnWindowRealized(GtkWidget* w, gpointer) {
  RegisterOwnWindow(GDK_WINDOW_XID(w->window));
  gdk_window_add_filter(w->window, FocusFilter, nullptr);
}

gboolean OnExpose(GtkWidget* w, GdkEventExpose* e, gpointer self) {
  if (e->window != w->window) return FALSE;
  Dispatch([&] { static_cast<TForm*>(self)->PaintRegion(e->region); });
  return FALSE;
}

}  // namespace

// Mouse, cursor and tooltip handling needs the form's private state.
struct FormEvents {
  static void Realize(GtkWidget* w, gpointer self) {
    auto* f = static_cast<TForm*>(self);
    f->canvas_.Attach(w->window);
    if (!f->impl_->gc) f->impl_->gc = gdk_gc_new(w->window);
  }
  static void Unrealize(GtkWidget*, gpointer self) {
    auto* f = static_cast<TForm*>(self);
    f->canvas_.Attach(nullptr);
    if (f->impl_->gc) g_object_unref(f->impl_->gc);
    f->impl_->gc = nullptr;
  }
  static gboolean Press(GtkWidget* w, GdkEventButton* e, gpointer self) {
    if (e->window != w->window) return FALSE;
    Dispatch([&] {
      auto* f = static_cast<TForm*>(self);
      // GDK's extra 2BUTTON/3BUTTON events are ignored: the series is
      // counted from the plain presses.
      if (e->type != GDK_BUTTON_PRESS) return;
      const int x = static_cast<int>(e->x), y = static_cast<int>(e->y);
      const int place = Presses().Count(e->window, x, y, e->time);
      if (e->button != 1) return;
      // The second press is a double click: no click at its release.
      f->impl_->pressed = place == 2 ? nullptr : TopmostAt(*f, x, y);
    });
    return TRUE;
  }
  static gboolean Release(GtkWidget* w, GdkEventButton* e, gpointer self) {
    if (e->window != w->window) return FALSE;
    Dispatch([&] {
      auto* f = static_cast<TForm*>(self);
      if (e->button != 1) return;
      TGraphicControl* p = f->impl_->pressed;
      f->impl_->pressed = nullptr;
      if (p && p == TopmostAt(*f, static_cast<int>(e->x), static_cast<int>(e->y)) && p->OnClick)
        p->OnClick(p);
    });
    return TRUE;
  }
  static gboolean Motion(GtkWidget* w, GdkEventMotion* e, gpointer self) {
    if (e->window != w->window) return FALSE;
    Dispatch([&] {
      auto* f = static_cast<TForm*>(self);
      auto& im = *f->impl_;
      TGraphicControl* t = TopmostAt(*f, static_cast<int>(e->x), static_cast<int>(e->y));
      bool hand = t && t->Cursor == TCursor::crHandPoint;
      if (hand == im.hand_shown) return;
      im.hand_shown = hand;
      if (hand && !im.hand) im.hand = gdk_cursor_new_for_display(gtk_widget_get_display(w), GDK_HAND2);
      gdk_window_set_cursor(w->window, hand ? im.hand : nullptr);
    });
    return FALSE;
  }
  static gboolean Tooltip(GtkWidget*, gint x, gint y, gboolean, GtkTooltip* tip, gpointer self) {
    gboolean shown = FALSE;
    Dispatch([&] {
      TGraphicControl* t = TopmostAt(*static_cast<TForm*>(self), x, y);
      if (!t || !t->ShowHint || t->Hint.empty()) return;
      gtk_tooltip_set_text(tip, t->Hint.c_str());
      GdkRectangle area = ToGdk(t->BoundsRect());
      gtk_tooltip_set_tip_area(tip, &area);
      shown = TRUE;
    });
    return shown;
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

  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(window_, "destroy", G_CALLBACK(OnWindowDestroyed), this);
  g_signal_connect_after(window_, "realize", G_CALLBACK(OnWindowRealized), nullptr);
  g_signal_connect(window_, "focus-in-event", G_CALLBACK(OnFocusIn), this);
  g_signal_connect(window_, "focus-out-event", G_CALLBACK(OnFocusOut), this);
  g_signal_connect_after(canvas_widget_, "realize", G_CALLBACK(FormEvents::Realize), this);
  g_signal_connect(canvas_widget_, "unrealize", G_CALLBACK(FormEvents::Unrealize), this);
  g_signal_connect(canvas_widget_, "expose-event", G_CALLBACK(OnExpose), this);
  g_signal_connect(canvas_widget_, "button-press-event", G_CALLBACK(FormEvents::Press), this);
  g_signal_connect(canvas_widget_, "button-release-event", G_CALLBACK(FormEvents::Release), this);
  g_signal_connect(canvas_widget_, "motion-notify-event", G_CALLBACK(FormEvents::Motion), this);
  g_signal_connect(canvas_widget_, "query-tooltip", G_CALLBACK(FormEvents::Tooltip), this);

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
  g_signal_handlers_disconnect_by_func(window_, reinterpret_cast<gpointer>(OnWindowDestroyed),
                                       this);
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

TComponent* TForm::FindComponent(const std::string& name) const {
  for (auto& c : components_)
    if (c->Name == name) return c.get();
  return nullptr;
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
  GdkRectangle g = ToGdk(r);
  if (g.width <= 0 || g.height <= 0) return;
  gdk_window_invalidate_rect(canvas_widget_->window, &g, FALSE);
}

void TForm::PaintRegion(GdkRegion* region) {
  GdkRegion* clip = gdk_region_copy(region);
  for (auto& c : components_) {
    auto* g = dynamic_cast<TGraphicControl*>(c.get());
    if (!g || !g->Visible() || !g->IsOpaque()) continue;
    GdkRectangle r = ToGdk(g->BoundsRect());
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
      GdkRectangle r = ToGdk(g->BoundsRect());
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
