// Eight simulated hours of the real program at high speed, both animations
// running, recording on and the window repainted again and again: memory
// stays flat and the toolkit never complains.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

constexpr int kSpeed = 30;  // one simulated minute every 33 ms

TEST(Soak, EightSimulatedHours) {
  Program p(Speed(kSpeed));
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  p.Click(at::kReset);  // the clock from 0:00
  p.Click(at::kRecord);
  ASSERT_TRUE(WaitFor([&] { return Lines(p.File("tl.txt")).size() == 2; }, 30));
  // The simulated time as the program shows it; a busy machine may give it
  // fewer ticks than the real time would.
  const auto simulated_minutes = [&] { return p.Clock().value_or(0); };
  long rss_after_first_hour = -1, rss_max = 0;
  int repaints = 0;
  const double deadline = Now() + 8 * 60 * 60.0 / kSpeed * 10;
  while (simulated_minutes() < 8 * 60) {
    // What another window moving over it would cause: a full expose.
    XClearArea(Dpy(), p.window(), 0, 0, 0, 0, True);
    XFlush(Dpy());
    ++repaints;
    Sleep(0.25);
    ASSERT_TRUE(p.Running()) << p.Stderr();
    ASSERT_LT(Now(), deadline) << "the simulated clock stood still at " << simulated_minutes();
    const long rss = p.RssKiB();
    if (rss_after_first_hour < 0 && simulated_minutes() >= 60) rss_after_first_hour = rss;
    if (rss_after_first_hour >= 0) rss_max = std::max(rss_max, rss);
  }
  p.Click(at::kRecord);  // off: everything to the file
  // A line every half hour: 0.50 to 8.00 at least.
  EXPECT_TRUE(WaitFor([&] { return Lines(p.File("tl.txt")).size() >= 2u + 16u; }, 30))
      << p.File("tl.txt");
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer's quarantine grows by design
  EXPECT_LT(rss_max - rss_after_first_hour, 1024)
      << "KiB: " << rss_after_first_hour << " after the first hour, at most " << rss_max;
#endif
  std::printf("[ measure  ] %d repaints; RSS %ld KiB after the first hour, at most %ld KiB\n",
              repaints, rss_after_first_hour, rss_max);
  const std::string err = p.Stderr();
  EXPECT_EQ(Complaints(err), "");
  EXPECT_EQ(err.find("HandleException"), std::string::npos) << err;
}

}  // namespace
}  // namespace e2e
