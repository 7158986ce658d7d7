// A clock that moves only when the test says so, for the framework's timing
// rules: timers, the up-down's hold-to-repeat. It fires timeouts as the
// toolkit's main loop does: each one at most once per pass, never inside its
// own tick, and after a busy spell once, with the period counted on from that
// firing (no catch-up).
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "framework/clock.h"

namespace fwtest {

class ManualClock : public fw::Clock {
 public:
  ManualClock() { fw::SetClock(this); }
  ~ManualClock() override { fw::SetClock(nullptr); }
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;

  std::int64_t NowMs() const { return now_; }

  unsigned AddTimeout(unsigned interval_ms, Tick tick) override {
    const unsigned id = ++last_id_;
    timeouts_[id] = {interval_ms, now_ + interval_ms, std::make_shared<Tick>(std::move(tick)),
                     false};
    return id;
  }

  void RemoveTimeout(unsigned id) override { timeouts_.erase(id); }

  // Moves time forward by ms, firing every timeout that comes due on the way,
  // in the order of their due times (ties: the older timeout first).
  void Advance(std::int64_t ms) {
    const std::int64_t target = now_ + ms;
    for (;;) {
      auto next = timeouts_.end();
      for (auto it = timeouts_.begin(); it != timeouts_.end(); ++it)
        if (!it->second.running && it->second.due <= target &&
            (next == timeouts_.end() || it->second.due < next->second.due))
          next = it;
      if (next == timeouts_.end()) break;
      if (next->second.due > now_) now_ = next->second.due;
      const unsigned id = next->first;
      const std::int64_t fired_at = now_;
      auto tick = next->second.tick;  // alive while it runs, also if removed
      next->second.running = true;
      const bool again = (*tick)();
      auto it = timeouts_.find(id);
      if (it == timeouts_.end()) continue;
      it->second.running = false;
      if (again)
        it->second.due = fired_at + it->second.interval;
      else
        timeouts_.erase(it);
    }
    if (target > now_) now_ = target;
  }

  // The thread is held up for ms (a handler that runs long): time passes,
  // nothing fires.
  void Busy(std::int64_t ms) { now_ += ms; }

  std::size_t Pending() const { return timeouts_.size(); }

 private:
  struct Timeout {
    unsigned interval;
    std::int64_t due;
    std::shared_ptr<Tick> tick;
    bool running;
  };
  std::int64_t now_ = 0;
  unsigned last_id_ = 0;
  std::map<unsigned, Timeout> timeouts_;
};

}  // namespace fwtest
