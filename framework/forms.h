// Application object, forms built from stored descriptions, the named
// resource registry and the published-handler tables that stand in for
// reflection.
//
// A form class F publishes itself with a static `static const TFormClass&
// FormClass()` naming its class ("TForm1"), its component fields and its
// handler methods. The description reader creates each stored component,
// stores it in the field of the same name, and binds each stored event to the
// method of the stored name; anything unknown or malformed stops the start
// with a message naming the component and property (DescriptionError).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/canvas.h"
#include "framework/controls.h"
#include "framework/types.h"

typedef struct _GtkWidget GtkWidget;

namespace fw {

// ---- named resources ----
// Stores the joined pieces under (name, type). Registering twice replaces.
void RegisterResource(const std::string& name, const std::string& type,
                      std::initializer_list<std::string_view> pieces);
// Registers what is compiled into the program at path (a GResource path)
// under (name, type). False when nothing is compiled in there.
bool RegisterCompiledResource(const std::string& name, const std::string& type,
                              const std::string& path);
// Null when nothing is registered under (name, type).
const std::string* FindResource(const std::string& name, const std::string& type);

// A description that cannot be read: message names component and property.
class DescriptionError : public Exception {
 public:
  using Exception::Exception;
};

class TForm;

class TFormClass {
 public:
  explicit TFormClass(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

  template <class F, class C>
  TFormClass& Field(const std::string& name, C* F::*member) {
    fields_[name] = [member](TForm& f, TComponent* c) -> bool {
      C* typed = dynamic_cast<C*>(c);
      if (!typed) return false;
      static_cast<F&>(f).*member = typed;
      return true;
    };
    return *this;
  }
  template <class F>
  TFormClass& Method(const std::string& name, void (F::*m)(TObject*)) {
    notify_[name] = [m](TForm& f) -> TNotifyEvent {
      F* self = &static_cast<F&>(f);
      return [self, m](TObject* s) { (self->*m)(s); };
    };
    return *this;
  }
  template <class F>
  TFormClass& Method(const std::string& name, void (F::*m)(TObject*, TUDBtnType)) {
    updown_[name] = [m](TForm& f) -> TUDClickEvent {
      F* self = &static_cast<F&>(f);
      return [self, m](TObject* s, TUDBtnType b) { (self->*m)(s, b); };
    };
    return *this;
  }

  // Lookup used by the reader; null/empty when unknown.
  const std::function<bool(TForm&, TComponent*)>* FindField(const std::string& n) const;
  TNotifyEvent BindNotify(TForm& f, const std::string& method) const;
  TUDClickEvent BindUpDown(TForm& f, const std::string& method) const;
  bool HasNotify(const std::string& m) const { return notify_.count(m) != 0; }
  bool HasUpDown(const std::string& m) const { return updown_.count(m) != 0; }

 private:
  std::string name_;
  std::map<std::string, std::function<bool(TForm&, TComponent*)>> fields_;
  std::map<std::string, std::function<TNotifyEvent(TForm&)>> notify_;
  std::map<std::string, std::function<TUDClickEvent(TForm&)>> updown_;
};

enum class TBorderStyle { bsSizeable, bsDialog };

class TForm : public TComponent {
 public:
  explicit TForm(TForm* owner = nullptr);
  ~TForm() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& s);
  int ClientWidth() const { return client_width_; }
  int ClientHeight() const { return client_height_; }
  TCanvas* Canvas() { return &canvas_; }
  TBorderStyle BorderStyle = TBorderStyle::bsSizeable;
  bool ShowHint = false;
  TFont Font;

  TNotifyEvent OnCreate, OnActivate, OnPaint, OnDestroy;

  // Closes the window: the main form ends the application's loop after the
  // running handler returns.
  void Close();

  // Components in creation (= stacking) order; owned by the form.
  const std::vector<std::unique_ptr<TComponent>>& Components() const { return components_; }

  // ---- framework internals ----
  // Reads the description registered under cls.Name() / "FORMDATA", creates
  // components, binds events, starts enabled timers, runs OnCreate.
  void ReadDescription(const TFormClass& cls);
  bool ReadProperty(const PropertyReader& r, const std::string& key) override;
  void Show();
  void Hide();
  // Screen position the window is shown at (the description's Left/Top).
  void LoadPosition(int left, int top);
  int PositionLeft() const;
  int PositionTop() const;
  GtkWidget* Window() const { return window_; }
  GtkWidget* CanvasWidget() const { return canvas_widget_; }
  // Marks a client rectangle for a later paint by the loop.
  void InvalidateRect(const TRect& r);
  // Runs one paint of the given region (what the expose handler calls).
  void PaintRegion(struct _GdkRegion* region);
  void DestroyWindow();  // hides, runs OnDestroy, frees components
  // Drawing state shared by the form's labels and pictures: a GC whose clip
  // the paint sets per control, and the text context (no antialiasing).
  struct _GdkGC* ControlGC() const;
  struct _PangoContext* TextContext() const;
  // Hidden member of the form's radio group: active when no button is.
  GtkWidget* RadioAnchor();
  // A modal box has gone: activates the window once the loop is back, if
  // the focus came to it while the box was open (no focus-in will come).
  void BoxClosed();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::string caption_;
  int client_width_ = 0, client_height_ = 0;
  TCanvas canvas_;
  GtkWidget* window_ = nullptr;
  GtkWidget* canvas_widget_ = nullptr;
  std::vector<std::unique_ptr<TComponent>> components_;
  friend class TApplication;
  friend struct FormEvents;
};

// Flags and answers of TApplication::MessageBox.
namespace box {
inline constexpr int kOkCancel = 1;    // the buttons OK and Cancel
inline constexpr int kErrorIcon = 16;  // with an error icon
inline constexpr int kOk = 1;          // answers
inline constexpr int kCancel = 2;
}  // namespace box

class TApplication : public TObject {
 public:
  TApplication();
  ~TApplication() override;

  // Checks the widget set exists (InitFramework ran).
  void Initialize();

  // Allocates F, stores it in ref before constructing it (code run by the
  // construction may use ref), constructs it, and reads its description;
  // the first form created is the main form. The application owns the form
  // from its construction on. If the constructor throws, ref is null again
  // and nothing is kept; if the description cannot be read, the form stays
  // owned (and ref valid) until the forms are destroyed.
  template <class F>
  void CreateForm(F*& ref) {
    struct Memory {
      void* p = ::operator new(sizeof(F));
      ~Memory() { ::operator delete(p); }
    } memory;
    ref = static_cast<F*>(memory.p);
    F* form = nullptr;
    try {
      form = new (memory.p) F(nullptr);
    } catch (...) {
      ref = nullptr;
      throw;
    }
    memory.p = nullptr;  // the form's now, freed with it
    AdoptForm(std::unique_ptr<TForm>(form));
    form->ReadDescription(F::FormClass());
  }

  // Shows the main form and runs the loop until it closes. Then destroys the
  // main form (OnDestroy) and returns.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Runs pending events without blocking (tests).
  void ProcessMessages();

  // Modal box with the buttons the flags ask for (box::kOkCancel, with
  // box::kErrorIcon an error icon), Cancel the default. Returns box::kOk,
  // box::kCancel, or something else when closed otherwise. The event loop
  // runs inside it: timers fire, the window is painted.
  int MessageBox(const std::string& text, const std::string& caption, int flags);

  // Title of the application: the program file's name without directory
  // and extension unless set.
  std::string Title;

  // Called on every way out the framework sees (loop end, Cancel in the
  // error box, signals, lost display), before the process ends.
  void SetExitHook(std::function<void()> hook) { exit_hook_ = std::move(hook); }
  void RunExitHook();

  // Reports an exception that left a handler (error box; OK goes on, Cancel
  // ends the program with exit code 0). Called at every toolkit entry point.
  void HandleException(const std::exception& e);

  TForm* MainForm() const { return main_form_; }
  // A modal box (MessageBox, the error report) runs its own loop.
  bool InModalBox() const;
  // Gives the keyboard focus back to the innermost open box, when a window
  // manager has handed it to a window behind it.
  void FocusBox();

  // Frees every form; the next form created becomes the main form (tests).
  void DestroyForms();

 private:
  void AdoptForm(std::unique_ptr<TForm> form);
  enum class BoxDefault { kOk, kCancel };
  int ShowBox(const std::string& text, const std::string& caption, int flags,
              BoxDefault default_button);
  TForm* main_form_ = nullptr;
  std::vector<std::unique_ptr<TForm>> forms_;  // in creation order
  bool terminated_ = false;
  bool in_error_box_ = false;
  std::function<void()> exit_hook_;
};

extern TApplication* Application;

// The framework's units: gtk_init, the application object. Call first.
void InitFramework(int* argc, char*** argv);
// Frees the application object (and with it the forms).
void FinalizeFramework();

// Every toolkit callback enters through this: runs fn, reports exceptions.
void Dispatch(const std::function<void()>& fn);

// Ends the process at once with code, the exit hook run first (the record
// file). Every way out that does not return through Run ends here.
[[noreturn]] void ExitNow(int code);

// An X window of the program's own: X errors that name it after another
// client destroyed it are ignored (framework internal).
void RegisterOwnWindow(unsigned long xid);

}  // namespace fw
