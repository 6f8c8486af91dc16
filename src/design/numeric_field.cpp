#include "design/numeric_field.h"

#include <algorithm>
#include <cstdint>

#include "codecs/error.h"

namespace corvanti {

bool ParseInteger(const std::string& text, int* value) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  std::int64_t magnitude = 0;
  std::size_t digits = 0;
  for (; i < n; ++i, ++digits) {
    char c = text[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else break;
    magnitude = magnitude * base + d;
    // Hex numbers may use all 32 bits (colours); decimal ones must fit a signed int.
    if (magnitude > (base == 16 ? 0xFFFFFFFFLL : 0x80000000LL)) return false;
  }
  while (i < n && text[i] == ' ') ++i;
  if (digits == 0 || i != n) return false;
  std::int64_t v = negative ? -magnitude : magnitude;
  if (base == 16 && !negative) v = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  if (v < INT32_MIN || v > INT32_MAX) return false;
  *value = static_cast<int>(v);
  return true;
}

int StrToInt(const std::string& text) {
  int v = 0;
  if (!ParseInteger(text, &v)) throw Error("'" + text + "' is not a valid integer value");
  return v;
}

NumericField::NumericField(int minimum, int maximum, int step, int value)
    : minimum_(minimum), maximum_(maximum), step_(step),
      text_(std::to_string(std::clamp(value, minimum, maximum))) {}

bool NumericField::SetText(std::string text) {
  if (text == text_) return false;
  text_ = std::move(text);
  return true;
}

bool NumericField::SetValue(long long value) {
  long long v = std::clamp<long long>(value, minimum_, maximum_);
  return SetText(std::to_string(v));
}

bool NumericField::Commit() {
  int v = 0;
  if (!ParseInteger(text_, &v)) return SetText(std::to_string(minimum_));
  return SetValue(v);
}

int NumericField::Value() const {
  int v = 0;
  return ParseInteger(text_, &v) ? v : minimum_;
}

}  // namespace corvanti
