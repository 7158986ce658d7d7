// gtest before Xlib: Xlib's macros (None, Bool) break gtest's headers.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

#include <X11/Xatom.h>
#include <fcntl.h>
#include <gdk/gdk.h>
#include <pango/pangocairo.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

extern char** environ;

namespace e2e {

int Run(const std::vector<std::string>& argv, std::string* out) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int pipefd[2] = {-1, -1};
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  if (out) {
    if (pipe(pipefd) != 0) return -1;
    posix_spawn_file_actions_adddup2(&fa, pipefd[1], 1);
    posix_spawn_file_actions_addclose(&fa, pipefd[0]);
  }
  pid_t pid;
  const int rc = posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (out) {
    close(pipefd[1]);
    char buf[512];
    ssize_t n;
    while ((n = read(pipefd[0], buf, sizeof buf)) > 0) out->append(buf, static_cast<size_t>(n));
    close(pipefd[0]);
  }
  if (rc != 0) return -1;
  int st = 0;
  waitpid(pid, &st, 0);
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::vector<std::string> Lines(const std::string& text, bool* whole) {
  std::vector<std::string> v;
  size_t start = 0;
  while (start < text.size()) {
    const size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      v.push_back(text.substr(start));
      break;
    }
    v.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  if (whole) *whole = text.empty() || text.back() == '\n';
  return v;
}

void KeyToWindow(Window w, const std::string& keysym) {
  // Once the server has moved the focus, the key goes there, whenever the
  // program gets round to it. A window gone by now is an ignored error.
  XSetInputFocus(Dpy(), w, RevertToPointerRoot, CurrentTime);
  XSync(Dpy(), False);
  Run({"xdotool", "key", keysym});
}

Program::Program(Options o) : opt_(std::move(o)) {
  if (opt_.workdir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/pyro-e2e-XXXXXX";
    if (!mkdtemp(tmpl.data())) return;
    dir_ = tmpl;
    own_dir_ = true;
  } else {
    dir_ = opt_.workdir;
  }
  std::vector<std::string> argv = opt_.prefix;
  argv.push_back(PYRO_BINARY);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.push_back(*e);
  for (const auto& e : opt_.env) {
    // Replace, not add: the first of two entries is the one a lookup finds.
    const std::string name = e.substr(0, e.find('=') + 1);
    std::erase_if(env, [&](const std::string& have) { return have.rfind(name, 0) == 0; });
    env.push_back(e);
  }
  if (opt_.speed > 1 || opt_.changeable_speed > 0) {
    const char* lib = std::getenv("PYRO_FAKETIME_LIB");
    if (!lib || !*lib) lib = PYRO_FAKETIME_LIB;
    if (!*lib || access(lib, R_OK) != 0) {
      ADD_FAILURE() << "no libfaketime.so.1 (install faketime, or set PYRO_FAKETIME_LIB)";
      return;
    }
    env.push_back(std::string("LD_PRELOAD=") + lib);
    if (opt_.changeable_speed > 0) {
      // Read again at every look at the clock, so a change counts at once.
      SetSpeed(opt_.changeable_speed);
      env.push_back("FAKETIME_TIMESTAMP_FILE=" + dir_ + "/faketime.rc");
      env.push_back("FAKETIME_NO_CACHE=1");
    } else {
      env.push_back("FAKETIME=+0 x" + std::to_string(opt_.speed));
    }
    // A sanitizer build wants its runtime first; the clock library is harmless
    // before it.
    const char* asan = getenv("ASAN_OPTIONS");
    std::erase_if(env, [](const std::string& e) { return e.rfind("ASAN_OPTIONS=", 0) == 0; });
    env.push_back(std::string("ASAN_OPTIONS=") + (asan ? std::string(asan) + ":" : "") +
                  "verify_asan_link_order=0");
  }
  XSync(Dpy(), False);
  pid_ = fork();
  if (pid_ == 0) {
    if (chdir(dir_.c_str()) != 0) _exit(126);
    const int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(err, 2);
    dup2(out, 1);
    // Nothing of the test's own: its X connections above all.
    close_range(3, ~0U, 0);
    if (opt_.file_size_limit >= 0) {
      const rlimit limit{static_cast<rlim_t>(opt_.file_size_limit),
                         static_cast<rlim_t>(opt_.file_size_limit)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    }
    std::vector<char*> a, e;
    for (auto& s : argv) a.push_back(s.data());
    a.push_back(nullptr);
    for (auto& s : env) e.push_back(s.data());
    e.push_back(nullptr);
    execvpe(a[0], a.data(), e.data());
    _exit(127);
  }
  if (!opt_.find_window) return;
  const double timeout = opt_.prefix.empty() ? 60 : 180;
  WaitFor(
      [&] {
        if (auto w = FindWindow("PYROVANTIKA", true, pid_)) win_ = *w;
        return win_ != 0 || !Running();
      },
      timeout);
  if (!win_) return;
  WindowOrigin(win_, &stored_x, &stored_y);
  if (opt_.move_to_origin) {
    // What a window manager would do; without it the right part is off-screen
    // and can be neither clicked nor read back.
    XMoveWindow(Dpy(), win_, 0, 0);
    XSync(Dpy(), False);
    WaitFor(
        [&] {
          int x, y;
          WindowOrigin(win_, &x, &y);
          return x == 0 && y == 0;
        },
        5);
  }
}

Program::~Program() {
  if (::testing::Test::HasFailure() && pid_ > 0) {
    std::printf("---- stderr of the program (pid %d) ----\n%s---- end of its stderr ----\n",
                static_cast<int>(pid_), Stderr().c_str());
  }
  if (pid_ > 0 && Running()) {
    kill(pid_, SIGKILL);
    WaitExit(10);
  }
  if (own_dir_ && !std::getenv("PYRO_E2E_KEEP")) {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
}

void Program::SetSpeed(double x) {
  // Whole or not at all: the program may read it at any moment.
  const std::string path = dir_ + "/faketime.rc", next = path + ".new";
  {
    std::ofstream f(next);
    f << "+0 x" << x << "\n";
  }
  std::filesystem::rename(next, path);
}

bool Program::Running() {
  if (exited_ || pid_ <= 0) return false;
  int st = 0;
  const pid_t r = waitpid(pid_, &st, WNOHANG);
  if (r == 0) return true;
  exited_ = true;
  if (r == pid_) {
    if (WIFEXITED(st)) exit_code_ = WEXITSTATUS(st);
    if (WIFSIGNALED(st)) signalled_ = true;
  }
  return false;
}

std::optional<int> Program::WaitExit(double timeout) {
  WaitFor([&] { return !Running(); }, timeout);
  return exit_code_;
}

void Program::Kill(int sig) {
  if (Running()) kill(pid_, sig);
}

void Program::MoveTo(int x, int y) {
  Run({"xdotool", "mousemove", "--window", std::to_string(win_), std::to_string(x),
       std::to_string(y)});
}

void Program::Click(int x, int y, int n, int button) {
  Run({"xdotool", "mousemove", "--window", std::to_string(win_), std::to_string(x),
       std::to_string(y), "click", "--repeat", std::to_string(n), "--delay", "60",
       std::to_string(button)});
}

std::optional<Window> Program::WaitBox(double timeout) {
  std::optional<Window> box;
  WaitFor([&] { return (box = FindBox(pid_, win_)).has_value() || !Running(); }, timeout);
  return box;
}

void Program::Drag(int x0, int y0, int x1, int y1) {
  const std::string w = std::to_string(win_);
  Run({"xdotool", "mousemove", "--window", w, std::to_string(x0), std::to_string(y0),
       "mousedown", "1", "mousemove", "--window", w, std::to_string(x1), std::to_string(y1),
       "mouseup", "1"});
}

void Program::Key(const std::string& keysym) { Run({"xdotool", "key", keysym}); }

void Program::Type(const std::string& text) {
  Run({"xdotool", "type", "--delay", "30", text});
}

void SendClientMessage(Window to, Window window, const char* type, const std::vector<long>& data,
                       long mask) {
  Display* d = Dpy();
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = XInternAtom(d, type, False);
  ev.xclient.format = 32;
  for (size_t i = 0; i < data.size() && i < 5; ++i) ev.xclient.data.l[i] = data[i];
  XSendEvent(d, to, False, mask, &ev);
  XFlush(d);
}

void Program::Close() {
  const long del = static_cast<long>(XInternAtom(Dpy(), "WM_DELETE_WINDOW", False));
  SendClientMessage(win_, win_, "WM_PROTOCOLS", {del, CurrentTime}, NoEventMask);
}

uint32_t Program::Pixel(int x, int y) {
  const auto v = Pixels(win_, x, y, 1, 1);
  return v.empty() ? 0xFFFFFFFFu : v[0];  // not readable: matches no colour
}

std::vector<uint32_t> Program::Snapshot() { return Pixels(win_, 0, 0, 682, 451); }

std::optional<int> Program::Clock() {
  // A repaint of the readout may be caught half done (its background drawn,
  // its text not yet): then it is read again.
  std::optional<int> minutes;
  WaitFor([&] { return (minutes = ClockMinutes(Snapshot())).has_value() || !Running(); }, 10);
  return minutes;
}

bool Program::WaitForClock(int minutes, double timeout) {
  return WaitFor(
      [&] {
        const auto m = Clock();
        return (m && *m >= minutes) || !Running();
      },
      timeout) &&
         Running();
}

bool Program::Repaints(double timeout) {
  Display* d = Dpy();
  constexpr int kX = 8, kY = 8, kSize = 4;  // sky that nothing but the paint draws
  const auto at_mark = [&] { return Pixel(kX + 1, kY + 1); };
  GC gc = XCreateGC(d, win_, 0, nullptr);
  XSetForeground(d, gc, BlackPixel(d, DefaultScreen(d)));
  XFillRectangle(d, win_, gc, kX, kY, kSize, kSize);
  XFreeGC(d, gc);
  XSync(d, False);
  if (at_mark() != 0) return false;
  // An expose: the program's repaint comes after what is queued before it.
  XClearArea(d, win_, kX, kY, kSize, kSize, True);
  XFlush(d);
  return WaitFor([&] { return at_mark() == kSky || !Running(); }, timeout) && Running();
}

bool Program::WaitForSelection(const std::string& control, double timeout) {
  return WaitFor([&] { return RunSelection(Snapshot()) == control || !Running(); }, timeout) &&
         Running();
}

std::optional<std::string> RunSelection(const std::vector<uint32_t>& snap) {
  // The centre of a radio button's indicator: black with the dot, white
  // (or lighter, under the pointer) without.
  const std::pair<const char*, Pt> controls[] = {
      {"START", at::kStart}, {"STOP", at::kStop}, {"RESET", at::kReset}};
  std::optional<std::string> selected;
  for (const auto& [name, at] : controls) {
    const auto px = Crop(snap, at.x, at.y, 1, 1);
    if (px.empty()) return std::nullopt;
    if (px[0] != 0) continue;
    if (selected) return std::nullopt;
    selected = name;
  }
  return selected;
}

namespace {

// The places of the black pixels, relative to the top-left of their box.
using Ink = std::vector<std::pair<int, int>>;
Ink Normalised(Ink ink) {
  if (ink.empty()) return ink;
  int x0 = ink[0].first, y0 = ink[0].second;
  for (auto [x, y] : ink) x0 = std::min(x0, x), y0 = std::min(y0, y);
  for (auto& [x, y] : ink) x -= x0, y -= y0;
  std::sort(ink.begin(), ink.end());
  return ink;
}

// The ink of texts as the program's labels draw them (its face at 13 px, no
// antialiasing), drawn once on a pixmap of the same server with the same calls.
const Ink& InkOf(const std::string& text, const std::vector<std::string>& batch = {}) {
  static std::map<std::string, Ink> inks;
  if (auto it = inks.find(text); it != inks.end()) return it->second;
  static PangoContext* ctx = [] {
    gdk_init(nullptr, nullptr);
    // The toolkit puts in its handler, which ends the process on any error;
    // windows of the program may go between a query and its use.
    probe::IgnoreXErrors();
    PangoContext* c = gdk_pango_context_get();
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_NONE);
    pango_cairo_context_set_font_options(c, o);
    cairo_font_options_destroy(o);
    return c;
  }();
  std::vector<std::string> todo = batch;
  todo.push_back(text);
  const int n = static_cast<int>(todo.size()), cols = 40, cw = 100, ch = 40;
  const int rows = (n + cols - 1) / cols;
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, "DejaVu Sans,Sans");
  pango_font_description_set_absolute_size(d, 13 * PANGO_SCALE);
  PangoLayout* layout = pango_layout_new(ctx);
  pango_layout_set_font_description(layout, d);
  GdkPixmap* pm = gdk_pixmap_new(gdk_get_default_root_window(), cols * cw, rows * ch, -1);
  GdkGC* gc = gdk_gc_new(pm);
  GdkColor white = {0, 0xFFFF, 0xFFFF, 0xFFFF}, black = {0, 0, 0, 0};
  gdk_gc_set_rgb_fg_color(gc, &white);
  gdk_draw_rectangle(pm, gc, TRUE, 0, 0, cols * cw, rows * ch);
  gdk_gc_set_rgb_fg_color(gc, &black);
  for (int i = 0; i < n; ++i) {
    pango_layout_set_text(layout, todo[static_cast<size_t>(i)].c_str(), -1);
    gdk_draw_layout(pm, gc, (i % cols) * cw + 5, (i / cols) * ch + 5, layout);
  }
  GdkPixbuf* pb =
      gdk_pixbuf_get_from_drawable(nullptr, pm, nullptr, 0, 0, 0, 0, cols * cw, rows * ch);
  const int stride = gdk_pixbuf_get_rowstride(pb), channels = gdk_pixbuf_get_n_channels(pb);
  const guchar* px = gdk_pixbuf_get_pixels(pb);
  for (int i = 0; i < n; ++i) {
    Ink ink;
    for (int y = (i / cols) * ch; y < (i / cols + 1) * ch; ++y)
      for (int x = (i % cols) * cw; x < (i % cols + 1) * cw; ++x) {
        const guchar* p = px + y * stride + x * channels;
        if (p[0] == 0 && p[1] == 0 && p[2] == 0) ink.emplace_back(x, y);
      }
    inks[todo[static_cast<size_t>(i)]] = Normalised(std::move(ink));
  }
  g_object_unref(pb);
  g_object_unref(gc);
  g_object_unref(pm);
  g_object_unref(layout);
  pango_font_description_free(d);
  gdk_flush();
  return inks[text];
}

// The clock readout: its place, and every reading from 0:00 h on.
constexpr int kClockX = 528, kClockY = 192, kClockW = 73, kClockH = 25;
constexpr int kClockHours = 24;

const std::vector<std::string>& ClockTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> v;
    for (int i = 0; i < kClockHours * 60; ++i)
      v.push_back(std::to_string(i / 60) + (i % 60 < 10 ? ":0" : ":") + std::to_string(i % 60) +
                  " h");
    return v;
  }();
  return texts;
}

}  // namespace

std::optional<std::string> ShownText(const std::vector<uint32_t>& snap, int x, int y, int w, int h,
                                     const std::vector<std::string>& candidates) {
  const auto crop = Crop(snap, x, y, w, h);
  if (crop.size() != static_cast<size_t>(w * h) || candidates.empty()) return std::nullopt;
  Ink ink;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      if (crop[static_cast<size_t>(j * w + i)] == 0) ink.emplace_back(i, j);
  ink = Normalised(std::move(ink));
  InkOf(candidates[0], candidates);  // all drawn in one go
  for (const auto& c : candidates)
    if (InkOf(c) == ink) return c;
  return std::nullopt;
}

std::optional<int> ClockMinutes(const std::vector<uint32_t>& snap) {
  const auto text = ShownText(snap, kClockX, kClockY, kClockW, kClockH, ClockTexts());
  if (!text) return std::nullopt;
  const auto& all = ClockTexts();
  return static_cast<int>(std::find(all.begin(), all.end(), *text) - all.begin());
}

std::string Program::Title() { return TitleOf(win_); }

XSizeHints Program::SizeHints() {
  XSizeHints h{};
  long supplied = 0;
  if (!XGetWMNormalHints(Dpy(), win_, &h, &supplied)) h.flags = 0;
  return h;
}

int CountColour(const std::vector<uint32_t>& snap, int x, int y, int w, int h, uint32_t rgb) {
  int n = 0;
  for (uint32_t p : Crop(snap, x, y, w, h)) n += p == rgb;
  return n;
}

std::vector<uint32_t> Crop(const std::vector<uint32_t>& snap, int x, int y, int w, int h) {
  constexpr int W = 682, H = 451;
  std::vector<uint32_t> v;
  if (snap.size() != static_cast<size_t>(W * H)) return v;
  for (int j = y; j < y + h && j < H; ++j)
    for (int i = x; i < x + w && i < W; ++i) v.push_back(snap[j * W + i]);
  return v;
}

std::optional<Window> FindBox(pid_t pid, Window main) {
  return probe::FirstTopLevel([&](Window w, const XWindowAttributes& a) {
    // Tooltips and menus are no boxes.
    return w != main && !a.override_redirect && probe::WindowPid(w) == pid;
  });
}

std::string Complaints(const std::string& err, const std::string& expected) {
  std::string out;
  for (const auto& line : Lines(err)) {
    if (!expected.empty() && line.find(expected) != std::string::npos) continue;
    if (line.find("-WARNING") != std::string::npos || line.find("-CRITICAL") != std::string::npos)
      out += line + "\n";
  }
  return out;
}

std::string Program::Stderr() const { return ReadFile(dir_ + "/stderr.txt"); }

std::string Program::File(const std::string& name) const { return ReadFile(dir_ + "/" + name); }

long Program::RssKiB() const {
  std::ifstream f("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}


// ---- window managers

std::vector<Window> RootWindowsProperty(const char* name) {
  Display* d = Dpy();
  Atom type;
  int format;
  unsigned long n = 0, after;
  unsigned char* data = nullptr;
  std::vector<Window> v;
  if (XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, name, False), 0, 1024, False,
                         XA_WINDOW, &type, &format, &n, &after, &data) == Success &&
      data && format == 32)
    v.assign(reinterpret_cast<Window*>(data), reinterpret_cast<Window*>(data) + n);
  if (data) XFree(data);
  return v;
}

Window RootWindowProperty(const char* name) {
  const auto v = RootWindowsProperty(name);
  return v.size() == 1 ? v[0] : 0;
}

bool Framed(Window w) {
  Display* d = Dpy();
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, w, &root, &parent, &kids, &n)) return false;
  if (kids) XFree(kids);
  XWindowAttributes a{};
  return parent != root && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

WindowManager::WindowManager(const std::string& name) {
  if (name.empty()) return;
  char tmpl[] = "/tmp/pyro-wm-XXXXXX";
  if (mkdtemp(tmpl)) home_ = tmpl;
  announces_ = name != "twm";
  if (name == "twm" && !home_.empty()) {
    // Without a config of its own twm places a window by hand unless it
    // carries a position (the program's has one the program chose), and
    // wants a font the test's X server may lack.
    std::ofstream rc(home_ + "/.twmrc");
    rc << "UsePPosition \"on\"\nRandomPlacement\nNoGrabServer\n";
    for (const char* font : {"TitleFont", "ResizeFont", "MenuFont", "IconFont", "IconManagerFont"})
      rc << font << " \"fixed\"\n";
  }
  // Its notices (no menu file of the desktop's) are not the program's: they
  // go to a file of its own, for the tests that read them.
  const std::string output = home_.empty() ? "/dev/null" : home_ + "/output.txt";
  pid_ = fork();
  if (pid_ == 0) {
    setpgid(0, 0);  // with what it starts (fluxbox a notice window), ended as one
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(out, 2);
    if (!home_.empty()) setenv("HOME", home_.c_str(), 1);
    if (name == "openbox")
      execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
    else
      execlp(name.c_str(), name.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (!WaitFor([&] { return Running(announces_) || !Alive(); }, 30)) return;
  // Another program's window to go to and come back from, below the
  // program's, not under it.
  Display* d = Dpy();
  other_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 700, 300, 200, 0, 0, 0xFFFFFF);
  XStoreName(d, other_, "other");
  XWMHints hints{};
  hints.flags = InputHint;
  hints.input = True;
  XSetWMHints(d, other_, &hints);
  XSizeHints place{};
  place.flags = USPosition;
  place.x = 0;
  place.y = 700;
  XSetWMNormalHints(d, other_, &place);
  // A map request that comes while the window manager is still starting
  // may go unanswered (seen on a busy machine): ask again until it is
  // taken in.
  const double end = Now() + 60;
  while (!Framed(other_) && Now() < end && Alive()) {
    XUnmapWindow(d, other_);
    XMapWindow(d, other_);
    XSync(d, False);
    WaitFor([&] { return Framed(other_); }, 3);
  }
  ready_ = Framed(other_);
}

WindowManager::~WindowManager() {
  if (other_) XDestroyWindow(Dpy(), other_);
  XSync(Dpy(), False);
  if (pid_ > 0) {
    kill(-pid_, SIGKILL);  // nothing of it is under test
    waitpid(pid_, nullptr, 0);
  }
  std::error_code ec;
  if (!home_.empty()) std::filesystem::remove_all(home_, ec);
}

std::string WindowManager::Diagnosis() {
  std::string tree;
  e2e::Run({"xwininfo", "-root", "-tree"}, &tree);
  return std::string("\nwindow manager ") + (Alive() ? "running" : "gone") + "; windows:\n" +
         tree;
}

std::string WindowManager::Output() const {
  return home_.empty() ? "" : ReadFile(home_ + "/output.txt");
}

bool WindowManager::Alive() {
  int status = 0;
  return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
}

// Running, and taking the windows in: it has announced itself (twm does
// not) and redirects the root's map requests to itself (a window mapped
// before that is never framed).
bool WindowManager::Running(bool announces) {
  XWindowAttributes root{};
  XGetWindowAttributes(Dpy(), DefaultRootWindow(Dpy()), &root);
  return (!announces || RootWindowProperty("_NET_SUPPORTING_WM_CHECK") != 0) &&
         (root.all_event_masks & SubstructureRedirectMask);
}

std::unique_ptr<Program> StartUnder(const WindowManager& wm, int speed) {
  Options o = Speed(speed);
  o.move_to_origin = wm.none();
  return std::make_unique<Program>(o);
}

}  // namespace e2e
