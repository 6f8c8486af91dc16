#pragma once

#include <filesystem>
#include <string>

#include "codecs/picture.h"

namespace corvanti {

// What both exports share: the names they derive and the buttons they cut.

// The chosen file's name without its extension (the part from its last "." on); a dot in a
// folder name never counts.
inline std::string BaseNameOf(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// Strip k (from 1) of a stack of buttons `height` rows high, cut one to one. A stack shorter
// than it should be leaves the missing rows black rather than reading past its end.
inline Picture Strip(const Picture& stack, int k, int width, int height) {
  Picture strip(width, height);
  const long long top = static_cast<long long>(k - 1) * height;
  if (top < stack.Height()) strip.CopyFrom(stack, 0, static_cast<int>(top), width, height, 0, 0);
  return strip;
}

}  // namespace corvanti
