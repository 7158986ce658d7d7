// The toolkit side of the framework's objects (framework internal): the
// widgets, windows, GCs, layouts and pictures behind the forms and their
// components, and the framework's own calls among them. The headers the
// application includes show none of this; the framework's sources, its
// tests and the benchmark include it.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "framework/canvas.h"
#include "framework/controls.h"
#include "framework/forms.h"

namespace fw {

// ---- the canvas

struct TCanvas::Native {
  Native() = default;
  Native(const Native&) = delete;
  Native& operator=(const Native&) = delete;
  ~Native();

  // The drawable drawn on; null means drawing does nothing (no window yet).
  void Attach(GdkDrawable* d);
  // Limits drawing to the region (copied), or lifts the limit with null.
  void SetClip(GdkRegion* region);

  GdkDrawable* drawable = nullptr;
  GdkGC* gc = nullptr;        // made at the first drawing, for the drawable's depth
  GdkRegion* clip = nullptr;  // during a paint
};

// ---- components

// One reference to a toolkit object, given back when its holder goes.
template <class T>
class ObjectRef {
 public:
  ObjectRef() = default;
  ObjectRef(const ObjectRef&) = delete;
  ObjectRef& operator=(const ObjectRef&) = delete;
  ~ObjectRef() { Reset(nullptr); }
  T* get() const { return object_; }
  // Takes over a reference the caller holds; null holds none.
  void Reset(T* object) {
    if (object_) g_object_unref(object_);
    object_ = object;
  }

 private:
  T* object_ = nullptr;
};

struct TLabel::Native {
  ObjectRef<PangoLayout> layout;  // the caption in the label's font
};

struct TImage::Native {
  ObjectRef<GdkPixbuf> picture;  // a reference of the image's own
};

// Shows pixbuf in the image (a reference of its own: pictures may be shared).
void SetPicture(TImage& image, GdkPixbuf* pixbuf);

struct TWinControl::Native {
  // The control's widgets from now on. When the toolkit destroys outer
  // (with the window, or on its own), every reference here is cleared.
  void Hold(GtkWidget* outer, GtkWidget* inner);

  GtkWidget* widget = nullptr;  // outer: an event box, or the control's own window
  GtkWidget* inner = nullptr;   // the toolkit's control inside the event box
  gulong toggled_id = 0;        // check box and radio button: the toolkit's "toggled"
};

// Puts inner into an event box (a window of its own: the canvas's drawing is
// clipped by it) at the control's place on its form, with the control's hint
// and cursor.
void PutInEventBox(TWinControl& control, GtkWidget* inner);

// ---- the form

struct TForm::Native {
  explicit Native(TForm& form);
  Native(const Native&) = delete;
  Native& operator=(const Native&) = delete;
  // The window and what the form made for it; the form's destructor calls it.
  void DestroyWidgets();

  void Show();
  void Hide();
  // Screen position the window is shown at (the description's Left/Top).
  void LoadPosition(int left, int top);
  // Marks a client rectangle for a later paint by the loop.
  void InvalidateRect(const TRect& r);
  // One paint of the region: OnPaint, clipped to the region less the opaque
  // labels, then the labels and pictures in their stacking order. An
  // exception from OnPaint is raised again once the paint is done.
  void PaintRegion(GdkRegion* region);
  // Hides the window, runs OnDestroy, frees the components.
  void DestroyWindow();
  // Hidden member of the form's radio group: active when no button is.
  GtkWidget* RadioAnchor();
  // A modal box has gone: activates the window once the loop is back, if
  // the focus came to it while the box was open (no focus-in will come).
  void BoxClosed();

  TForm& form;
  GtkWidget* window = nullptr;  // the toplevel
  GtkWidget* canvas = nullptr;  // the client area: a GtkFixed with a window of its own
  // Drawing state shared by the form's labels and pictures: a GC whose clip
  // the paint sets per control (never the canvas's pen and brush), and the
  // text context (no antialiasing).
  GdkGC* gc = nullptr;
  PangoContext* text = nullptr;
  GtkWidget* radio_anchor = nullptr;
  bool hand_shown = false;
  bool has_position = false;
  int left = 0, top = 0;
  bool window_destroyed = false;
  gulong destroyed_id = 0;             // the handler of the window's destruction
  TGraphicControl* pressed = nullptr;  // where a left press began, if it may click
  // A size imposed on a fixed-size window that was asked back, once.
  bool size_asked_back = false;
  int imposed_width = 0, imposed_height = 0;
  bool size_check_pending = false;  // a look at the size is due once the loop is idle
};

inline GtkWidget* WindowOf(const TForm& f) { return f.native().window; }
inline GtkWidget* CanvasOf(const TForm& f) { return f.native().canvas; }
inline GtkWidget* WidgetOf(const TWinControl& c) { return c.native().widget; }

// ---- the application

// Every toolkit callback enters through this: runs fn, reports an exception
// that leaves it (the error box, or the diagnostic output without an
// application).
void Dispatch(const std::function<void()>& fn);

// Ends the process at once with code, the exit hook run first (the record
// file). Every way out that does not return through Run ends here.
[[noreturn]] void ExitNow(int code);

// Gives the keyboard focus back to the innermost open box, when a window
// manager has handed it to a window behind it.
void FocusBox();
// Puts the innermost open box on top again, when a window behind it has
// been raised over it.
void RaiseBox();

// Presents the window with the time of the event that caused it, or else
// the X server's: a window manager takes a present without a time for a
// fault (and may refuse it the focus).
void Present(GtkWidget* window);

// ---- the X level beneath the toolkit (framework/x11.cpp)

// Installs the X error handlers and follows our windows that other clients
// destroy: errors that follow from such a destruction on our own resources
// are ignored until the loop has handled it; any other error ends the
// program with 1, the exit hook run. InitFramework calls it.
void WatchX();

// A key held down as the focus comes to this toplevel from another of our
// windows (the Return that answered a box, which has gone) does not act in
// it: its repeats and its release are dropped. Keys pressed here, or in
// another program, are untouched.
void IgnoreKeysHeldFromElsewhere(GdkWindow* toplevel);

// ---- helpers shared by the form and its controls

// Face names of the descriptions mapped to faces this desktop has.
std::string SubstituteFace(const std::string& name);
// The font's face, size and weight; the caller frees it
// (pango_font_description_free).
PangoFontDescription* NewFontDescription(const TFont& font);
// The same on a widget.
void ApplyFont(GtkWidget* widget, const TFont& font);
// "&" marks the accelerator; a literal "_" must not become one.
std::string MnemonicText(const std::string& caption);
// The toolkit's colour for c, system colours resolved.
GdkColor ToGdkColor(TColor c);
// The hand, shared by every window that shows it.
GdkCursor* HandCursor();
// The control's hint as the tooltip of tip_on, and its cursor on the
// windows of the widgets once they are realized.
void SetHintAndCursor(const TControl& control, GtkWidget* tip_on,
                      std::initializer_list<GtkWidget*> cursor_on);

}  // namespace fw
