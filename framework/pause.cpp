// Pause(ms): sleeps the whole time, also across signals.
#include "framework/pause.h"

#include <cerrno>
#include <ctime>

namespace fw {

void Pause(unsigned ms) {
  timespec request{};
  request.tv_sec = static_cast<time_t>(ms / 1000u);
  request.tv_nsec = static_cast<long>(ms % 1000u) * 1000000L;
  timespec remaining{};
  while (nanosleep(&request, &remaining) != 0 && errno == EINTR) request = remaining;
}

}  // namespace fw
