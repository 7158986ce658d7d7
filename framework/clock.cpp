// The toolkit's clock: GLib's monotonic time and timeout sources, whose
// firings already follow the rules of fw::Clock (no catch-up, no re-entry).
#include "framework/clock.h"

#include <glib.h>

#include "framework/forms.h"

namespace fw {

namespace {

class MainLoopClock : public Clock {
 public:
  std::int64_t NowMs() override { return g_get_monotonic_time() / 1000; }

  unsigned AddTimeout(unsigned interval_ms, Tick tick) override {
    return g_timeout_add_full(G_PRIORITY_DEFAULT, interval_ms, &MainLoopClock::Fire,
                              new Tick(std::move(tick)), &MainLoopClock::Free);
  }

  void RemoveTimeout(unsigned id) override {
    if (id) g_source_remove(id);
  }

 private:
  static gboolean Fire(gpointer data) {
    bool again = true;  // a tick that raised keeps its timeout
    Dispatch([&] { again = (*static_cast<Tick*>(data))(); });
    return again ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
  }
  static void Free(gpointer data) { delete static_cast<Tick*>(data); }
};

MainLoopClock g_main_loop_clock;
Clock* g_clock = &g_main_loop_clock;

}  // namespace

Clock& TheClock() { return *g_clock; }

void SetClock(Clock* clock) { g_clock = clock ? clock : &g_main_loop_clock; }

}  // namespace fw
