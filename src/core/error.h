#pragma once

#include <stdexcept>
#include <string>

namespace glkov {

// The one exception type of the core. what() is the message shown to the user, exactly.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace glkov
