// The framework's general exceptions.
#pragma once

#include <stdexcept>
#include <string>

namespace talvex {

// The general exception with a message.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// An object used as a class it is not.
class EInvalidCast : public Exception {
 public:
  EInvalidCast() : Exception("Invalid class typecast") {}
};

}  // namespace talvex
