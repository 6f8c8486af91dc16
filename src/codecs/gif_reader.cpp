#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "codecs/error.h"
#include "codecs/picture_readers.h"

namespace corvanti {
namespace {

[[noreturn]] void PrematureEnd() { throw Error("Premature end of data"); }
[[noreturn]] void Corrupt() { throw Error("Invalid GIF data"); }

// Reads the file front to back; running off its end is the "Premature end of data" error.
class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes, std::size_t pos = 0) : bytes_(bytes), pos_(pos) {}
  std::uint8_t Byte() {
    if (pos_ >= bytes_.size()) PrematureEnd();
    return static_cast<std::uint8_t>(bytes_[pos_++]);
  }
  std::uint32_t Word() {
    std::uint32_t lo = Byte();
    return lo | static_cast<std::uint32_t>(Byte()) << 8;
  }
  void Skip(std::size_t n) {
    if (n > bytes_.size() - pos_) PrematureEnd();
    pos_ += n;
  }
  // Skips a chain of sub-blocks up to and including its zero-length terminator.
  void SkipSubBlocks() {
    for (std::uint8_t n = Byte(); n != 0; n = Byte()) Skip(n);
  }
  std::vector<Colour> ColourTable(int entries) {
    std::vector<Colour> table(static_cast<std::size_t>(entries));
    for (Colour& c : table) {
      std::uint8_t r = Byte(), g = Byte(), b = Byte();
      c = MakeColour(r, g, b);
    }
    return table;
  }
  std::size_t Pos() const { return pos_; }
  std::string_view Bytes() const { return bytes_; }

 private:
  std::string_view bytes_;
  std::size_t pos_;
};

// The LZW codes of one frame, least significant bit first, across the sub-blocks.
class CodeStream {
 public:
  explicit CodeStream(ByteReader& in) : in_(in) {}
  // The next code of `size` bits, or -1 when the data's terminator block came first.
  int Next(int size) {
    while (bit_count_ < size) {
      if (block_left_ == 0) {
        if (ended_) return -1;
        block_left_ = in_.Byte();
        if (block_left_ == 0) {
          ended_ = true;
          return -1;
        }
      }
      bits_ |= static_cast<std::uint32_t>(in_.Byte()) << bit_count_;
      bit_count_ += 8;
      --block_left_;
    }
    const int code = static_cast<int>(bits_ & ((1u << size) - 1));
    bits_ >>= size;
    bit_count_ -= size;
    return code;
  }

 private:
  ByteReader& in_;
  std::uint32_t bits_ = 0;
  int bit_count_ = 0;
  int block_left_ = 0;
  bool ended_ = false;
};

// Decodes the frame's pixels in the order they are stored. Data that ends before the frame
// is full leaves the remaining pixels at index 0; a code that no table entry can explain is
// an error rather than a guess. A minimum code size above 8 makes room for literal codes past
// 255, which no colour table holds: those are errors too.
void DecodeLzw(ByteReader& in, int min_code_size, std::vector<std::uint8_t>& out) {
  constexpr int kMaxCodes = 4096;
  std::vector<std::uint16_t> prefix(kMaxCodes);
  std::vector<std::uint8_t> suffix(kMaxCodes);
  std::vector<std::uint8_t> stack(kMaxCodes + 1);
  const int clear = 1 << min_code_size;
  const int end = clear + 1;
  for (int i = 0; i < clear; ++i) suffix[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);

  CodeStream codes(in);
  int code_size = min_code_size + 1;
  int next = clear + 2;
  int previous = -1;
  std::uint8_t first = 0;
  std::size_t filled = 0;
  const std::size_t total = out.size();
  while (filled < total) {
    const int code = codes.Next(code_size);
    if (code < 0 || code == end) return;
    if (code == clear) {
      code_size = min_code_size + 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (previous < 0) {
      if (code > clear || code > 255) Corrupt();
      first = static_cast<std::uint8_t>(code);
      out[filled++] = first;
      previous = code;
      continue;
    }
    if (code > next) Corrupt();
    // Unwind the string of `code` onto the stack, last character first.
    std::size_t depth = 0;
    int walk = code;
    if (code == next) {
      stack[depth++] = first;
      walk = previous;
    }
    while (walk >= clear) {
      stack[depth++] = suffix[static_cast<std::size_t>(walk)];
      walk = prefix[static_cast<std::size_t>(walk)];
    }
    if (walk > 255) Corrupt();
    first = static_cast<std::uint8_t>(walk);
    stack[depth++] = first;
    while (depth > 0 && filled < total) out[filled++] = stack[--depth];
    if (next < kMaxCodes) {
      prefix[static_cast<std::size_t>(next)] = static_cast<std::uint16_t>(previous);
      suffix[static_cast<std::size_t>(next)] = first;
      ++next;
      if (next == (1 << code_size) && code_size < 12) ++code_size;
    }
    previous = code;
  }
}

// Index of the colour in the table, adding it when there is room, else the nearest entry.
std::uint8_t IndexFor(std::vector<Colour>& table, Colour colour) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i] == colour) return static_cast<std::uint8_t>(i);
  }
  if (table.size() < 256) {
    table.push_back(colour);
    return static_cast<std::uint8_t>(table.size() - 1);
  }
  std::size_t best = 0;
  int best_distance = 1 << 30;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const int d = std::abs(RedOf(table[i]) - RedOf(colour)) +
                  std::abs(GreenOf(table[i]) - GreenOf(colour)) +
                  std::abs(BlueOf(table[i]) - BlueOf(colour));
    if (d < best_distance) {
      best_distance = d;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

bool IsGifSignature(std::string_view bytes, std::size_t at) {
  if (bytes.size() < at + 3) return false;
  auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
  return upper(bytes[at]) == 'G' && upper(bytes[at + 1]) == 'I' && upper(bytes[at + 2]) == 'F';
}

}  // namespace

DecodedPicture ReadGif(std::string_view bytes) { return ReadGif(bytes, kMaxPicturePixels); }

DecodedPicture ReadGif(std::string_view bytes, std::int64_t max_pixels) {
  std::size_t start = 0;
  if (!IsGifSignature(bytes, 0)) {
    // Some files carry a few bytes in front of the signature.
    if (!IsGifSignature(bytes, 4)) throw Error("Invalid GIF signature");
    start = 4;
  }
  ByteReader in(bytes, start + 6);  // the version characters are not checked

  const int screen_width = static_cast<int>(in.Word());
  const int screen_height = static_cast<int>(in.Word());
  const std::uint8_t screen_flags = in.Byte();
  const std::uint8_t background_index = in.Byte();
  in.Byte();  // pixel aspect ratio
  CheckPictureSize(screen_width, screen_height, max_pixels);
  std::vector<Colour> global_table;
  if (screen_flags & 0x80) global_table = in.ColourTable(2 << (screen_flags & 7));

  for (;;) {
    const std::uint8_t block = in.Byte();
    if (block == 0x21) {  // extension: label, then sub-blocks
      in.Byte();
      in.SkipSubBlocks();
      continue;
    }
    if (block == 0x3B) {  // trailer before any frame: nothing to show
      return DecodedPicture{};
    }
    if (block != 0x2C) Corrupt();

    const int left = static_cast<int>(in.Word());
    const int top = static_cast<int>(in.Word());
    const int width = static_cast<int>(in.Word());
    const int height = static_cast<int>(in.Word());
    const std::uint8_t flags = in.Byte();
    CheckPictureSize(width, height, max_pixels);
    std::vector<Colour> table =
        (flags & 0x80) ? in.ColourTable(2 << (flags & 7)) : global_table;
    const bool interlaced = (flags & 0x40) != 0;
    const int min_code_size = in.Byte();
    // Codes are at most 12 bits wide, so 11 is the largest minimum code size. Some writers
    // go above 8 with 256 colours or fewer; other decoders show their files, and so does this.
    if (min_code_size < 1 || min_code_size > 11) Corrupt();

    std::vector<std::uint8_t> stored(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    DecodeLzw(in, min_code_size, stored);

    // Interlaced frames store every 8th row from 0, every 8th from 4, every 4th from 2,
    // then the odd rows.
    std::vector<int> row_of(static_cast<std::size_t>(height));
    if (interlaced) {
      static const int kStart[4] = {0, 4, 2, 1};
      static const int kStep[4] = {8, 8, 4, 2};
      std::size_t i = 0;
      for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass]) row_of[i++] = y;
      }
    } else {
      for (int y = 0; y < height; ++y) row_of[static_cast<std::size_t>(y)] = y;
    }

    DecodedPicture out;
    out.bitsPerPixel = 8;
    const bool covers_screen = left == 0 && top == 0 && width == screen_width && height == screen_height;
    // Some writers leave the screen size at zero; the frame alone is the picture then.
    const bool frame_alone = covers_screen || screen_width == 0 || screen_height == 0;
    if (frame_alone) {
      if (width == 0 || height == 0) return out;  // no area: the empty picture
      out.width = width;
      out.height = height;
      out.indices.resize(stored.size());
      const std::size_t w = static_cast<std::size_t>(width);
      for (int i = 0; i < height; ++i) {
        std::copy_n(stored.begin() + static_cast<std::ptrdiff_t>(i * w), w,
                    out.indices.begin() + static_cast<std::ptrdiff_t>(row_of[static_cast<std::size_t>(i)] * w));
      }
      out.palette = std::move(table);
      return out;
    }

    // A smaller frame lands at its position on the logical screen; the rest of the screen
    // takes the screen's background colour (black without a global table).
    Colour outside = MakeColour(0, 0, 0);
    if (background_index < global_table.size()) outside = global_table[background_index];
    const std::uint8_t outside_index = IndexFor(table, outside);
    out.width = screen_width;
    out.height = screen_height;
    out.indices.assign(static_cast<std::size_t>(screen_width) * static_cast<std::size_t>(screen_height),
                       outside_index);
    const int x0 = std::max(left, 0);
    const int x1 = std::min(left + width, screen_width);
    for (int i = 0; i < height; ++i) {
      const int y = top + row_of[static_cast<std::size_t>(i)];
      if (y >= screen_height || x0 >= x1) continue;
      const std::uint8_t* src = stored.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(width);
      std::copy(src + (x0 - left), src + (x1 - left),
                out.indices.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * screen_width + x0));
    }
    out.palette = std::move(table);
    return out;
  }
}

}  // namespace corvanti
