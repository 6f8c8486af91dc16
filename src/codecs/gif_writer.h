#pragma once

#include <filesystem>
#include <string>

#include "codecs/picture.h"

namespace corvanti {

enum class GifTransparency {
  kNone,
  kTopLeftIndex,  // the palette index of pixel (0, 0), delay 3000
  kKeyColour,     // the colour of the bottom-left pixel, after sorting the table by use
};

// The bytes of a single-frame GIF of the picture (1..65535 on each side): octree
// quantization to 256 colours, nearest-colour mapping, LZW. Throws GIFException.
std::string EncodeGif(const Picture& picture, GifTransparency transparency);

// EncodeGif written to path, replacing it whole. Throws GIFException, or
// Error("Cannot create file <path>").
void WriteGifFile(const Picture& picture, const std::filesystem::path& path,
                  GifTransparency transparency);

}  // namespace corvanti
