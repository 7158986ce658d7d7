// Counting presses into series: the boundaries of place, time and window.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/clicks.h"

namespace {

TEST(ClickSeries, BoundariesOfPlaceTimeAndWindow) {
  int a = 0, b = 0;  // two windows
  struct Press {
    const void* window;
    int x, y;
    std::uint32_t time;
  };
  const struct {
    const char* what;
    std::vector<Press> presses;
    std::vector<int> counts;
  } cases[] = {
      {"one press", {{&a, 10, 10, 1000}}, {1}},
      {"four quick presses, then a new series",
       {{&a, 10, 10, 1000}, {&a, 10, 10, 1100}, {&a, 10, 10, 1200}, {&a, 10, 10, 1300},
        {&a, 10, 10, 1400}, {&a, 10, 10, 1500}},
       {1, 2, 3, 4, 1, 2}},
      {"250 ms is within, 251 is not",
       {{&a, 10, 10, 1000}, {&a, 10, 10, 1250}, {&a, 10, 10, 1501}}, {1, 2, 1}},
      {"time counts from the previous press",
       {{&a, 10, 10, 1000}, {&a, 10, 10, 1200}, {&a, 10, 10, 1400}}, {1, 2, 3}},
      {"3 px in x and in y are within, 4 are not",
       {{&a, 10, 10, 1000}, {&a, 13, 7, 1050}, {&a, 17, 7, 1100}, {&a, 17, 11, 1150}},
       {1, 2, 1, 1}},
      {"distance counts from the previous press",
       {{&a, 10, 10, 1000}, {&a, 13, 10, 1050}, {&a, 16, 10, 1100}}, {1, 2, 3}},
      {"another window ends the series",
       {{&a, 10, 10, 1000}, {&b, 10, 10, 1050}, {&a, 10, 10, 1100}}, {1, 1, 1}},
      {"the clock wrapping around",
       {{&a, 10, 10, 0xFFFFFFF0u}, {&a, 10, 10, 0x00000010u}}, {1, 2}},
      {"an earlier time is no series", {{&a, 10, 10, 1000}, {&a, 10, 10, 900}}, {1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fw::ClickSeries series;
    std::vector<int> got;
    for (const auto& p : c.presses) got.push_back(series.Count(p.window, p.x, p.y, p.time));
    EXPECT_EQ(got, c.counts);
  }
}

}  // namespace
