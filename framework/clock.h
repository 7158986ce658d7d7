// Time as the framework's timers see it: the toolkit's main loop, or a clock
// that tests move by hand (tests/framework/manual_clock.h). Timers (TTimer)
// and the up-down's repeat take their timeouts from here and nowhere else.
#pragma once

#include <functional>

namespace fw {

class Clock {
 public:
  virtual ~Clock() = default;

  // Runs tick about every interval_ms until it returns false or the timeout
  // is removed; never while its own tick runs. A firing that comes due while
  // the loop is busy is not queued up: it comes once when the loop is free,
  // and the period counts on from the moment of that firing. Ticks run from
  // the event loop (also a modal box's), never inside AddTimeout.
  // An exception that leaves tick is reported (Dispatch) and the timeout
  // stays. Returns 0 when no timeout can be made.
  using Tick = std::function<bool()>;
  virtual unsigned AddTimeout(unsigned interval_ms, Tick tick) = 0;
  // Removes a timeout; a firing already due does not come. 0 is ignored.
  virtual void RemoveTimeout(unsigned id) = 0;
};

// The clock in force: the toolkit's unless a test installed another.
Clock& TheClock();
// Installs clock (not owned); null puts the toolkit's back. Timeouts made on
// one clock must be removed before another is installed.
void SetClock(Clock* clock);

}  // namespace fw
