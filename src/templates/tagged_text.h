#pragma once

#include <string>

namespace corvanti {

// Byte-string routines of the template format and the page pattern. Strings may hold any
// byte, zero included; nothing is re-encoded. Upper-casing touches only a-z.

std::string UpperAscii(std::string text);
// Every line end (CR LF, a lone CR or a lone LF) as CR LF.
std::string WithCrLfLineEnds(const std::string& text);
std::string TextAfter(const std::string& text, const std::string& marker);
std::string TextBefore(const std::string& text, const std::string& marker);
std::string TextBetween(const std::string& text, const std::string& open, const std::string& close);
std::string ReplaceAll(const std::string& text, const std::string& search, const std::string& replacement);
std::string SetTagValue(const std::string& text, const std::string& key, const std::string& value);
std::string GetTagValue(const std::string& text, const std::string& key);
std::string BoolToYN(bool flag);
bool IsYes(const std::string& text);

}  // namespace corvanti
