// Application object, forms built from stored descriptions, and the
// published-handler tables that stand in for reflection.
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
#include <vector>

#include "framework/canvas.h"
#include "framework/controls.h"
#include "framework/resources.h"
#include "framework/types.h"

namespace fw {

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

  // Reads the description registered under cls.Name() / "FORMDATA", creates
  // components, binds events, starts enabled timers, runs OnCreate
  // (TApplication::CreateForm calls it).
  void ReadDescription(const TFormClass& cls);
  bool ReadProperty(const PropertyReader& r, const std::string& key) override;

  // The toolkit side: the window, its client area, the drawing state of the
  // labels and pictures, painting and activation (framework/native.h).
  struct Native;
  Native& native() const { return *native_; }

 private:
  // The steps of ReadDescription that need the form's own state.
  void ReadForm(const PropertyReader& r, const TFormClass& cls);
  void CreateComponent(const PropertyReader& r, const TFormClass& cls, const std::string& name);

  std::unique_ptr<Native> native_;
  std::string caption_;
  int client_width_ = 0, client_height_ = 0;
  TCanvas canvas_;
  std::vector<std::unique_ptr<TComponent>> components_;
  friend struct Native;
};

// TApplication::MessageBox: the buttons and icon asked for, and the answer.
namespace box {
enum Flags : int {
  kOkCancel = 1,    // the buttons OK and Cancel
  kErrorIcon = 16,  // with an error icon
};
enum Answer : int {
  kNone = 0,  // no box could be shown, or its window went before an answer
  kOk = 1,
  kCancel = 2,  // also a box closed by the window manager
};
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
  // box::kErrorIcon an error icon), Cancel the default. Returns a
  // box::Answer: kOk, kCancel (also when the window manager closed it),
  // kNone when no box can be shown or another client destroyed its window.
  // The event loop runs inside it: timers fire, the window is painted.
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

// The framework's units: the window system's connection, the application
// object. Call first.
void InitFramework(int* argc, char*** argv);
// Frees the application object (and with it the forms).
void FinalizeFramework();

}  // namespace fw
