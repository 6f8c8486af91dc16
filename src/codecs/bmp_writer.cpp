#include "codecs/bmp_writer.h"

#include <cstdint>

#include "codecs/file_io.h"

namespace corvanti {
namespace {

void Put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::string EncodeBmp24(const Picture& picture) {
  const std::uint32_t width = static_cast<std::uint32_t>(picture.Width());
  const std::uint32_t height = static_cast<std::uint32_t>(picture.Height());
  const std::uint32_t row_size = (width * 3 + 3) & ~3u;
  const std::uint32_t image_size = row_size * height;
  const std::uint32_t offset = 14 + 40;

  std::string out;
  out.reserve(offset + image_size);
  out += "BM";
  Put32(out, offset + image_size);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, width);
  Put32(out, height);
  Put16(out, 1);   // planes
  Put16(out, 24);  // bits per pixel
  Put32(out, 0);   // no compression
  Put32(out, image_size);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  const std::string padding(row_size - width * 3, '\0');
  for (int y = picture.Height() - 1; y >= 0; --y) {
    out.append(reinterpret_cast<const char*>(picture.Row(y)), picture.Stride());
    out += padding;
  }
  return out;
}

void WriteBmpFile(const Picture& picture, const std::filesystem::path& path) {
  WriteWholeFile(EncodeBmp24(picture), path, CreateFailure::kCannotCreate);
}

}  // namespace corvanti
