#pragma once

#include <filesystem>
#include <string>

#include "codecs/picture.h"

namespace corvanti {

// An uncompressed 24-bit BMP (40-byte information header, bottom-up rows padded to four
// bytes) of the picture.
std::string EncodeBmp24(const Picture& picture);

// EncodeBmp24 written to path, replacing it whole.
void WriteBmpFile(const Picture& picture, const std::filesystem::path& path);

}  // namespace corvanti
