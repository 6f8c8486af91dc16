#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "codecs/picture.h"

namespace corvanti {

// A picture as its decoder produced it: indexed pictures keep their palette and one index
// per pixel; true-colour pictures hold their 24-bit pixels.
struct DecodedPicture {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;          // as stored: 1, 4, 8, 16, 24 or 32
  std::vector<Colour> palette;    // indexed pictures only
  std::vector<std::uint8_t> indices;  // indexed pictures only: width x height, rows top-down
  Picture pixels;                 // true-colour pictures only

  bool Indexed() const { return bitsPerPixel <= 8; }
};

// Every pixel with its colour; an index beyond the palette reads as black.
Picture ToPicture24(const DecodedPicture& decoded);

// Decoders over the bytes of a whole file. Each throws Error with the program's message.
DecodedPicture ReadBmp(std::string_view bytes);
DecodedPicture ReadGif(std::string_view bytes);
DecodedPicture ReadJpeg(std::string_view bytes);

// The file read with the BMP decoder whatever its name (template pictures).
DecodedPicture ReadBmpFile(const std::filesystem::path& path);

// The decoder chosen by the extension (bmp, gif, jpg, jpeg, case-insensitive); any other
// extension fails with "Unknown picture file extension (.ext)". A decoder's message gets
// the file's path after it, as in "JPEG error #53 (/home/me/bg.jpg)".
DecodedPicture LoadPicture(const std::filesystem::path& path);
// The same over bytes already read; `path` names the file for its extension and messages.
DecodedPicture DecodePicture(std::string_view bytes, const std::filesystem::path& path);
// `message` followed by " (path)", unless it names the path already.
std::string WithFileName(const std::string& message, const std::filesystem::path& path);

}  // namespace corvanti
