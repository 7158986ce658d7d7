// Application object, exception report and the ways out of the program
// (loop end, error box, signals; the X level's are in x11.cpp).
#include <execinfo.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <utility>
#include <vector>

#include "framework/clicks.h"
#include "framework/native.h"
#include "framework/toolkit.h"

namespace fw {

TApplication* Application = nullptr;

namespace {

// An exception's words on the diagnostic output, then the calls that led
// to the report.
void Log(const std::string& words) {
  std::fprintf(stderr, "TApplication.HandleException %s\n", words.c_str());
  void* frames[64];
  const int n = backtrace(frames, 64);
  backtrace_symbols_fd(frames, n, 2);
}

std::string DefaultTitle() {
  std::string name;
  if (const char* p = g_get_prgname()) name = p;
  if (name.empty()) {
    if (gchar* exe = g_file_read_link("/proc/self/exe", nullptr)) {
      name = exe;
      g_free(exe);
    }
  }
  if (auto slash = name.rfind('/'); slash != std::string::npos) name.erase(0, slash + 1);
  if (auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

// The modal boxes open now, the innermost last.
std::vector<GtkWidget*>& OpenBoxes() {
  static std::vector<GtkWidget*> boxes;
  return boxes;
}

// A termination signal ends the program like a close. Inside a modal box the
// main loop cannot be left (the box's own loop runs on until answered), and a
// logout follows up with SIGKILL, so then the program ends at once.
void OnTerminationSignal() {
  if (!Application) return;
  if (Application->InModalBox()) ExitNow(0);
  Application->Terminate();
}

}  // namespace

void Dispatch(const std::function<void()>& fn) {
  const auto report = [](const std::exception& e) {
    if (Application)
      Application->HandleException(e);
    else
      Log(e.what());
  };
  try {
    fn();
  } catch (const std::exception& e) {
    report(e);
  } catch (...) {
    report(Exception("unknown exception"));
  }
}

TApplication::TApplication() : Title(DefaultTitle()) {}

TApplication::~TApplication() { DestroyForms(); }

void TApplication::DestroyForms() {
  while (!forms_.empty()) forms_.pop_back();  // the last created first
  main_form_ = nullptr;
  terminated_ = false;
}

void TApplication::Initialize() {
  if (!gdk_display_get_default()) throw Exception("no display: InitFramework did not run");
}

void TApplication::AdoptForm(std::unique_ptr<TForm> form) {
  if (!main_form_) main_form_ = form.get();
  forms_.push_back(std::move(form));
}

void TApplication::Run() {
  if (!main_form_) return;
  if (!terminated_) {
    main_form_->native().Show();
    if (!terminated_) gtk_main();
  }
  main_form_->native().DestroyWindow();
  RunExitHook();
}

void TApplication::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  if (gtk_main_level() > 0) gtk_main_quit();
}

void TApplication::ProcessMessages() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, int flags) {
  return ShowBox(text, caption, flags, BoxDefault::kCancel);
}

int TApplication::ShowBox(const std::string& text, const std::string& caption, int flags,
                          BoxDefault default_button) {
  if (!gdk_display_get_default()) {
    std::fprintf(stderr, "WARNING: TApplication.MessageBox: no MessageBoxFunction\n%s\n%s\n%d\n",
                 caption.c_str(), text.c_str(), flags);
    return box::kNone;
  }
  GtkWidget* main_window = main_form_ ? WindowOf(*main_form_) : nullptr;
  GtkWindow* parent =
      main_window && gtk_widget_get_visible(main_window) ? GTK_WINDOW(main_window) : nullptr;
  GtkMessageType type = flags & box::kErrorIcon ? GTK_MESSAGE_ERROR : GTK_MESSAGE_OTHER;
  GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, GTK_BUTTONS_NONE, "%s",
                                          text.c_str());
  GtkWidget* ok = gtk_dialog_add_button(GTK_DIALOG(box), GTK_STOCK_OK, GTK_RESPONSE_OK);
  GtkWidget* cancel = gtk_dialog_add_button(GTK_DIALOG(box), GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL);
  // The default holds the focus: Return answers it.
  const bool ok_first = default_button == BoxDefault::kOk;
  gtk_dialog_set_default_response(GTK_DIALOG(box), ok_first ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL);
  gtk_widget_grab_focus(ok_first ? ok : cancel);
  gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
  // Held across the run: another client may destroy the box's window, and
  // the toolkit the box with it, before the run returns. Such a box is
  // answered with neither OK nor Cancel, and it is no longer open.
  g_object_ref(box);
  bool destroyed = false;
  toolkit::OnSignal(box, "destroy", [box, &destroyed] {
    destroyed = true;
    std::erase(OpenBoxes(), box);
  });
  toolkit::OnSignal(box, "realize", [box] { IgnoreKeysHeldFromElsewhere(box->window); },
                    toolkit::Order::kAfter);
  // Without a window manager nobody focuses the box; it takes the focus so
  // the main window sees it come back when the box goes.
  toolkit::OnEvent(box, "map-event", [box](GdkEvent*) {
    Present(box);
    return false;
  });
  OpenBoxes().push_back(box);
  const gint r = gtk_dialog_run(GTK_DIALOG(box));
  std::erase(OpenBoxes(), box);
  // No window manager hands the focus back: ask for it, so OnActivate comes.
  // Before the box goes, so the focus moves straight over instead of falling
  // back to the root (and the pointer) first.
  if (parent && gtk_widget_get_visible(main_window)) Present(main_window);
  if (!destroyed) gtk_widget_destroy(box);
  g_object_unref(box);
  if (parent && main_form_) main_form_->native().BoxClosed();
  switch (r) {
    case GTK_RESPONSE_OK: return box::kOk;
    case GTK_RESPONSE_CANCEL:
    case GTK_RESPONSE_DELETE_EVENT: return box::kCancel;
    default: return box::kNone;
  }
}

bool TApplication::InModalBox() const { return !OpenBoxes().empty(); }

void FocusBox() {
  if (!OpenBoxes().empty()) Present(OpenBoxes().back());
}

void RaiseBox() {
  if (!OpenBoxes().empty() && gtk_widget_get_realized(OpenBoxes().back()))
    gdk_window_raise(OpenBoxes().back()->window);
}

void TApplication::RunExitHook() {
  if (!exit_hook_) return;
  auto hook = std::move(exit_hook_);
  exit_hook_ = nullptr;  // once, whichever way out comes first
  hook();
}

void TApplication::HandleException(const std::exception& e) {
  std::string msg = e.what();
  Log(msg);
  // Keep the one box open; a second fault is only logged.
  if (in_error_box_) return;
  std::string text = msg;
  if (text.empty() || text.back() != '.') text += '.';
  text += "\r\rPress OK to ignore and risk data corruption.\rPress Cancel to kill the program.";
  in_error_box_ = true;
  // OK goes on: Return must not end the program and lose the pupil's notes.
  const int r = ShowBox(text, Title, box::kOkCancel | box::kErrorIcon, BoxDefault::kOk);
  in_error_box_ = false;
  if (r != box::kOk) ExitNow(0);
}

void ExitNow(int code) {
  if (Application) Application->RunExitHook();
  std::fflush(nullptr);
  _exit(code);
}

void InitFramework(int* argc, char*** argv) {
  gtk_init(argc, argv);
  // The toolkit's own double clicks (a check box, a text view) count as ours.
  GtkSettings* s = gtk_settings_get_default();
  g_object_set(s, "gtk-double-click-time", static_cast<gint>(ClickSeries::kTime),
               "gtk-double-click-distance", ClickSeries::kDistance, nullptr);
  WatchX();
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) toolkit::OnUnixSignal(sig, OnTerminationSignal);
  // A write to a pipe whose reader has gone (a FIFO as the record file, the X
  // connection), or past the file-size limit, must come back as an error
  // (EPIPE, EFBIG), not kill the program with its lines unwritten.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  if (!Application) Application = new TApplication;
}

void FinalizeFramework() {
  delete Application;
  Application = nullptr;
}

}  // namespace fw
