#include "codecs/picture_loader.h"

#include <algorithm>
#include <utility>
#include <string>

#include "codecs/error.h"
#include "codecs/file_io.h"

namespace corvanti {
std::string LowerExtension(const std::filesystem::path& path) {
  // Only the file's own name counts: a dot in a folder name is no extension.
  const std::string name = path.filename().string();
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return std::string();
  std::string extension = name.substr(dot + 1);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

Picture ToPicture24(DecodedPicture decoded) {
  if (!decoded.Indexed()) return std::move(decoded.pixels);
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

std::string WithFileName(const std::string& message, const std::filesystem::path& path) {
  const std::string name = path.string();
  if (message.find(name) != std::string::npos) return message;
  return message + " (" + name + ")";
}

namespace {

using Decoder = DecodedPicture (*)(std::string_view);

// Only the file's own name counts: a dot in a folder name is no extension.
Decoder DecoderFor(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) {
    throw Error("Picture file name has no extension (" + path.string() + ")");
  }
  const std::string extension = name.substr(dot + 1);
  const std::string lower = LowerExtension(path);
  if (lower == "bmp") return ReadBmp;
  if (lower == "gif") return ReadGif;
  if (lower == "jpg" || lower == "jpeg") return ReadJpeg;
  throw Error("Unknown picture file extension (." + extension + ")");
}

// The decoders know only bytes; the user needs to know which file it was.
template <typename Read>
DecodedPicture Named(const Read& read, const std::filesystem::path& path) {
  try {
    return read();
  } catch (const Error& e) {
    throw Error(WithFileName(e.what(), path));
  }
}

DecodedPicture Decode(Decoder decode, std::string_view bytes, const std::filesystem::path& path) {
  return Named([&] { return decode(bytes); }, path);
}

}  // namespace

DecodedPicture DecodePicture(std::string_view bytes, const std::filesystem::path& path) {
  return Decode(DecoderFor(path), bytes, path);
}

DecodedPicture LoadPicture(const std::filesystem::path& path) {
  const Decoder decode = DecoderFor(path);
  // A BMP file is read by parts where it can be, which spares holding a large one twice.
  if (decode == static_cast<Decoder>(ReadBmp)) return Named([&] { return ReadBmpFile(path); }, path);
  return Decode(decode, ReadWholeFile(path), path);
}

}  // namespace corvanti
