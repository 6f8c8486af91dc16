#include "codecs/picture_loader.h"

#include <algorithm>
#include <string>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/picture_readers.h"

namespace corvanti {

void CheckPictureLimit(std::int64_t width, std::int64_t height, std::int64_t max_pixels) {
  CheckPictureSize(width, height);
  if (width * height > max_pixels) {
    throw Error("Picture too large (" + std::to_string(width) + " x " + std::to_string(height) +
                " pixels; the limit is " + std::to_string(max_pixels) + " pixels)");
  }
}

Picture ToPicture24(const DecodedPicture& decoded) {
  if (!decoded.Indexed()) return decoded.pixels;
  Picture out(decoded.width, decoded.height);
  if (out.Empty()) return out;
  // Indices beyond the palette read as black, which a fresh picture already is.
  std::uint8_t table[256][3] = {};
  const std::size_t entries = std::min<std::size_t>(decoded.palette.size(), 256);
  for (std::size_t i = 0; i < entries; ++i) {
    table[i][0] = static_cast<std::uint8_t>(BlueOf(decoded.palette[i]));
    table[i][1] = static_cast<std::uint8_t>(GreenOf(decoded.palette[i]));
    table[i][2] = static_cast<std::uint8_t>(RedOf(decoded.palette[i]));
  }
  const std::size_t w = static_cast<std::size_t>(decoded.width);
  if (decoded.indices.size() < w * static_cast<std::size_t>(decoded.height)) return out;
  for (int y = 0; y < decoded.height; ++y) {
    const std::uint8_t* src = decoded.indices.data() + static_cast<std::size_t>(y) * w;
    std::uint8_t* dst = out.Row(y);
    for (std::size_t x = 0; x < w; ++x) {
      const std::uint8_t* c = table[src[x]];
      dst[3 * x] = c[0];
      dst[3 * x + 1] = c[1];
      dst[3 * x + 2] = c[2];
    }
  }
  return out;
}

DecodedPicture LoadPicture(const std::filesystem::path& path) {
  // Only the file's own name counts: a dot in a folder name is no extension.
  const std::string name = path.filename().string();
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) {
    throw Error("Picture file name has no extension (" + path.string() + ")");
  }
  std::string extension = name.substr(dot + 1);
  std::string lower = extension;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (lower == "bmp") return ReadBmp(ReadFileBytes(path));
  if (lower == "gif") return ReadGif(ReadFileBytes(path));
  if (lower == "jpg" || lower == "jpeg") return ReadJpeg(ReadFileBytes(path));
  throw Error("Unknown picture file extension (." + extension + ")");
}

}  // namespace corvanti
