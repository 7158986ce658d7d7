// Reading the X server and the processes from outside (see probe.h).
#include "tests/probe/probe.h"

#include <X11/Xatom.h>
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace probe {

namespace {

int IgnoreXError(Display*, XErrorEvent*) {
  return 0;  // a window that went away between query and use
}

}  // namespace

void IgnoreXErrors() { XSetErrorHandler(IgnoreXError); }

std::string TitleOf(Window w) {
  char* name = nullptr;
  std::string s;
  if (XFetchName(Dpy(), w, &name) && name) {
    s = name;
    XFree(name);
  }
  return s;
}

pid_t WindowPid(Window w) {
  Atom pid_atom = XInternAtom(Dpy(), "_NET_WM_PID", False);
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char* data = nullptr;
  pid_t pid = 0;
  if (XGetWindowProperty(Dpy(), w, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format, &n,
                         &after, &data) == Success &&
      data) {
    if (n == 1 && format == 32) pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
    XFree(data);
  }
  return pid;
}

Display* Dpy() {
  static Display* d = [] {
    Display* x = XOpenDisplay(nullptr);
    if (!x) {
      std::fprintf(stderr, "cannot open display\n");
      std::abort();
    }
    IgnoreXErrors();
    return x;
  }();
  return d;
}

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Sleep(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

std::optional<Window> FirstTopLevel(const std::function<bool(Window, const XWindowAttributes&)>& take) {
  Display* d = Dpy();
  std::optional<Window> found;
  const auto search = [&](auto&& self, Window parent, int depth) -> void {
    Window root_ret, up;
    Window* kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, parent, &root_ret, &up, &kids, &n)) return;
    for (unsigned i = 0; i < n && !found; ++i) {
      XWindowAttributes a;
      if (!XGetWindowAttributes(d, kids[i], &a) || a.map_state != IsViewable) continue;
      if (take(kids[i], a))
        found = kids[i];
      else if (depth < 4)
        self(self, kids[i], depth + 1);
    }
    if (kids) XFree(kids);
  };
  search(search, DefaultRootWindow(d), 0);
  return found;
}

std::optional<Window> FindWindow(const std::string& title, bool prefix, pid_t pid) {
  return FirstTopLevel([&](Window w, const XWindowAttributes&) {
    const std::string t = TitleOf(w);
    const bool match = prefix ? t.rfind(title, 0) == 0 : t == title;
    return match && (pid == 0 || WindowPid(w) == pid);
  });
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void WindowOrigin(Window w, int* x, int* y, int* wd, int* ht) {
  Window child;
  XTranslateCoordinates(Dpy(), w, DefaultRootWindow(Dpy()), 0, 0, x, y, &child);
  if (wd || ht) {
    XWindowAttributes a{};
    XGetWindowAttributes(Dpy(), w, &a);
    if (wd) *wd = a.width;
    if (ht) *ht = a.height;
  }
}

std::vector<uint32_t> Pixels(Window w, int x, int y, int wd, int ht) {
  return Pixels(Dpy(), w, x, y, wd, ht);
}

std::vector<uint32_t> Pixels(Display* d, Window w, int x, int y, int wd, int ht) {
  std::vector<uint32_t> v;
  XImage* img = XGetImage(d, w, x, y, static_cast<unsigned>(wd), static_cast<unsigned>(ht),
                          AllPlanes, ZPixmap);
  if (!img) return v;
  v.reserve(static_cast<size_t>(wd) * static_cast<size_t>(ht));
  for (int j = 0; j < ht; ++j)
    for (int i = 0; i < wd; ++i)
      v.push_back(static_cast<uint32_t>(XGetPixel(img, i, j)) & 0xFFFFFFu);
  XDestroyImage(img);
  return v;
}

// The scheduler's nanoseconds where the kernel has them: clock ticks (10 ms)
// are coarse for a program idle at 0.1 %.
double CpuSeconds(pid_t pid) {
  const std::string task = "/proc/" + std::to_string(pid) + "/task";
  double ns = 0;
  bool any = false;
  if (DIR* d = opendir(task.c_str())) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      std::ifstream f(task + "/" + e->d_name + "/schedstat");
      double t = 0;
      if (f >> t) {
        ns += t;
        any = true;
      }
    }
    closedir(d);
  }
  if (any) return ns * 1e-9;
  const std::string s = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t p = s.rfind(')');
  if (p == std::string::npos) return -1;
  std::istringstream in(s.substr(p + 2));
  std::string field;
  unsigned long long ut = 0, st = 0;
  for (int i = 3; i <= 15 && in >> field; ++i) {  // utime is field 14, stime 15
    if (i == 14) ut = std::stoull(field);
    if (i == 15) st = std::stoull(field);
  }
  return static_cast<double>(ut + st) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace probe
