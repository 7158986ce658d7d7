// Reading the X server and the processes from outside, shared by the
// end-to-end tests and the benchmark: windows by title and owner, their
// pixels, a process's CPU time, and waiting for what is observed.
#pragma once

#include <sys/types.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace probe {

// The connection of this process; X errors on it (a window that went away
// between a query and its use) are ignored.
Display* Dpy();
// Puts the ignoring error handler back (after a toolkit put in its own).
void IgnoreXErrors();

double Now();  // seconds, real monotonic clock
void Sleep(double s);
// Polls `cond` every 20 ms until it holds or `timeout` seconds have passed.
template <class F>
bool WaitFor(F&& cond, double timeout) {
  const double end = Now() + timeout;
  for (;;) {
    if (cond()) return true;
    if (Now() > end) return false;
    Sleep(0.02);
  }
}

std::string ReadFile(const std::string& path);
// CPU time of all of pid's threads, in seconds; -1 if it cannot be read.
double CpuSeconds(pid_t pid);

// The first mapped top-level window that take accepts. Under a window
// manager the programs' windows sit inside its frames, a few levels down.
std::optional<Window> FirstTopLevel(const std::function<bool(Window, const XWindowAttributes&)>& take);
// A mapped top-level window whose title is `title` (prefix match if `prefix`).
// pid 0 accepts any owner.
std::optional<Window> FindWindow(const std::string& title, bool prefix, pid_t pid);
std::string TitleOf(Window w);
pid_t WindowPid(Window w);  // _NET_WM_PID, 0 if none
// Client-area coordinates of a window's top-left corner on the root.
void WindowOrigin(Window w, int* x, int* y, int* wd = nullptr, int* ht = nullptr);
// A rectangle of a window as 0xRRGGBB values, row-major; empty if unreadable.
std::vector<uint32_t> Pixels(Window w, int x, int y, int wd, int ht);
// The same on another X server's connection.
std::vector<uint32_t> Pixels(Display* d, Window w, int x, int y, int wd, int ht);

}  // namespace probe
