#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "codecs/picture.h"

namespace corvanti {

// How the pixel rows are filtered and deflated. The defaults are the program's choice
// (png_writer.cpp says why); the benchmark tries others against them.
struct PngCompression {
  int palette_level = 9;          // zlib level for palette pictures
  int truecolour_level = 6;       // zlib level for RGB / RGBA pictures
  bool filter_palette = false;    // adaptive filtering for palette pictures (else none)
  bool filter_truecolour = true;  // adaptive filtering for RGB / RGBA pictures (else none)
};

// The bytes of a PNG of the picture with 8 bits per channel and no colour lost. Every pixel
// of colour `transparent` (when given) is fully transparent, every other pixel opaque.
// A picture of at most 256 colours becomes a palette PNG (1, 2, 4 or 8 bits per index,
// with a tRNS entry for the transparent colour), any other an RGB PNG, or RGBA when the
// transparent colour occurs in it. Throws Error for a picture without pixels or when
// libpng fails.
std::string EncodePng(const Picture& picture, std::optional<Colour> transparent,
                      const PngCompression& compression = PngCompression{});

// EncodePng written to path, replacing it whole. Throws Error, or
// Error("Cannot create file <path>").
void WritePngFile(const Picture& picture, const std::filesystem::path& path,
                  std::optional<Colour> transparent);

}  // namespace corvanti
