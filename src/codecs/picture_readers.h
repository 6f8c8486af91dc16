#pragma once

#include <cstdint>
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
Picture ToPicture24(DecodedPicture decoded);

// Decoders over the bytes of a whole file. Each throws Error with the program's message.
// The second form takes a pixel limit of the caller's choice at or below
// kMaxPicturePixels: the fuzz targets use a small one so that a tiny hostile header cannot
// make every run allocate and fill hundreds of megabytes; the program itself uses
// kMaxPicturePixels.
DecodedPicture ReadBmp(std::string_view bytes);
DecodedPicture ReadBmp(std::string_view bytes, std::int64_t max_pixels);
DecodedPicture ReadGif(std::string_view bytes);
DecodedPicture ReadGif(std::string_view bytes, std::int64_t max_pixels);
DecodedPicture ReadJpeg(std::string_view bytes);
DecodedPicture ReadJpeg(std::string_view bytes, std::int64_t max_pixels);

}  // namespace corvanti
