// The toolkit's clock: the main loop's timeouts, whose firings already
// follow the rules of fw::Clock (no catch-up, no re-entry).
#include "framework/clock.h"

#include <glib.h>

#include "framework/toolkit.h"

namespace fw {

namespace {

class MainLoopClock : public Clock {
 public:
  unsigned AddTimeout(unsigned interval_ms, Tick tick) override {
    return toolkit::AddTimeout(interval_ms, std::move(tick));
  }
  void RemoveTimeout(unsigned id) override { toolkit::RemoveTimeout(id); }
};

MainLoopClock g_main_loop_clock;
Clock* g_clock = &g_main_loop_clock;

}  // namespace

Clock& TheClock() { return *g_clock; }

void SetClock(Clock* clock) { g_clock = clock ? clock : &g_main_loop_clock; }

}  // namespace fw
