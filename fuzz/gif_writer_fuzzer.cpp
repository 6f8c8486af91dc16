// Builds a small picture from the input, writes it as GIF with each kind of transparency and
// reads the file back with a decoder of its own: the layout must hold, the image data must
// decode to exactly the frame's indices, and every index must lie inside the colour table.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/gif_internals.h"
#include "codecs/gif_writer.h"
#include "codecs/picture.h"

namespace {

using corvanti::GifTransparency;

[[noreturn]] void Fail() { __builtin_trap(); }

void Require(bool condition) {
  if (!condition) Fail();
}

struct Reader {
  const std::string& bytes;
  std::size_t at = 0;
  std::uint8_t Byte() {
    Require(at < bytes.size());
    return static_cast<std::uint8_t>(bytes[at++]);
  }
  int Word() {
    const int low = Byte();
    return low | (Byte() << 8);
  }
};

std::vector<std::uint8_t> DecodeLzw(const std::vector<std::uint8_t>& data, int min_code_size) {
  const int clear = 1 << min_code_size;
  std::vector<int> prefix(4096, -1);
  std::vector<std::uint8_t> suffix(4096), first(4096);
  for (int i = 0; i < clear; ++i) suffix[static_cast<std::size_t>(i)] = first[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  std::vector<std::uint8_t> out;
  int width = min_code_size + 1;
  int next = clear + 2;
  int old = -1;
  std::size_t bit = 0;
  bool ended = false;
  while (bit + static_cast<std::size_t>(width) <= data.size() * 8) {
    int code = 0;
    for (int k = 0; k < width; ++k, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << k;
    if (code == clear) {
      width = min_code_size + 1;
      next = clear + 2;
      old = -1;
      continue;
    }
    if (code == clear + 1) {
      ended = true;
      break;
    }
    Require(code <= next && code != 4095);
    if (old >= 0) {
      const std::uint8_t head = code == next ? first[static_cast<std::size_t>(old)] : first[static_cast<std::size_t>(code)];
      Require(next < 4096);
      prefix[static_cast<std::size_t>(next)] = old;
      suffix[static_cast<std::size_t>(next)] = head;
      first[static_cast<std::size_t>(next)] = first[static_cast<std::size_t>(old)];
      ++next;
    } else {
      Require(code < clear);
    }
    std::vector<std::uint8_t> s;
    for (int c = code; c >= 0; c = prefix[static_cast<std::size_t>(c)]) s.push_back(suffix[static_cast<std::size_t>(c)]);
    out.insert(out.end(), s.rbegin(), s.rend());
    old = code;
    if (next == (1 << width) && width < 12) ++width;
  }
  Require(ended);
  // Only the zero bits that pad the last byte may follow the end code.
  Require(bit + 8 > data.size() * 8);
  return out;
}

void Check(const corvanti::Picture& picture, GifTransparency kind) {
  const std::string file = corvanti::EncodeGif(picture, kind);
  corvanti::TGIFSubImage frame = corvanti::BuildFrame(picture);
  if (kind == GifTransparency::kTopLeftIndex) corvanti::ApplyTopLeftTransparency(frame);
  if (kind == GifTransparency::kKeyColour) corvanti::ApplyKeyColour(frame, picture);

  Reader r{file};
  Require(file.compare(0, 3, "GIF") == 0);
  r.at = 6;
  Require(r.Word() == picture.Width());
  Require(r.Word() == picture.Height());
  const int header_packed = r.Byte();
  Require((header_packed & 0x88) == 0);
  Require(r.Byte() == 0 && r.Byte() == 0);
  int transparent = -1;
  if (r.bytes[r.at] == '\x21') {
    Require(file.compare(3, 3, "89a") == 0);
    Require(r.Byte() == 0x21 && r.Byte() == 0xF9 && r.Byte() == 4);
    Require(r.Byte() == 1);
    const int delay = r.Word();
    Require(delay == (kind == GifTransparency::kTopLeftIndex ? 3000 : 0));
    transparent = r.Byte();
    Require(r.Byte() == 0);
  }
  Require(kind != GifTransparency::kTopLeftIndex || transparent == frame.data[0]);
  Require(r.Byte() == 0x2C);
  Require(r.Word() == 0 && r.Word() == 0);
  Require(r.Word() == picture.Width() && r.Word() == picture.Height());
  const int packed = r.Byte();
  Require((packed & 0x80) != 0 && (packed & 0x40) == 0);
  const int bits = (packed & 7) + 1;
  Require((header_packed & 7) == bits - 1 && ((header_packed >> 4) & 7) == bits - 1);
  const int entries = 1 << bits;
  Require(frame.color_map.Count() <= entries && (bits == 1 || frame.color_map.Count() > entries / 2));
  for (int i = 0; i < entries; ++i) {
    corvanti::TGIFColor c{r.Byte(), r.Byte(), r.Byte()};
    Require(c == (i < frame.color_map.Count() ? frame.color_map[i] : corvanti::TGIFColor{}));
  }
  Require(transparent < frame.color_map.Count());
  const int min_code_size = r.Byte();
  Require(min_code_size == (bits < 2 ? 2 : bits));
  std::vector<std::uint8_t> data;
  for (;;) {
    const int n = r.Byte();
    if (n == 0) break;
    for (int i = 0; i < n; ++i) data.push_back(r.Byte());
  }
  Require(r.Byte() == 0x3B && r.at == file.size());
  const std::vector<std::uint8_t> indices = DecodeLzw(data, min_code_size);
  Require(indices == frame.data);
  for (std::uint8_t index : indices) Require(index < frame.color_map.Count());
  // Key colour: exactly the pixels of the bottom-left colour carry the transparent index.
  if (kind == GifTransparency::kKeyColour && transparent >= 0) {
    const corvanti::Colour key = picture.Pixel(0, picture.Height() - 1);
    for (int y = 0; y < picture.Height(); ++y) {
      for (int x = 0; x < picture.Width(); ++x) {
        const bool is_key = picture.Pixel(x, y) == key;
        Require(is_key == (indices[static_cast<std::size_t>(y * picture.Width() + x)] == transparent));
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int width = 1 + data[0] % 64;
  const int height = 1 + data[1] % 64;
  const int mode = data[2];
  data += 3;
  size -= 3;
  corvanti::Picture picture(width, height);
  // Mode 0: the bytes are the pixels; otherwise each byte picks one of a few colours, which
  // gives runs, ties in the use counts and tables below 256 colours.
  const int palette_size = 1 + mode % 16;
  for (int i = 0; i < width * height; ++i) {
    std::uint8_t* q = picture.Data() + 3 * static_cast<std::size_t>(i);
    if (mode == 0) {
      for (int c = 0; c < 3; ++c) {
        const std::size_t at = 3 * static_cast<std::size_t>(i) + static_cast<std::size_t>(c);
        q[c] = size ? data[at % size] : 0;
      }
    } else {
      const int pick = size ? data[static_cast<std::size_t>(i) % size] % palette_size : 0;
      q[0] = static_cast<std::uint8_t>(pick * 37 + mode);
      q[1] = static_cast<std::uint8_t>(pick * 91);
      q[2] = static_cast<std::uint8_t>(255 - pick * 13);
    }
  }
  Check(picture, GifTransparency::kNone);
  Check(picture, GifTransparency::kTopLeftIndex);
  Check(picture, GifTransparency::kKeyColour);
  return 0;
}
