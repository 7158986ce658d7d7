#pragma once

namespace fw {

// Blocks the thread for ms milliseconds; a signal does not shorten it.
void Pause(unsigned ms);

}  // namespace fw
