#include "codecs/picture.h"

#include <algorithm>
#include <string>

#include "codecs/error.h"

namespace corvanti {

void CheckPictureSize(std::int64_t width, std::int64_t height, std::int64_t max_pixels) {
  // Each side is checked on its own first, so that the product cannot overflow.
  const bool over_cap = width < 0 || height < 0 || width > kMaxPicturePixels ||
                        height > kMaxPicturePixels || width * height > kMaxPicturePixels;
  if (over_cap || width * height > max_pixels) {
    const std::int64_t limit = over_cap ? kMaxPicturePixels : max_pixels;
    throw Error("Picture too large (" + std::to_string(width) + " x " + std::to_string(height) +
                " pixels; the limit is " + std::to_string(limit) + " pixels)");
  }
}

Picture::Picture(int width, int height) {
  CheckPictureSize(width, height);
  width_ = width;
  height_ = height;
  bytes_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
}

void Picture::Fill(Colour c) {
  if (Empty()) return;
  std::uint8_t* row0 = Row(0);
  for (int x = 0; x < width_; ++x) SetPixel(x, 0, c);
  for (int y = 1; y < height_; ++y) std::copy(row0, row0 + Stride(), Row(y));
}

void Picture::CopyFrom(const Picture& src, int sx, int sy, int w, int h, int dx, int dy) {
  // Clip against the source, then against this picture.
  if (sx < 0) { w += sx; dx -= sx; sx = 0; }
  if (sy < 0) { h += sy; dy -= sy; sy = 0; }
  if (dx < 0) { w += dx; sx -= dx; dx = 0; }
  if (dy < 0) { h += dy; sy -= dy; dy = 0; }
  w = std::min({w, src.width_ - sx, width_ - dx});
  h = std::min({h, src.height_ - sy, height_ - dy});
  if (w <= 0 || h <= 0) return;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* from = src.Row(sy + y) + 3 * static_cast<std::size_t>(sx);
    std::copy(from, from + 3 * static_cast<std::size_t>(w),
              Row(dy + y) + 3 * static_cast<std::size_t>(dx));
  }
}

}  // namespace corvanti
