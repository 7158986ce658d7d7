// The toolkit's loop and real input for the tests that run the framework in
// their own process, under their own X server: what is due run to its end,
// waits with deadlines, clicks by xdotool at a point of a window.
#pragma once

#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "framework/native.h"

namespace guitest {

inline double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Runs what is due now, however busy the machine: the events the X server
// has sent up to a round trip, and the repaints and other idle work they
// cause. Timers that are not due yet do not fire.
inline void Settle() {
  for (int i = 0; i < 3; ++i) {
    gdk_display_sync(gdk_display_get_default());
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }
}

// Runs the loop until cond holds, for at most timeout_ms; whether it held.
template <class F>
bool PumpUntil(F&& cond, double timeout_ms) {
  const double end = NowMs() + timeout_ms;
  while (!cond()) {
    if (NowMs() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
  }
  return true;
}

// xdotool with these arguments; then what its events cause (it waits for
// the server as it leaves, so they are in).
inline void Xdo(const std::string& args) {
  const std::string cmd = "xdotool " + args;
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  Settle();
}

// A real left click at a point of a window. The toolkit's own controls
// click once per press and release, whatever the time between two; on
// labels and pictures click series count (ClickSeries).
inline void ClickAt(GdkWindow* window, int x, int y) {
  Settle();  // repaints that earlier steps asked for come before the click
  gint ox = 0, oy = 0;
  gdk_window_get_origin(window, &ox, &oy);
  Xdo("mousemove " + std::to_string(ox + x) + " " + std::to_string(oy + y) + " click 1");
}

// A real left click in the middle of a control of the form.
inline void ClickOn(const fw::TForm& f, const fw::TControl& c) {
  ClickAt(fw::CanvasOf(f)->window, c.Left() + c.Width() / 2, c.Top() + c.Height() / 2);
}

}  // namespace guitest
