#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvanti {

// Text inside the design is UTF-8. Template files keep their text in Windows-1252, the
// 8-bit code page of the Western desktops they come from; its five unassigned bytes (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same number, so every
// byte string decodes and encodes back unchanged.

// Every byte as its Windows-1252 character, in UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);

// The Windows-1252 bytes of UTF-8 text, or nothing when a character has no byte there
// (or the text is not valid UTF-8).
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// Whether the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Bytes of unknown origin (a text file, a command-line argument) as UTF-8 text: taken as
// they are when they are valid UTF-8, read as Windows-1252 otherwise.
std::string TextFromUnknownBytes(std::string_view bytes);

}  // namespace corvanti
