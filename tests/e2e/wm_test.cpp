// The real program under window managers, each on the test's own X server.
// Under openbox: the window is activated when it becomes the active window,
// and only then; the window manager's grabs (a drag of the title bar,
// Alt+Tab, its key bindings) are no activation. An activation selects START,
// which the tests see on the run controls after STOP. Under fluxbox and
// icewm, and with none: the window keeps its fixed size. Under icewm,
// fluxbox and openbox: after a refused fullscreen or maximize the window is
// where it was, in its frame. Under icewm: a click on the window behind the
// quit question activates nothing. Under twm, with none and under openbox:
// a raise of the window leaves its open box above it. Under metacity: no
// window is presented without a time.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

class UnderOpenbox : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(wm_.ready()) << wm_.Diagnosis();
    p_ = StartUnder(wm_, 10);
    ASSERT_NE(p_->window(), 0u) << p_->Stderr() << wm_.Diagnosis();
    p_->Click(at::kStop);  // an activation would select START again
    ASSERT_TRUE(p_->WaitForSelection("STOP", 30));
  }

  void TearDown() override {
    if (p_) {
      EXPECT_TRUE(p_->Running());
      EXPECT_EQ(Complaints(p_->Stderr()), "");
    }
    p_.reset();
  }

  // Whether an activation came: once a repaint shows, the events before it
  // have been handled, and an activation among them has selected START.
  std::optional<std::string> SelectionNow() {
    EXPECT_TRUE(p_->Repaints(20)) << "the repaint shows";
    return RunSelection(p_->Snapshot());
  }
  // An activation selects START: the simulation runs again.
  bool ActivatedAgain() {
    if (!p_->WaitForSelection("START", 30)) return false;
    const auto now = p_->Clock();
    return now && p_->WaitForClock(*now + 2, 30);
  }

  // Whether another client holds the keyboard, as the window manager does
  // while its menu is open. (Asking by a grab of our own is one such grab too,
  // a short one, that the program must take as no activation either.)
  bool KeyboardHeld() {
    Display* d = Dpy();
    const int r = XGrabKeyboard(d, wm_.other(), False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (r == GrabSuccess) XUngrabKeyboard(d, CurrentTime);
    XSync(d, False);
    return r == AlreadyGrabbed;
  }

  WindowManager wm_{"openbox"};
  std::unique_ptr<Program> p_;
};

TEST_F(UnderOpenbox, ClickingAnotherWindowAndBackActivatesOnceAtTheReturn) {
  e2e::Run({"xdotool", "mousemove", "--window", std::to_string(wm_.other()), "150", "100",
            "click", "1"});
  ASSERT_TRUE(WaitFor([&] { return Active() == wm_.other(); }, 20));
  EXPECT_EQ(SelectionNow(), "STOP") << "no activation on leaving";
  p_->Click(300, 200);  // the canvas: back to the program
  EXPECT_TRUE(ActivatedAgain()) << "an activation at the return selects START";
}

TEST_F(UnderOpenbox, DraggingTheTitleBarIsNoActivation) {
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
  EXPECT_EQ(SelectionNow(), "STOP");
}

TEST_F(UnderOpenbox, AltTabAwayAndBackActivatesOnceAtTheReturn) {
  p_->MoveTo(300, 200);
  p_->Key("alt+Tab");
  ASSERT_TRUE(WaitFor([&] { return Active() == wm_.other(); }, 20));
  EXPECT_EQ(SelectionNow(), "STOP") << "no activation on leaving";
  p_->Key("alt+Tab");
  ASSERT_TRUE(WaitFor([&] { return Active() != wm_.other(); }, 20));
  EXPECT_TRUE(ActivatedAgain()) << "an activation at the return selects START";
}

TEST_F(UnderOpenbox, AWindowManagerShortcutIsNoActivation) {
  p_->MoveTo(300, 200);
  p_->Key("alt+space");  // the window menu
  ASSERT_TRUE(WaitFor([&] { return KeyboardHeld(); }, 20)) << "the menu opened";
  p_->Key("Escape");
  ASSERT_TRUE(WaitFor([&] { return !KeyboardHeld(); }, 20)) << "the menu closed";
  EXPECT_EQ(SelectionNow(), "STOP");
}

// ---- a fixed size, whatever is asked of the window

// A state added to the window, as a task bar or wmctrl asks for it.
void AskState(Window w, const char* first, const char* second) {
  Display* d = Dpy();
  const auto atom = [d](const char* name) {
    return name ? static_cast<long>(XInternAtom(d, name, False)) : 0L;
  };
  SendClientMessage(DefaultRootWindow(d), w, "_NET_WM_STATE",
                    {1 /* add */, atom(first), atom(second), 1 /* from an application */},
                    SubstructureRedirectMask | SubstructureNotifyMask);
}

// A maximize, as fluxbox's window menu or a task bar asks for it.
void AskMaximize(Window w) {
  AskState(w, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
}

void AskFullscreen(Window w) { AskState(w, "_NET_WM_STATE_FULLSCREEN", nullptr); }

// icewm's own key for fullscreen, to the window once it has the focus.
void PressFullscreenKey(Window w) {
  WaitFor([w] { return Active() == w; }, 20);
  e2e::Run({"xdotool", "key", "alt+F11"});
}

// Another client's request for a new size.
void AskResize(Window w) {
  XResizeWindow(Dpy(), w, 900, 700);
  XFlush(Dpy());
}

struct Imposition {
  const char* name;
  const char* wm;
  void (*ask)(Window);
};

void PrintTo(const Imposition& i, std::ostream* os) { *os << i.name; }

// fluxbox and icewm honour a resize request, and fluxbox a maximize too
// (icewm heeds the hints there); without a window manager the X server
// itself carries out the request.
const Imposition kImpositions[] = {
    {"ResizeWithoutAWindowManager", "", AskResize},
    {"MaximizeUnderFluxbox", "fluxbox", AskMaximize},
    {"ResizeUnderFluxbox", "fluxbox", AskResize},
    {"ResizeUnderIcewm", "icewm", AskResize},
};

class FixedSize : public ::testing::TestWithParam<Imposition> {};

// The size comes back: a size other than 682 x 451 was seen, and then the
// window has its own again.
TEST_P(FixedSize, TheWindowTakesItsSizeBack) {
  WindowManager wm(GetParam().wm);
  ASSERT_TRUE(wm.ready()) << wm.Diagnosis();
  auto p = StartUnder(wm, 1);
  ASSERT_NE(p->window(), 0u) << p->Stderr() << wm.Diagnosis();
  Display* d = Dpy();
  const Window w = p->window();
  XSelectInput(d, w, StructureNotifyMask);
  XWindowAttributes a{};
  ASSERT_TRUE(XGetWindowAttributes(d, w, &a));
  ASSERT_EQ(a.width, 682);
  ASSERT_EQ(a.height, 451);
  GetParam().ask(w);
  bool imposed = false;
  const auto size_back = [&] {
    XEvent e;
    while (XCheckTypedWindowEvent(d, w, ConfigureNotify, &e))
      if (e.xconfigure.width != 682 || e.xconfigure.height != 451) imposed = true;
    return imposed && XGetWindowAttributes(d, w, &a) && a.width == 682 && a.height == 451;
  };
  EXPECT_TRUE(WaitFor(size_back, 30)) << (imposed ? "imposed: " : "never imposed: ") << a.width
                                      << " x " << a.height;
  XSelectInput(d, w, NoEventMask);
  EXPECT_TRUE(p->Running());
  EXPECT_EQ(Complaints(p->Stderr()), "");
}

INSTANTIATE_TEST_SUITE_P(Wm, FixedSize, ::testing::ValuesIn(kImpositions),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- a refused state: the window stays where it was

// Whether the window has one of the states now.
bool HasState(Window w, std::initializer_list<const char*> states) {
  Display* d = Dpy();
  Atom type;
  int format;
  unsigned long n = 0, after;
  unsigned char* data = nullptr;
  bool in = false;
  if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_STATE", False), 0, 64, False, XA_ATOM,
                         &type, &format, &n, &after, &data) == Success &&
      data && format == 32) {
    const Atom* atoms = reinterpret_cast<const Atom*>(data);
    for (const char* name : states)
      in = in || std::find(atoms, atoms + n, XInternAtom(d, name, False)) != atoms + n;
  }
  if (data) XFree(data);
  return in;
}

bool InState(Window w) {
  return HasState(w, {"_NET_WM_STATE_FULLSCREEN", "_NET_WM_STATE_MAXIMIZED_VERT",
                      "_NET_WM_STATE_MAXIMIZED_HORZ"});
}

// Each of these window managers takes the request (a state, a new size or
// place) and the program refuses it. icewm takes a resize request that
// comes while the window is fullscreen for the place to bring it back to.
const Imposition kRefusals[] = {
    {"FullscreenUnderIcewm", "icewm", AskFullscreen},
    {"IcewmsFullscreenKey", "icewm", PressFullscreenKey},
    {"FullscreenUnderFluxbox", "fluxbox", AskFullscreen},
    {"MaximizeUnderFluxbox", "fluxbox", AskMaximize},
    {"FullscreenUnderOpenbox", "openbox", AskFullscreen},
};

class RefusedState : public ::testing::TestWithParam<Imposition> {};

// Once the window manager has taken the request, the window comes back to
// its size and to where it was, inside its frame.
TEST_P(RefusedState, TheWindowComesBackWhereItWasInItsFrame) {
  WindowManager wm(GetParam().wm);
  ASSERT_TRUE(wm.ready()) << wm.Diagnosis();
  auto p = StartUnder(wm, 1);
  ASSERT_NE(p->window(), 0u) << p->Stderr() << wm.Diagnosis();
  const Window w = p->window();
  ASSERT_TRUE(WaitFor([&] { return Framed(w); }, 20)) << "the window framed" << wm.Diagnosis();
  ASSERT_TRUE(p->Repaints(20)) << "the window settled and painted";
  int x0, y0;
  WindowOrigin(w, &x0, &y0);
  Display* d = Dpy();
  XSelectInput(d, w, StructureNotifyMask);
  XSync(d, False);
  GetParam().ask(w);
  bool taken = false, in_state = false;
  int x = x0, y = y0, width = 0, height = 0;
  const auto back = [&] {
    XEvent e;
    while (XCheckTypedWindowEvent(d, w, ConfigureNotify, &e))
      taken = taken || e.xconfigure.width != 682 || e.xconfigure.height != 451 ||
              (e.xconfigure.send_event && (e.xconfigure.x != x0 || e.xconfigure.y != y0));
    in_state = InState(w);
    WindowOrigin(w, &x, &y, &width, &height);
    taken = taken || in_state || x != x0 || y != y0;
    return taken && !in_state && width == 682 && height == 451 && x == x0 && y == y0 &&
           Framed(w);
  };
  EXPECT_TRUE(WaitFor(back, 30))
      << (taken ? "" : "the window manager never took the request; ") << "at " << x << "," << y
      << " (was " << x0 << "," << y0 << "), " << width << " x " << height
      << (Framed(w) ? ", framed" : ", not framed") << (in_state ? ", in the state" : "")
      << wm.Diagnosis();
  XSelectInput(d, w, NoEventMask);
  EXPECT_TRUE(p->Running());
  EXPECT_EQ(Complaints(p->Stderr()), "");
}

INSTANTIATE_TEST_SUITE_P(Wm, RefusedState, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- a modal box in front

// icewm gives the input focus to the main window when it is clicked while
// the quit question is open. The box's loop activates nothing: the focus
// goes back to the box, which stays in front, and STOP stays selected; the
// window is activated when the box has gone.
TEST(UnderIcewm, AClickBehindTheQuitQuestionActivatesNothing) {
  WindowManager wm("icewm");
  ASSERT_TRUE(wm.ready()) << wm.Diagnosis();
  auto p = StartUnder(wm, 10);
  ASSERT_NE(p->window(), 0u) << p->Stderr() << wm.Diagnosis();
  p->Click(at::kStop);
  ASSERT_TRUE(p->WaitForSelection("STOP", 30));
  p->Click(at::kEnde);
  const auto box = p->WaitBox(20);
  ASSERT_TRUE(box) << "the quit question";
  ASSERT_TRUE(WaitFor([&] { return Active() == *box; }, 20)) << "the box has the focus";

  // Every change of the active window from here on.
  Display* d = Dpy();
  const Atom active = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
  XSelectInput(d, DefaultRootWindow(d), PropertyChangeMask);
  XSync(d, False);
  int changes = 0;
  const auto count = [&] {
    XEvent e;
    while (XCheckTypedWindowEvent(d, DefaultRootWindow(d), PropertyNotify, &e))
      changes += e.xproperty.atom == active;
  };
  p->Click(30, 430);  // the meadow, beside the box
  // icewm makes the main window active; the program hands the focus back.
  EXPECT_TRUE(WaitFor(
      [&] {
        count();
        return changes >= 2 && Active() == *box;
      },
      20))
      << changes << " changes; active 0x" << std::hex << Active();
  XSelectInput(d, DefaultRootWindow(d), NoEventMask);
  const auto stacking = RootWindowsProperty("_NET_CLIENT_LIST_STACKING");
  ASSERT_FALSE(stacking.empty());
  EXPECT_EQ(stacking.back(), *box) << "the box in front";
  EXPECT_EQ(RunSelection(p->Snapshot()), "STOP") << "no activation while the box is open";

  KeyToWindow(*box, "Escape");  // Cancel
  ASSERT_TRUE(WaitFor([&] { return !FindBox(p->pid(), p->window()); }, 20));
  EXPECT_TRUE(p->WaitForSelection("START", 30)) << "activated when the box has gone";
  EXPECT_TRUE(p->Running());
  EXPECT_EQ(Complaints(p->Stderr()), "");
}

// ---- presented with a time

// metacity takes a present without a time (0) for a client's fault, and
// says so on its output. The program's start, the quit question and its
// Cancel present their windows with the event's or the X server's time.
TEST(UnderMetacity, EveryPresentHasATime) {
  WindowManager wm("metacity");
  ASSERT_TRUE(wm.ready()) << wm.Diagnosis() << wm.Output();
  auto p = StartUnder(wm, 10);
  ASSERT_NE(p->window(), 0u) << p->Stderr() << wm.Diagnosis();
  ASSERT_TRUE(WaitFor([&] { return Active() == p->window(); }, 20)) << "the window active";
  p->Click(at::kEnde);
  const auto box = p->WaitBox(20);
  ASSERT_TRUE(box) << "the quit question" << wm.Diagnosis();
  ASSERT_TRUE(WaitFor([&] { return Active() == *box; }, 20)) << "the box active";
  KeyToWindow(*box, "Escape");  // Cancel
  ASSERT_TRUE(WaitFor([&] { return !FindBox(p->pid(), p->window()); }, 20)) << "the box answered";
  ASSERT_TRUE(WaitFor([&] { return Active() == p->window(); }, 20)) << "the window active again";
  // The program presented its window before the box went. Once metacity
  // has carried out a later request, it has read them all.
  AskState(wm.other(), "_NET_WM_STATE_ABOVE", nullptr);
  ASSERT_TRUE(WaitFor([&] { return HasState(wm.other(), {"_NET_WM_STATE_ABOVE"}); }, 20))
      << "the other window above";
  const std::string output = wm.Output();
  EXPECT_EQ(output.find("timestamp of 0"), std::string::npos) << output;
  EXPECT_TRUE(p->Running());
  EXPECT_EQ(Complaints(p->Stderr()), "");
}

// ---- the box above its window

// The window's frame (the window itself without a window manager): its
// ancestor among the root's children.
Window FrameOf(Window w) {
  Display* d = Dpy();
  for (;;) {
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, w, &root, &parent, &kids, &n)) return 0;
    if (kids) XFree(kids);
    if (parent == root) return w;
    w = parent;
  }
}

// The frame's place among the root's children, bottom first; -1 if gone.
int StackingPlace(Window frame) {
  Display* d = Dpy();
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  int place = -1;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n))
    for (unsigned i = 0; i < n; ++i)
      if (kids[i] == frame) place = static_cast<int>(i);
  if (kids) XFree(kids);
  return place;
}

class BoxAbove : public ::testing::TestWithParam<const char*> {};

// twm keeps no box above its window: a raise of the main window (another
// client's, or twm's own) hides the quit question and leaves a window that
// takes no clicks. The box comes above again, and still answers.
TEST_P(BoxAbove, ARaiseOfTheWindowLeavesTheQuitQuestionAbove) {
  WindowManager wm(GetParam());
  ASSERT_TRUE(wm.ready()) << wm.Diagnosis();
  auto p = StartUnder(wm, 10);
  ASSERT_NE(p->window(), 0u) << p->Stderr() << wm.Diagnosis();
  p->Click(at::kEnde);
  const auto box = p->WaitBox(20);
  ASSERT_TRUE(box) << "the quit question" << wm.Diagnosis();
  const Window main_frame = FrameOf(p->window());
  Window box_frame = 0;
  const auto above = [&] {
    box_frame = FrameOf(*box);
    return box_frame && StackingPlace(box_frame) > StackingPlace(main_frame);
  };
  ASSERT_TRUE(WaitFor(above, 20)) << "the box above its window at first" << wm.Diagnosis();

  // Another program's window over both first, so that the raise moves the
  // window for every window manager (openbox keeps a box above its window
  // and would have nothing to do).
  Display* d = Dpy();
  const Window root = DefaultRootWindow(d);
  if (wm.other()) {
    XRaiseWindow(d, wm.other());
    XFlush(d);
    ASSERT_TRUE(WaitFor(
        [&] { return StackingPlace(FrameOf(wm.other())) > StackingPlace(FrameOf(*box)); }, 20))
        << "the other window on top" << wm.Diagnosis();
  }
  // Each restacking among the root's children from here on.
  XSelectInput(d, root, SubstructureNotifyMask);
  XSync(d, False);
  XRaiseWindow(d, p->window());
  XFlush(d);
  bool raised = false;
  EXPECT_TRUE(WaitFor(
      [&] {
        XEvent e;
        while (XCheckTypedWindowEvent(d, root, ConfigureNotify, &e))
          raised = raised || e.xconfigure.window == main_frame;
        return raised && above();
      },
      20))
      << (raised ? "the window stays over its box" : "the window was never raised")
      << wm.Diagnosis();
  XSelectInput(d, root, NoEventMask);

  KeyToWindow(*box, "Escape");  // Cancel
  EXPECT_TRUE(WaitFor([&] { return !FindBox(p->pid(), p->window()); }, 20)) << "the box answered";
  EXPECT_TRUE(p->Running());
  EXPECT_EQ(Complaints(p->Stderr()), "");
}

INSTANTIATE_TEST_SUITE_P(Wm, BoxAbove, ::testing::Values("twm", "", "openbox"),
                         [](const auto& info) {
                           return std::string(*info.param ? info.param : "none");
                         });

}  // namespace
}  // namespace e2e
