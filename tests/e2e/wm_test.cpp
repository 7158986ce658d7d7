// The real program under a window manager (openbox on the test's own X
// server): the window is activated when it becomes the active window, and
// only then; the window manager's grabs (a drag of the title bar, Alt+Tab,
// its key bindings) are no activation. An activation selects START and puts
// the outside temperature's up-down back to 10, which the tests see: a
// stopped clock runs again, and one step up from 7 shows 11 instead of 8.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// The outside temperature's readout and arrows.
constexpr int kOutsideX = 200, kOutsideY = 320, kOutsideW = 26, kOutsideH = 24;
constexpr Pt kOutsideUp{264, 326}, kOutsideDown{264, 338};

std::vector<std::string> Temperatures() {
  std::vector<std::string> v;
  for (int i = -20; i <= 36; ++i) v.push_back(std::to_string(i));
  return v;
}

// A window that a property of the root names, as window managers announce
// themselves and the active window; 0 when there is none.
Window RootWindowProperty(const char* name) {
  Display* d = Dpy();
  Atom type;
  int format;
  unsigned long n = 0, after;
  unsigned char* data = nullptr;
  Window w = 0;
  if (XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, name, False), 0, 1, False,
                         XA_WINDOW, &type, &format, &n, &after, &data) == Success &&
      n == 1)
    w = *reinterpret_cast<Window*>(data);
  if (data) XFree(data);
  return w;
}

// Running, and taking the windows in: it has announced itself and redirects
// the root's map requests to itself (a window mapped before that is never
// framed).
bool WindowManagerRunning() {
  XWindowAttributes root{};
  XGetWindowAttributes(Dpy(), DefaultRootWindow(Dpy()), &root);
  return RootWindowProperty("_NET_SUPPORTING_WM_CHECK") != 0 &&
         (root.all_event_masks & SubstructureRedirectMask);
}

class UnderWindowManager : public ::testing::Test {
 protected:
  void SetUp() override {
    wm_ = fork();
    if (wm_ == 0) {
      // Its notices (no menu file of the desktop's) are not the program's.
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 2);
      execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_TRUE(WaitFor(WindowManagerRunning, 30)) << "openbox did not start";
    // Another program's window to go to and come back from.
    Display* d = Dpy();
    other_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 700, 300, 200, 0, 0, 0xFFFFFF);
    XStoreName(d, other_, "other");
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = True;
    XSetWMHints(d, other_, &hints);
    XSizeHints place{};
    place.flags = USPosition;  // below the program's window, not under it
    place.x = 0;
    place.y = 700;
    XSetWMNormalHints(d, other_, &place);
    // The window manager is ready once it has framed and shown that window. A
    // map request that comes while it is still starting may go unanswered
    // (seen on a busy machine): ask again until it is taken in.
    const double end = Now() + 60;
    while (!Framed(other_) && Now() < end) {
      XUnmapWindow(d, other_);
      XMapWindow(d, other_);
      XSync(d, False);
      WaitFor([&] { return Framed(other_); }, 3);
    }
    ASSERT_TRUE(Framed(other_)) << Diagnosis();

    Options o = Speed(10);
    o.move_to_origin = false;  // the window manager places it
    p_ = std::make_unique<Program>(o);
    ASSERT_NE(p_->window(), 0u) << p_->Stderr() << Diagnosis();
    // Outside temperature 10 -> 7, then STOP: an activation would show.
    // (At ten times the speed a busy machine may let the arrow's repeat add
    // a step: what counts is what the readout shows.)
    p_->Click(kOutsideDown.x, kOutsideDown.y, 3);
    ASSERT_TRUE(WaitUnchanged([&] { return Outside(); }, 1.0, 30));
    ASSERT_TRUE(Outside());
    outside_ = std::stoi(*Outside());
    ASSERT_LT(outside_, 10);
    p_->Click(at::kStop);
    ASSERT_TRUE(Stands()) << "STOP";
  }

  void TearDown() override {
    if (p_) {
      EXPECT_TRUE(p_->Running());
      EXPECT_EQ(Complaints(p_->Stderr()), "");
    }
    p_.reset();
    if (other_) XDestroyWindow(Dpy(), other_);
    XSync(Dpy(), False);
    if (wm_ > 0) {
      kill(wm_, SIGTERM);
      waitpid(wm_, nullptr, 0);
    }
  }

  std::optional<std::string> Outside() {
    return ShownText(p_->Snapshot(), kOutsideX, kOutsideY, kOutsideW, kOutsideH, Temperatures());
  }
  // The simulated clock stands (STOP selected) or runs (START selected).
  bool Stands() { return WaitUnchanged([&] { return p_->Clock(); }, 1.5, 30); }
  bool Runs() {
    const auto now = p_->Clock();
    return now && p_->WaitForClock(*now + 2, 30);
  }
  // One step up: from the value set (7) if no activation came in between,
  // else from 10, to 11.
  std::optional<std::string> StepUp() {
    p_->Click(kOutsideUp);
    std::optional<std::string> shown;
    WaitFor([&] { return (shown = Outside()) && *shown != std::to_string(outside_); }, 20);
    return shown;
  }
  std::string NoActivation() const { return std::to_string(outside_ + 1); }
  // The window manager's focus, the active window it announces.
  static Window Active() { return RootWindowProperty("_NET_ACTIVE_WINDOW"); }

  // Mapped, inside a frame of the window manager's.
  static bool Framed(Window w) {
    Display* d = Dpy();
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, w, &root, &parent, &kids, &n)) return false;
    if (kids) XFree(kids);
    XWindowAttributes a{};
    return parent != root && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
  }

  // What the X server holds and whether the window manager still runs.
  std::string Diagnosis() {
    std::string tree;
    e2e::Run({"xwininfo", "-root", "-tree"}, &tree);
    int status = 0;
    const bool alive = wm_ > 0 && waitpid(wm_, &status, WNOHANG) == 0;
    return std::string("\nwindow manager ") + (alive ? "running" : "gone") + "; windows:\n" + tree;
  }

  // Whether another client holds the keyboard, as the window manager does
  // while its menu is open. (Asking by a grab of our own is one such grab too,
  // a short one, that the program must take as no activation either.)
  bool KeyboardHeld() {
    Display* d = Dpy();
    const int r = XGrabKeyboard(d, other_, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (r == GrabSuccess) XUngrabKeyboard(d, CurrentTime);
    XSync(d, False);
    return r == AlreadyGrabbed;
  }

  int outside_ = 0;  // the outside temperature set
  pid_t wm_ = -1;
  Window other_ = 0;
  std::unique_ptr<Program> p_;
};

TEST_F(UnderWindowManager, ClickingAnotherWindowAndBackActivatesOnceAtTheReturn) {
  e2e::Run({"xdotool", "mousemove", "--window", std::to_string(other_), "150", "100", "click", "1"});
  ASSERT_TRUE(WaitFor([&] { return Active() == other_; }, 20));
  EXPECT_TRUE(Stands()) << "no activation on leaving";
  p_->Click(300, 200);  // the canvas: back to the program
  EXPECT_TRUE(Runs()) << "an activation at the return selects START";
  EXPECT_EQ(StepUp().value_or("nothing"), "11");
}

TEST_F(UnderWindowManager, DraggingTheTitleBarIsNoActivation) {
  int x0, y0, x1, y1;
  WindowOrigin(p_->window(), &x0, &y0);
  const auto moved = [&] {
    WindowOrigin(p_->window(), &x1, &y1);
    return x1 != x0 || y1 != y0;
  };
  // Press on the title bar above the client area, then move the pointer a
  // little at a time until the window follows, and let go.
  const std::string x = std::to_string(x0 + 300), y = std::to_string(y0 - 8);
  e2e::Run({"xdotool", "mousemove", x, y, "mousedown", "1"});
  for (int i = 1; i <= 100 && !moved(); ++i)
    e2e::Run({"xdotool", "mousemove", std::to_string(x0 + 300 - 2 * i), std::to_string(y0 - 8 + i)});
  e2e::Run({"xdotool", "mouseup", "1"});
  ASSERT_TRUE(moved()) << "the window was dragged";
  EXPECT_TRUE(Stands());
  EXPECT_EQ(StepUp().value_or("nothing"), NoActivation());
}

TEST_F(UnderWindowManager, AltTabAwayAndBackActivatesOnceAtTheReturn) {
  p_->MoveTo(300, 200);
  p_->Key("alt+Tab");
  ASSERT_TRUE(WaitFor([&] { return Active() == other_; }, 20));
  EXPECT_TRUE(Stands()) << "no activation on leaving";
  p_->Key("alt+Tab");
  ASSERT_TRUE(WaitFor([&] { return Active() != other_; }, 20));
  EXPECT_TRUE(Runs()) << "an activation at the return selects START";
  EXPECT_EQ(StepUp().value_or("nothing"), "11");
}

TEST_F(UnderWindowManager, AWindowManagerShortcutIsNoActivation) {
  p_->MoveTo(300, 200);
  p_->Key("alt+space");  // the window menu
  ASSERT_TRUE(WaitFor([&] { return KeyboardHeld(); }, 20)) << "the menu opened";
  p_->Key("Escape");
  ASSERT_TRUE(WaitFor([&] { return !KeyboardHeld(); }, 20)) << "the menu closed";
  EXPECT_TRUE(Stands());
  EXPECT_EQ(StepUp().value_or("nothing"), NoActivation());
}

}  // namespace
}  // namespace e2e
