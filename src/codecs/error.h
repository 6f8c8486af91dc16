#pragma once

#include <stdexcept>
#include <string>

namespace corvanti {

// Every failure the program reports carries its own user-facing message
// ("Cannot open file %s", "Bitmap image is not valid", ...).
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Failures raised inside the GIF writer.
class GIFException : public Error {
 public:
  using Error::Error;
};

}  // namespace corvanti
