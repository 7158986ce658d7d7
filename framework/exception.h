// The framework's exception type: every error a handler or the framework
// raises. No toolkit here, so the model can raise it too. The event loop
// catches it where the toolkit called in and reports it (error box).
#pragma once

#include <stdexcept>
#include <string>

namespace fw {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  const char* Message() const noexcept { return what(); }
};

}  // namespace fw
