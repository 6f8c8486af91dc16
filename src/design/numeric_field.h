#pragma once

#include <string>

namespace corvanti {

// An integer field that keeps its text. Text set directly (as a template load does) stays
// as it is, even out of range, until it is committed (the field loses the focus); a value
// set through the field is brought into the range. The value is the integer in the text,
// or the minimum when the text is not an integer.
class NumericField {
 public:
  NumericField(int minimum, int maximum, int step, int value);

  const std::string& Text() const { return text_; }
  // Returns true when the text changed (a change starts a regeneration).
  bool SetText(std::string text);
  bool SetValue(long long value);
  // Brings an out-of-range or non-integer text into the range; true when it changed.
  bool Commit();
  bool StepUp() { return SetValue(static_cast<long long>(Value()) + step_); }
  bool StepDown() { return SetValue(static_cast<long long>(Value()) - step_); }

  int Value() const;
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  int Step() const { return step_; }

 private:
  int minimum_;
  int maximum_;
  int step_;
  std::string text_;
};

// The integer a text holds: optional blanks, an optional sign, decimal digits (or "$" and
// hex digits), optional blanks, and nothing else, within 32 bits. False otherwise.
bool ParseInteger(const std::string& text, int* value);

// ParseInteger or Error("'<text>' is not a valid integer value").
int StrToInt(const std::string& text);

}  // namespace corvanti
