// Linked into the real program: from before main on, the window system gives
// no timers, so the first timer the main window starts fails.
#include "framework/clock.h"

namespace {

class NoTimers : public fw::Clock {
 public:
  unsigned AddTimeout(unsigned, Tick) override { return 0; }
  void RemoveTimeout(unsigned) override {}
};

NoTimers g_no_timers;
// After g_no_timers in this file, so it is constructed first.
[[maybe_unused]] const bool g_installed = (fw::SetClock(&g_no_timers), true);

}  // namespace
