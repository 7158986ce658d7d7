// Runs the program and its yardsticks side by side on the X server of
// $DISPLAY (no window manager) and prints one table:
//   (a) start to first paint, seen from outside as the sky colour appearing,
//       against the bare window (bench_ref_window) and against the same
//       widget set built in plain GTK+ 2 (bench_ref_widgets), median of
//       several starts;
//   (b) CPU of steady running, with the simulation and both animations on,
//       against the same timers doing nothing (bench_ref_timers), both at once;
//   (c) resident memory at steady running;
//   (d) the per-call costs bench_ticks measures in-process.
// Environment: BENCH_SECONDS (CPU run, default 60), BENCH_RUNS (starts of
// each program, default 9), BENCH_WARMUP (seconds run before CPU counts,
// default 10).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/probe/probe.h"

namespace {

using probe::Dpy;
using probe::Now;
using probe::CpuSeconds;
using probe::ReadFile;
using probe::Sleep;

constexpr uint32_t kSky = 0x0000AA;
// A sky pixel no control, sun or readout covers.
constexpr int kProbeX = 10, kProbeY = 10;
constexpr const char* kRunningTitle = "PYROVANTIKA 3.1 Raumheizung";

struct Failure {
  std::string what;
};

[[noreturn]] void Fail(const std::string& what) { throw Failure{what}; }

double EnvNumber(const char* name, double fallback, double min) {
  const char* v = std::getenv(name);
  if (!v || !*v) return fallback;
  char* end = nullptr;
  const double d = std::strtod(v, &end);
  if (*end || !(d >= min)) {
    std::fprintf(stderr, "bench: %s=%s is not a number >= %g\n", name, v, min);
    std::exit(2);
  }
  return d;
}

// ---- children ----

// Killed on every way out, also when the driver itself is interrupted.
constexpr int kMaxChildren = 8;
volatile sig_atomic_t g_children[kMaxChildren] = {};

void Track(pid_t pid, bool on) {
  for (auto& c : g_children) {
    if (on && c == 0) {
      c = pid;
      return;
    }
    if (!on && c == pid) {
      c = 0;
      return;
    }
  }
}

void KillAllAndExit(int sig) {
  for (auto& c : g_children)
    if (c > 0) kill(static_cast<pid_t>(c), SIGKILL);
  _exit(128 + sig);
}

std::string g_workdir;

int g_display_fd = -1;

pid_t Spawn(const std::vector<std::string>& argv, const std::string& tag) {
  const std::string out = g_workdir + "/" + tag + ".out", err = g_workdir + "/" + tag + ".err";
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) Fail("fork failed");
  if (pid == 0) {
    // Gone with the driver, however it ends.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(126);
    if (chdir(g_workdir.c_str()) != 0) _exit(126);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (o < 0 || e < 0) _exit(126);
    dup2(o, 1);
    dup2(e, 2);
    close(o);
    close(e);
    if (g_display_fd >= 0) close(g_display_fd);  // the driver's X connection
    std::vector<char*> a;
    for (const auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    execv(a[0], a.data());
    _exit(127);
  }
  Track(pid, true);
  return pid;
}

bool Alive(pid_t pid) {
  int st = 0;
  return waitpid(pid, &st, WNOHANG) == 0;
}

// SIGTERM (the program closes as from its window), then SIGKILL.
void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int st = 0;
  const double end = Now() + 5;
  while (waitpid(pid, &st, WNOHANG) == 0) {
    if (Now() > end) {
      kill(pid, SIGKILL);
      waitpid(pid, &st, 0);
      break;
    }
    Sleep(0.005);
  }
  Track(pid, false);
}

// A child that is stopped by SIGTERM when the scope ends.
struct Running {
  pid_t pid = -1;
  ~Running() { Stop(pid); }
};

// ---- /proc ----

long StatusKiB(pid_t pid, const char* key) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  const size_t n = std::strlen(key);
  while (std::getline(f, line))
    if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':')
      return std::atol(line.c_str() + n + 1);
  return -1;
}

// The X server of $DISPLAY, to show what drawing costs on its side.
pid_t XServerPid() {
  const char* disp = std::getenv("DISPLAY");
  if (!disp) return -1;
  std::string want = disp;
  if (auto dot = want.find('.', want.find(':')); dot != std::string::npos) want.erase(dot);
  DIR* d = opendir("/proc");
  if (!d) return -1;
  pid_t found = -1;
  while (dirent* e = readdir(d)) {
    const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
    if (pid <= 0) continue;
    const std::string cmd = ReadFile("/proc/" + std::string(e->d_name) + "/cmdline");
    std::vector<std::string> args;
    for (size_t i = 0; i < cmd.size();) {
      const size_t z = cmd.find('\0', i);
      args.push_back(cmd.substr(i, z == std::string::npos ? std::string::npos : z - i));
      if (z == std::string::npos) break;
      i = z + 1;
    }
    if (args.empty()) continue;
    const std::string exe = std::filesystem::path(args[0]).filename();
    if (exe != "Xvfb" && exe != "Xorg" && exe != "X") continue;
    if (std::find(args.begin(), args.end(), want) != args.end()) {
      found = pid;
      break;
    }
  }
  closedir(d);
  return found;
}

// ---- X ----

// The mapped top-level window of a process, or 0.
Window FindWindow(pid_t pid) { return probe::FindWindow("", true, pid).value_or(0); }

uint32_t Pixel(Window w, int x, int y) {
  auto v = probe::Pixels(w, x, y, 1, 1);
  return v.empty() ? 0xFFFFFFFFu : v[0];
}

// Polls every millisecond until the process's window shows the sky colour.
// Returns the window.
Window WaitPainted(pid_t pid, double timeout) {
  const double end = Now() + timeout;
  Window w = 0;
  for (;;) {
    if (!w) w = FindWindow(pid);
    if (w && Pixel(w, kProbeX, kProbeY) == kSky) return w;
    if (!Alive(pid)) Fail("a program ended before its first paint (see its .err file)");
    if (Now() > end) Fail("no painted window within " + std::to_string(timeout) + " s");
    Sleep(0.001);
  }
}

// ---- figures ----

struct Spread {
  double median = 0, min = 0, max = 0;
};

Spread Summary(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  Spread s;
  s.min = v.front();
  s.max = v.back();
  const size_t n = v.size();
  s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  return s;
}

struct Startup {
  Spread real, ref, ratio;        // ref: the bare window
  Spread widgets, widgets_ratio;  // the widget set without the framework
  int runs = 0;
};

double TimeToPaint(const std::vector<std::string>& argv, const std::string& tag) {
  XSync(Dpy(), False);
  const double t0 = Now();
  Running p{Spawn(argv, tag)};
  WaitPainted(p.pid, 20);
  return Now() - t0;
}

Startup MeasureStartup(const std::string& real, const std::string& ref,
                       const std::string& widgets, int runs) {
  Startup s;
  s.runs = runs;
  const std::string program[3] = {real, ref, widgets};
  const char* tag[3] = {"start-real", "start-ref", "start-widgets"};
  // One start of each first: the files come into the page cache.
  for (int k = 0; k < 3; ++k) TimeToPaint({program[k]}, tag[k]);
  std::vector<double> ms[3], r, rw;
  for (int i = 0; i < runs; ++i) {
    // The three in turn, the order reversed each time: drift of the machine's
    // speed falls on each pair alike.
    double t[3];
    for (int j = 0; j < 3; ++j) {
      const int k = i % 2 == 0 ? j : 2 - j;
      t[k] = TimeToPaint({program[k]}, tag[k]);
    }
    for (int k = 0; k < 3; ++k) ms[k].push_back(t[k] * 1e3);
    r.push_back(t[0] / t[1]);
    rw.push_back(t[0] / t[2]);
  }
  s.real = Summary(ms[0]);
  s.ref = Summary(ms[1]);
  s.widgets = Summary(ms[2]);
  s.ratio = Summary(r);
  s.widgets_ratio = Summary(rw);
  return s;
}

struct Steady {
  double seconds = 0;
  double cpu_real = 0, cpu_ref = 0, cpu_x = -1;
  long rss_real = 0, rss_ref = 0, hwm_real = 0, hwm_ref = 0;
  std::string title;
  bool ticking = false, loss_moving = false, heat_moving = false, still_ticking = false,
       heat_moving_end = false;
};

struct Area {
  int x, y, w, h;
};
// Simulation time readout (Label15), loss squares' path, heater squares' path.
constexpr Area kClock{528, 192, 73, 25}, kLoss{249, 238, 84, 10}, kHeat{218, 110, 12, 58};

// Whether an area changes within `within` seconds.
bool Changes(Window w, Area a, double within) {
  const auto before = probe::Pixels(w, a.x, a.y, a.w, a.h);
  const double end = Now() + within;
  while (Now() < end) {
    Sleep(0.02);
    if (probe::Pixels(w, a.x, a.y, a.w, a.h) != before) return true;
  }
  return false;
}

Steady MeasureSteady(const std::string& real, const std::string& ref, double seconds,
                     double warmup) {
  Steady s;
  // The yardstick below the program's stored place, so neither covers the
  // other's probe; part of it lies off the screen, which costs nothing.
  Running p{Spawn({real}, "steady-real")};
  Running q{Spawn({ref, "0", "590"}, "steady-ref")};
  const Window w = WaitPainted(p.pid, 20);
  WaitPainted(q.pid, 20);
  // Without a window manager the pointer gives the focus: in once, to a spot
  // with no tooltip, and left there.
  XWarpPointer(Dpy(), None, w, 0, 0, 0, 0, kProbeX, kProbeY);
  XSync(Dpy(), False);
  Sleep(warmup);

  s.title = probe::TitleOf(w);
  s.ticking = Changes(w, kClock, 2.5);
  s.loss_moving = Changes(w, kLoss, 1.0);
  s.heat_moving = Changes(w, kHeat, 1.0);
  const auto clock0 = probe::Pixels(w, kClock.x, kClock.y, kClock.w, kClock.h);

  const pid_t xs = XServerPid();
  const double a0 = CpuSeconds(p.pid), b0 = CpuSeconds(q.pid), x0 = xs > 0 ? CpuSeconds(xs) : -1;
  const double t0 = Now();
  while (Now() - t0 < seconds) {
    Sleep(std::min(1.0, seconds - (Now() - t0)));
    if (!Alive(p.pid) || !Alive(q.pid)) Fail("a program ended during the CPU run");
  }
  const double a1 = CpuSeconds(p.pid), b1 = CpuSeconds(q.pid), x1 = xs > 0 ? CpuSeconds(xs) : -1;
  s.seconds = Now() - t0;
  s.cpu_real = a1 - a0;
  s.cpu_ref = b1 - b0;
  if (xs > 0) s.cpu_x = x1 - x0;
  s.rss_real = StatusKiB(p.pid, "VmRSS");
  s.rss_ref = StatusKiB(q.pid, "VmRSS");
  s.hwm_real = StatusKiB(p.pid, "VmHWM");
  s.hwm_ref = StatusKiB(q.pid, "VmHWM");
  s.still_ticking = probe::Pixels(w, kClock.x, kClock.y, kClock.w, kClock.h) != clock0;
  s.heat_moving_end = Changes(w, kHeat, 1.0);
  return s;
}

struct TickRow {
  int calls = 0;
  double median = 0, p90 = 0, cpu = 0, pauses = 0, paused_ms = 0;
};

std::map<std::string, TickRow> RunTicks(const std::vector<std::string>& argv) {
  Running p{Spawn(argv, "ticks")};
  const double end = Now() + 300;
  int st = 0;
  for (;;) {
    const pid_t r = waitpid(p.pid, &st, WNOHANG);
    if (r == p.pid) break;
    if (Now() > end) Fail("bench_ticks did not finish within 300 s");
    Sleep(0.05);
  }
  Track(p.pid, false);
  p.pid = -1;
  if (!WIFEXITED(st) || WEXITSTATUS(st) != 0)
    Fail("bench_ticks failed: " + ReadFile(g_workdir + "/ticks.err"));
  std::map<std::string, TickRow> rows;
  std::istringstream in(ReadFile(g_workdir + "/ticks.out"));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream l(line);
    std::string name;
    TickRow r;
    if (l >> name >> r.calls >> r.median >> r.p90 >> r.cpu >> r.pauses >> r.paused_ms)
      rows[name] = r;
  }
  return rows;
}

// The start's phases in-process: the median of several starts.
std::map<std::string, double> StartPhases(const std::string& ticks, int runs) {
  std::map<std::string, std::vector<double>> all;
  for (int i = 0; i < runs; ++i)
    for (const auto& [k, r] : RunTicks({ticks, "--start"})) all[k].push_back(r.median);
  std::map<std::string, double> med;
  for (const auto& [k, v] : all) med[k] = Summary(v).median;
  return med;
}

// ---- table ----

std::string Fmt(const char* f, double v) {
  char b[64];
  std::snprintf(b, sizeof b, f, v);
  return b;
}

const char* Verdict(bool met) { return met ? "met" : "NOT MET"; }

void Row(const std::string& what, const std::string& prog, const std::string& ref,
         const std::string& ratio, const std::string& target, const std::string& verdict) {
  std::printf("  %-34s %15s %15s %10s %8s  %s\n", what.c_str(), prog.c_str(), ref.c_str(),
              ratio.c_str(), target.c_str(), verdict.c_str());
}

std::string CpuModel() {
  std::ifstream f("/proc/cpuinfo");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  return "?";
}

std::string LoadAverage() {
  std::istringstream in(ReadFile("/proc/loadavg"));
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

}  // namespace

int main() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, KillAllAndExit);
  const double seconds = EnvNumber("BENCH_SECONDS", 60, 1);
  const int runs = static_cast<int>(EnvNumber("BENCH_RUNS", 9, 1));
  const double warmup = EnvNumber("BENCH_WARMUP", 10, 4);  // past Timer5's 3 s

  char tmpl[] = "/tmp/pyro-bench-XXXXXX";
  if (!mkdtemp(tmpl)) {
    std::perror("bench: mkdtemp");
    return 2;
  }
  g_workdir = tmpl;
  g_display_fd = ConnectionNumber(Dpy());

  int status = 0;
  try {
    std::printf("PYROVANTIKA benchmark: build %s, %ld cores (%s), load %s\n", BENCH_BUILD_TYPE,
                sysconf(_SC_NPROCESSORS_ONLN), CpuModel().c_str(), LoadAverage().c_str());
    std::printf("X server %s: %dx%d, no window manager\n\n", std::getenv("DISPLAY"),
                DisplayWidth(Dpy(), DefaultScreen(Dpy())),
                DisplayHeight(Dpy(), DefaultScreen(Dpy())));
    std::fflush(stdout);

    const Startup st = MeasureStartup(PYRO_BINARY, REF_WINDOW, REF_WIDGETS, runs);
    const Steady sd = MeasureSteady(PYRO_BINARY, REF_TIMERS, seconds, warmup);
    const auto ticks = RunTicks({BENCH_TICKS});
    const auto phases = StartPhases(BENCH_TICKS, std::min(runs, 5));

    Row("", "PYROVANTIKA", "reference", "ratio", "target", "");
    std::printf("(a) start to first paint, exec to sky pixel seen from outside; references: the "
                "bare window, the same widget set in plain GTK+ 2; starts each: %d\n",
                st.runs);
    Row("median, against the bare window", Fmt("%.1f ms", st.real.median),
        Fmt("%.1f ms", st.ref.median), Fmt("%.2f", st.ratio.median), "<= 1.3",
        Verdict(st.ratio.median <= 1.3));
    Row("min .. max", Fmt("%.1f", st.real.min) + " .. " + Fmt("%.1f", st.real.max),
        Fmt("%.1f", st.ref.min) + " .. " + Fmt("%.1f", st.ref.max),
        Fmt("%.2f", st.ratio.min) + "-" + Fmt("%.2f", st.ratio.max), "", "");
    Row("median, against the widget set", "", Fmt("%.1f ms", st.widgets.median),
        Fmt("%.2f", st.widgets_ratio.median), "", "");
    Row("min .. max", "", Fmt("%.1f", st.widgets.min) + " .. " + Fmt("%.1f", st.widgets.max),
        Fmt("%.2f", st.widgets_ratio.min) + "-" + Fmt("%.2f", st.widgets_ratio.max), "", "");

    {
      const auto phase = [&](const char* k) {
        auto it = phases.find(k);
        return it == phases.end() ? std::string("?") : Fmt("%.1f ms", it->second / 1e3);
      };
      std::printf("  the program's start in-process (median): toolkit %s, window from its "
                  "description %s, show to first paint %s\n",
                  phase("start_toolkit").c_str(), phase("start_create_form").c_str(),
                  phase("start_show_to_paint").c_str());
    }

    const double pct_real = 100 * sd.cpu_real / sd.seconds, pct_ref = 100 * sd.cpu_ref / sd.seconds;
    std::printf("(b) CPU over %.0f s of steady running after %.0f s; reference: the same timers "
                "doing nothing; both at once\n",
                sd.seconds, warmup);
    Row("CPU time (user + system)", Fmt("%.3f s", sd.cpu_real), Fmt("%.3f s", sd.cpu_ref),
        sd.cpu_ref > 0 ? Fmt("%.2f", sd.cpu_real / sd.cpu_ref) : "-", "<= 2",
        Verdict(sd.cpu_ref > 0 && sd.cpu_real / sd.cpu_ref <= 2));
    Row("share of one core", Fmt("%.3f %%", pct_real), Fmt("%.3f %%", pct_ref), "", "< 1 %",
        Verdict(pct_real < 1));
    if (sd.cpu_x >= 0)
      Row("X server, both clients together", Fmt("%.3f %%", 100 * sd.cpu_x / sd.seconds), "", "",
          "", "");
    std::printf("  checks: title \"%s\"; clock %s, loss squares %s; heater squares %s at the "
                "start, %s at the end (still: the heater is off)\n",
                sd.title.c_str(), sd.ticking && sd.still_ticking ? "ticks" : "STOPPED",
                sd.loss_moving ? "move" : "STILL", sd.heat_moving ? "move" : "still",
                sd.heat_moving_end ? "move" : "still");

    std::printf("(c) memory at the end of the CPU run\n");
    Row("resident (VmRSS)", Fmt("%.1f MiB", sd.rss_real / 1024.0),
        Fmt("%.1f MiB", sd.rss_ref / 1024.0),
        sd.rss_ref > 0 ? Fmt("%.2f", static_cast<double>(sd.rss_real) / sd.rss_ref) : "-", "", "");
    Row("peak resident (VmHWM)", Fmt("%.1f MiB", sd.hwm_real / 1024.0),
        Fmt("%.1f MiB", sd.hwm_ref / 1024.0), "", "", "");

    std::printf("(d) cost per call on the real window, in-process: call + the paints it causes +"
                " XSync\n");
    std::printf("  %-34s %9s %9s %9s  %s\n", "", "median", "p90", "CPU", "pauses skipped");
    const struct {
      const char* key;
      const char* label;
    } order[] = {
        {"timer2", "simulation tick (Timer2Timer)"},
        {"timer1_copy", "loss animation, copy steps 1..20"},
        {"timer1_squares", "loss animation, step 0 (squares)"},
        {"timer4_idle", "heater animation, heater idle"},
        {"timer4", "heater animation, heating"},
        {"repaint_canvas", "full repaint, canvas"},
        {"repaint_all", "full repaint, canvas + controls"},
        {"xsync", "XSync alone (included above)"},
    };
    for (const auto& o : order) {
      auto it = ticks.find(o.key);
      if (it == ticks.end()) Fail(std::string("bench_ticks gave no ") + o.key);
      const TickRow& r = it->second;
      std::string paused = r.pauses > 0 ? Fmt("%.2f", r.pauses) + " x, " +
                                              Fmt("%.2f ms", r.paused_ms) + " per call"
                                        : "-";
      std::printf("  %-34s %6.1f us %6.1f us %6.1f us  %s\n", o.label, r.median, r.p90, r.cpu,
                  paused.c_str());
    }
    // What one second of running costs by these figures: 1 tick, 10 + 10
    // animation steps (one loss step in 21 draws the squares), the heater
    // branch the CPU run saw.
    const auto& t2 = ticks.at("timer2");
    const auto& t1c = ticks.at("timer1_copy");
    const auto& t1s = ticks.at("timer1_squares");
    const auto& t4 = ticks.at(sd.heat_moving || sd.heat_moving_end ? "timer4" : "timer4_idle");
    const double per_s = t2.cpu + 10 * (t1c.cpu * 20 + t1s.cpu) / 21 + 10 * t4.cpu;
    std::printf("  handlers in one second of running (1 tick, 10 + 10 animation steps) by these "
                "CPU figures: %.0f us,\n  of %.0f us measured in (b); the rest is the event loop "
                "around them\n",
                per_s, 1e6 * sd.cpu_real / sd.seconds);

    const bool checks = sd.title == kRunningTitle && sd.ticking && sd.loss_moving &&
                        sd.still_ticking;
    if (!checks) {
      std::printf("\nbench: the program was not running as at its start (see the checks)\n");
      status = 1;
    }
  } catch (const Failure& f) {
    std::fflush(stdout);
    std::fprintf(stderr, "bench: %s\n", f.what.c_str());
    status = 1;
  }
  std::error_code ec;
  if (status == 0 || !std::getenv("BENCH_KEEP")) std::filesystem::remove_all(g_workdir, ec);
  else std::fprintf(stderr, "bench: outputs kept in %s\n", g_workdir.c_str());
  return status;
}
