// Presses counted into series, the window system's double clicks: a press on
// the same window, within 3 pixels in x and in y of the previous press and
// within 250 ms of it (both ends included), continues the series, whatever
// its button; after the fourth press a new series begins. One counter serves
// every window of the program, so a press elsewhere ends a series.
#pragma once

#include <cstdint>

namespace fw {

class ClickSeries {
 public:
  static constexpr std::uint32_t kTime = 250;  // ms
  static constexpr int kDistance = 3;          // px, in x and in y
  static constexpr int kLength = 4;

  // The press's place in its series, 1 to 4. window identifies the window
  // (any pointer), x and y are in its coordinates, time is the window
  // system's timestamp in ms (it may wrap around).
  int Count(const void* window, int x, int y, std::uint32_t time);

 private:
  const void* window_ = nullptr;
  int x_ = 0, y_ = 0;
  std::uint32_t time_ = 0;
  int count_ = 0;
};

// The counter shared by the form's canvas and the up-down controls.
ClickSeries& Presses();

}  // namespace fw
