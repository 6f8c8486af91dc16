#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace corvanti {

// 0x00BBGGRR: red in the low byte, green in the second, blue in the third.
using Colour = std::uint32_t;

constexpr Colour MakeColour(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

// The largest picture the program holds, in pixels. Decoders check a header's size
// against it before they allocate anything.
constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

// Throws Error("Picture too large (W x H ...)") when a side is negative or width x height
// exceeds the cap, or exceeds max_pixels (a decoder's own limit, at or below the cap).
void CheckPictureSize(std::int64_t width, std::int64_t height,
                      std::int64_t max_pixels = kMaxPicturePixels);

// Memory for pixels that comes zeroed from the allocator (calloc). A new picture is then
// black without its bytes being written first: the system hands out fresh memory as zero
// pages that are made only when first written, by whichever thread writes them. For
// buffers given their size once (a vector that shrank and grew again would not be zeroed).
template <typename T>
struct ZeroedAllocator {
  using value_type = T;
  ZeroedAllocator() = default;
  template <typename U>
  ZeroedAllocator(const ZeroedAllocator<U>&) {}
  T* allocate(std::size_t n) {
    void* p = std::calloc(n, sizeof(T));
    if (!p) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) { std::free(p); }
  // A value-initialised element is zero already.
  template <typename U>
  void construct(U*) noexcept {}
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  friend bool operator==(ZeroedAllocator, ZeroedAllocator) { return true; }
  friend bool operator!=(ZeroedAllocator, ZeroedAllocator) { return false; }
};

// A raster of whole pixels, three bytes each in the order blue, green, red, rows from the
// top, no padding between rows. There is no alpha channel.
class Picture {
 public:
  Picture() = default;
  // A black picture; throws Error when the size is negative or over kMaxPicturePixels.
  Picture(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  std::size_t Stride() const { return static_cast<std::size_t>(width_) * 3; }

  std::uint8_t* Row(int y) { return bytes_.data() + Stride() * static_cast<std::size_t>(y); }
  const std::uint8_t* Row(int y) const {
    return bytes_.data() + Stride() * static_cast<std::size_t>(y);
  }
  std::uint8_t* Data() { return bytes_.data(); }
  const std::uint8_t* Data() const { return bytes_.data(); }
  std::size_t ByteSize() const { return bytes_.size(); }

  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Unchecked: (x, y) must lie inside.
  Colour Pixel(int x, int y) const {
    const std::uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x);
    return MakeColour(p[2], p[1], p[0]);
  }
  void SetPixel(int x, int y, Colour c) {
    std::uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x);
    p[0] = static_cast<std::uint8_t>(BlueOf(c));
    p[1] = static_cast<std::uint8_t>(GreenOf(c));
    p[2] = static_cast<std::uint8_t>(RedOf(c));
  }
  void Fill(Colour c);

  // Copies the w x h block at (sx, sy) of src to (dx, dy), clipped to both pictures.
  void CopyFrom(const Picture& src, int sx, int sy, int w, int h, int dx, int dy);

  friend bool operator==(const Picture& a, const Picture& b) {
    return a.width_ == b.width_ && a.height_ == b.height_ && a.bytes_ == b.bytes_;
  }
  friend bool operator!=(const Picture& a, const Picture& b) { return !(a == b); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t, ZeroedAllocator<std::uint8_t>> bytes_;
};

}  // namespace corvanti
