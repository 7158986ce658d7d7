#include "framework/clicks.h"

#include <cstdlib>

namespace fw {

int ClickSeries::Count(const void* window, int x, int y, std::uint32_t time) {
  const bool continues = count_ > 0 && count_ < kLength && window == window_ &&
                         std::abs(x - x_) <= kDistance && std::abs(y - y_) <= kDistance &&
                         time - time_ <= kTime;  // unsigned: also across a wrap
  count_ = continues ? count_ + 1 : 1;
  window_ = window;
  x_ = x;
  y_ = y;
  time_ = time;
  return count_;
}

ClickSeries& Presses() {
  static ClickSeries presses;
  return presses;
}

}  // namespace fw
