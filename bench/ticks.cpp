// Cost of the main window's handlers on the real window: each call is
// followed by the paints it caused and an XSync, so the figure holds what the
// X server does for it too. The timers are stopped; the calls are made here.
//
// With --start, only the phases of the start are printed.
//
// Prints one line per measured operation:
//   NAME CALLS MEDIAN_US P90_US CPU_US PAUSES_PER_CALL PAUSED_MS_PER_CALL
// MEDIAN/P90 are wall times per call; CPU is this process's CPU time per call
// (mean). Pauses are what the handlers asked for: see fw::Pause below.
#include <gdk/gdk.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/farbe_ach16.h"
#include "app/model/record_file.h"
#include "app/model/room.h"
#include "framework/native.h"
#include "framework/pause.h"

namespace {
unsigned g_pauses = 0;
unsigned long g_paused_ms = 0;
}  // namespace

// Linked ahead of the framework's own: handlers that pause (the paint's
// Pause(1), the loss animation's Pause(10)) return at once, so the figures
// are work, not sleep. The requests are counted and printed instead.
void fw::Pause(unsigned ms) {
  ++g_pauses;
  g_paused_ms += ms;
}

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The paints the loop would run next, then a round trip: the server has
// drawn everything once XSync returns.
void Settle() {
  gdk_window_process_all_updates();
  gdk_flush();
}

template <class F>
void Measure(const char* name, int calls, F&& op) {
  std::vector<double> us;
  us.reserve(static_cast<size_t>(calls));
  g_pauses = 0;
  g_paused_ms = 0;
  const double cpu0 = CpuSeconds();
  for (int i = 0; i < calls; ++i) {
    const auto t0 = Clock::now();
    op();
    Settle();
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
  }
  const double cpu = (CpuSeconds() - cpu0) * 1e6 / calls;
  std::sort(us.begin(), us.end());
  std::printf("%s %d %.1f %.1f %.1f %.2f %.2f\n", name, calls, us[us.size() / 2],
              us[us.size() * 9 / 10], cpu, static_cast<double>(g_pauses) / calls,
              static_cast<double>(g_paused_ms) / calls);
  std::fflush(stdout);
}

void StopTimers(TForm1& f) {
  for (fw::TTimer* t : {f.Timer1, f.Timer2, f.Timer3, f.Timer4, f.Timer5}) t->SetEnabled(false);
}

// One phase of the start, as main() runs it (the first paint without its pause).
void StartPhase(const char* name, Clock::time_point& since) {
  const auto now = Clock::now();
  std::printf("%s 1 %.1f 0 0 0 0\n", name,
              std::chrono::duration<double, std::micro>(now - since).count());
  since = now;
}

}  // namespace

int main(int argc, char** argv) {
  auto t = Clock::now();
  fw::InitFramework(&argc, &argv);
  StartPhase("start_toolkit", t);
  char dir[] = "/tmp/pyro-bench-XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) return 1;

  using namespace farbe_ach16;
  t = Clock::now();
  InitializeUnit();
  fw::Application->Initialize();
  fw::Application->CreateForm(Form1);
  StartPhase("start_create_form", t);
  TForm1& f = *Form1;
  f.native().Show();
  // Up to the first paint (it switches Timer3 off), then a little longer for
  // the activation.
  while (f.Timer3->Enabled() && Clock::now() - t < std::chrono::seconds(5))
    gtk_main_iteration_do(TRUE);
  if (f.Timer3->Enabled()) {
    std::fprintf(stderr, "bench_ticks: the window was never painted\n");
    return 1;
  }
  gdk_flush();
  StartPhase("start_show_to_paint", t);
  const auto finish = [&] {
    room::CloseRecordFileAtExit();
    fw::FinalizeFramework();
    std::remove("tl.txt");
    if (chdir("/") == 0) rmdir(dir);
    return 0;
  };
  if (argc > 1 && std::string(argv[1]) == "--start") return finish();
  for (int i = 0; i < 30; ++i) {
    fw::Application->ProcessMessages();
    g_usleep(10000);
  }
  StopTimers(f);
  if (room::Stopped) {
    std::fprintf(stderr, "bench_ticks: the simulation is not running\n");
    return 1;
  }
  GdkWindow* canvas = fw::CanvasOf(f)->window;

  // A simulated half hour first: readouts and the sky as in a running lesson.
  for (int i = 0; i < 30; ++i) {
    f.Timer2Timer(f.Timer2);
    Settle();
  }

  Measure("xsync", 2000, [] {});
  Measure("timer2", 1000, [&] { f.Timer2Timer(f.Timer2); });

  if (room::LossPowerKW < 0.0L) room::LossPowerKW = 1.0L;  // else the handler returns at once
  LossStep = 1;
  Measure("timer1_copy", 2000, [&] {
    if (LossStep > 20) LossStep = 1;  // steps 1..20: the copies
    f.Timer1Timer(f.Timer1);
  });
  Measure("timer1_squares", 300, [&] {
    LossStep = 0;  // step 0: the squares and the Pause(10)
    f.Timer1Timer(f.Timer1);
  });

  // Both branches: the heater idle (as for the first hour after the start)
  // and heating, which moves the squares and puffs.
  room::HeaterOn = true;
  room::HeaterPowerW = 0.0L;
  Measure("timer4_idle", 2000, [&] { f.Timer4Timer(f.Timer4); });
  room::HeaterPowerW = 1000.0L;
  Measure("timer4", 2000, [&] { f.Timer4Timer(f.Timer4); });

  Measure("repaint_canvas", 300, [&] {
    gdk_window_invalidate_rect(canvas, nullptr, FALSE);
    gdk_window_process_updates(canvas, FALSE);
  });
  Measure("repaint_all", 300, [&] {
    gdk_window_invalidate_rect(canvas, nullptr, TRUE);
    gdk_window_process_updates(canvas, TRUE);
  });

  return finish();
}
