#include "templates/tagged_text.h"

namespace corvanti {
namespace {

const char kLineEnd[] = "\r\n";

// Position of the first occurrence of upper(marker) in upper(text), or npos.
std::size_t FindIgnoringCase(const std::string& text, const std::string& marker) {
  return UpperAscii(text).find(UpperAscii(marker));
}

}  // namespace

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string WithCrLfLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += kLineEnd;
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += kLineEnd;
    } else {
      out += c;
    }
  }
  return out;
}

std::string TextAfter(const std::string& text, const std::string& marker) {
  std::size_t p = FindIgnoringCase(text, marker);
  if (p == std::string::npos) return text;
  return text.substr(p + marker.size());
}

std::string TextBefore(const std::string& text, const std::string& marker) {
  std::size_t p = FindIgnoringCase(text, marker);
  if (p == std::string::npos) return text;
  return text.substr(0, p);
}

std::string TextBetween(const std::string& text, const std::string& open, const std::string& close) {
  // Both markers are searched from the start: a closing marker that stands before the
  // first opening one gives nothing, even if another follows.
  std::size_t p = text.find(open);
  std::size_t q = text.find(close);
  if (p == std::string::npos || q == std::string::npos || p >= q) return std::string();
  std::size_t start = p + open.size();
  if (q <= start) return std::string();
  return text.substr(start, q - start);
}

std::string ReplaceAll(const std::string& text, const std::string& search,
                       const std::string& replacement) {
  if (search.empty()) return text;
  std::string result;
  result.reserve(text.size());
  std::size_t from = 0;
  for (;;) {
    std::size_t p = text.find(search, from);
    if (p == std::string::npos) break;
    result.append(text, from, p - from);
    result += replacement;
    from = p + search.size();
  }
  result.append(text, from, std::string::npos);
  return result;
}

std::string SetTagValue(const std::string& text, const std::string& key, const std::string& value) {
  const std::string upper_key = UpperAscii(key);
  const std::string open = "<" + upper_key + ">";
  const std::string close = "</" + upper_key + ">" + kLineEnd;
  const std::string element = open + value + close;
  if (text.find(open) == std::string::npos) return text + element;
  // The opening tag was found as written, so the case-insensitive searches of TextBefore
  // and TextAfter find it (or an earlier one differing only in letter case) too.
  return TextBefore(text, open) + element + TextAfter(text, close);
}

std::string GetTagValue(const std::string& text, const std::string& key) {
  const std::string upper_key = UpperAscii(key);
  const std::string open = "<" + upper_key + ">";
  if (text.find(open) == std::string::npos) return std::string();
  return TextBetween(text, open, "</" + upper_key + ">");
}

std::string BoolToYN(bool flag) { return flag ? "Y" : "N"; }

bool IsYes(const std::string& text) { return text == "Y"; }

}  // namespace corvanti
