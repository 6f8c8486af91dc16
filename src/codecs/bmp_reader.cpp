#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/picture_loader.h"
#include "codecs/picture_readers.h"

namespace corvanti {
namespace {

constexpr char kInvalidBitmap[] = "Bitmap image is not valid";

[[noreturn]] void Invalid() { throw Error(kInvalidBitmap); }

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

std::uint32_t Get16(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at])) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 8;
}
std::uint32_t Get32(std::string_view b, std::size_t at) {
  return Get16(b, at) | Get16(b, at + 2) << 16;
}

// One channel of a bit-field pixel: where its bits sit and how to widen them to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(std::uint32_t m) : mask(m) {
    if (mask == 0) return;
    while (((mask >> shift) & 1u) == 0) ++shift;
    while (shift + bits < 32 && ((mask >> (shift + bits)) & 1u) != 0) ++bits;
  }

  // Short fields are widened by repeating their bits, so that the largest value is 255
  // (a 5-bit 31 becomes 255, not 248); long fields keep their top 8 bits.
  std::uint8_t Of(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    std::uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
    std::uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
      out = (out << bits) | v;
      filled += bits;
    }
    return static_cast<std::uint8_t>(out >> (filled - 8));
  }
};

// The pixel rows of the file are stored bottom row first unless the height is negative.
struct RowOrder {
  int height;
  bool top_down;
  int Target(int file_row) const { return top_down ? file_row : height - 1 - file_row; }
};

// Run-length data writes into the index raster; every run is clipped to the picture so that
// damaged data can never write outside it. Pixels that no run reaches keep index 0.
void ExpandRle(std::string_view data, bool four_bit, int width, const RowOrder& order,
               std::uint8_t* indices) {
  std::size_t pos = 0;
  std::int64_t x = 0;
  std::int64_t row = 0;  // in file order
  const int height = order.height;
  auto put = [&](std::uint8_t value) {
    if (x < width && row < height) {
      indices[static_cast<std::size_t>(order.Target(static_cast<int>(row))) * width +
              static_cast<std::size_t>(x)] = value;
    }
    ++x;
  };
  while (pos + 2 <= data.size() && row < height) {
    const std::uint8_t count = static_cast<std::uint8_t>(data[pos]);
    const std::uint8_t value = static_cast<std::uint8_t>(data[pos + 1]);
    pos += 2;
    if (count > 0) {
      // A run past the row's end is dropped: it cannot reach a pixel.
      const int n = static_cast<int>(std::min<std::int64_t>(count, std::max<std::int64_t>(0, width - x)));
      for (int i = 0; i < n; ++i) {
        put(four_bit ? static_cast<std::uint8_t>((i & 1) ? value & 0x0F : value >> 4) : value);
      }
      x += count - n;
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++row;
        break;
      case 1:  // end of picture
        return;
      case 2:  // move right and up
        if (pos + 2 > data.size()) return;
        x += static_cast<std::uint8_t>(data[pos]);
        row += static_cast<std::uint8_t>(data[pos + 1]);
        pos += 2;
        break;
      default: {  // a literal run of `value` pixels, padded to a whole 16-bit word
        const std::size_t bytes = four_bit ? (value + 1u) / 2u : value;
        if (pos + bytes > data.size()) return;
        for (int i = 0; i < value; ++i) {
          const std::uint8_t b = static_cast<std::uint8_t>(data[pos + (four_bit ? i / 2 : i)]);
          put(four_bit ? static_cast<std::uint8_t>((i & 1) ? b & 0x0F : b >> 4) : b);
        }
        pos += (bytes + 1) & ~std::size_t{1};
        break;
      }
    }
  }
}

// Everything a file says before its pixel rows.
struct BmpHeader {
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool top_down = false;
  std::uint32_t bpp = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t masks[3] = {0, 0, 0};
  std::vector<Colour> palette;  // indexed pictures only
  std::uint64_t pixel_start = 0;
  std::uint32_t image_size = 0;  // as the header gives it (run-length data)
};

// Reads the header from `bytes`, the start of a file of `file_size` bytes (or all of it).
// Throws Error for a header that is not valid; returns false when the start given ends
// before the header does, which the whole file never does.
bool ParseBmpHeader(std::string_view bytes, std::uint64_t file_size, std::int64_t max_pixels,
                    BmpHeader& header) {
  const auto holds = [&](std::uint64_t end) { return end <= bytes.size(); };
  if (file_size < 14 + 4 || !holds(14 + 4) || bytes[0] != 'B' || bytes[1] != 'M') Invalid();
  const std::uint32_t data_offset = Get32(bytes, 10);

  const std::uint32_t header_size = Get32(bytes, 14);
  const bool core = header_size == 12;
  if (!core && header_size < 40) Invalid();
  if (14 + static_cast<std::uint64_t>(header_size) > file_size) Invalid();
  if (!holds(14 + static_cast<std::uint64_t>(header_size))) return false;

  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint32_t planes = 0;
  std::uint32_t bpp = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t colours_used = 0;
  if (core) {
    width = Get16(bytes, 18);
    height = Get16(bytes, 20);
    planes = Get16(bytes, 22);
    bpp = Get16(bytes, 24);
  } else {
    width = static_cast<std::int32_t>(Get32(bytes, 18));
    height = static_cast<std::int32_t>(Get32(bytes, 22));
    planes = Get16(bytes, 26);
    bpp = Get16(bytes, 28);
    compression = Get32(bytes, 30);
    header.image_size = Get32(bytes, 34);
    colours_used = Get32(bytes, 46);
  }
  if (planes != 1) Invalid();
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) Invalid();
  switch (compression) {
    case kRgb: break;
    case kRle8: if (bpp != 8) Invalid(); break;
    case kRle4: if (bpp != 4) Invalid(); break;
    case kBitFields: if (bpp != 16 && bpp != 32) Invalid(); break;
    default: Invalid();  // embedded JPEG or PNG data and the like
  }
  if (width < 0) Invalid();
  const bool top_down = height < 0;
  if (top_down) height = -height;
  CheckPictureSize(width, height, max_pixels);

  // The colour masks sit right after the first 40 bytes of the header: after a 40-byte header
  // they follow it, in the larger headers they are its next fields.
  std::uint64_t table_start = 14 + static_cast<std::uint64_t>(header_size);
  std::uint32_t* masks = header.masks;
  if (compression == kBitFields) {
    if (14 + 40 + 12 > file_size) Invalid();
    if (!holds(14 + 40 + 12)) return false;
    for (int i = 0; i < 3; ++i) masks[i] = Get32(bytes, 14 + 40 + 4 * i);
    if (header_size == 40) table_start += 12;
  } else if (bpp == 16) {
    masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F;
  } else if (bpp == 32) {
    masks[0] = 0x00FF0000; masks[1] = 0x0000FF00; masks[2] = 0x000000FF;
  }

  const std::uint64_t entry_size = core ? 3 : 4;
  std::uint64_t table_entries = colours_used;
  if (bpp <= 8 && table_entries == 0) table_entries = std::uint64_t{1} << bpp;
  std::uint64_t table_end = table_start + table_entries * entry_size;
  // Without a usable count (none, one past the index range, or any count of a true-colour
  // picture, which needs no table) some writers store only the colours they use and say in
  // the data offset where the rows start. The entries before the rows are then the table;
  // indices past it read as black.
  const bool count_unsure = bpp > 8 || colours_used == 0 || colours_used > (1u << bpp);
  if (count_unsure && data_offset >= table_start && data_offset < table_end &&
      data_offset < file_size) {
    table_entries = (data_offset - table_start) / entry_size;
    table_end = table_start + table_entries * entry_size;
  }
  if (table_end > file_size) Invalid();
  if (bpp <= 8) {
    const std::uint64_t kept = std::min<std::uint64_t>(table_entries, std::uint64_t{1} << bpp);
    if (!holds(table_start + kept * entry_size)) return false;
    header.palette.resize(static_cast<std::size_t>(kept));
    for (std::size_t i = 0; i < kept; ++i) {
      const std::size_t at = static_cast<std::size_t>(table_start + i * entry_size);
      header.palette[i] = MakeColour(static_cast<std::uint8_t>(bytes[at + 2]),
                                     static_cast<std::uint8_t>(bytes[at + 1]),
                                     static_cast<std::uint8_t>(bytes[at]));
    }
  }

  // Writers that leave a gap after the colour table say where the rows start.
  header.pixel_start = table_end;
  if (data_offset >= table_end && data_offset < file_size) header.pixel_start = data_offset;
  header.width = width;
  header.height = height;
  header.top_down = top_down;
  header.bpp = bpp;
  header.compression = compression;
  return true;
}

// The bytes of one stored row.
std::uint64_t RowSize(const BmpHeader& header) {
  return ((static_cast<std::uint64_t>(header.width) * header.bpp + 31) / 32) * 4;
}

}  // namespace

DecodedPicture ReadBmp(std::string_view bytes) { return ReadBmp(bytes, kMaxPicturePixels); }

DecodedPicture ReadBmp(std::string_view bytes, std::int64_t max_pixels) {
  DecodedPicture out;
  // An empty file reads as an empty picture: templates saved without a picture are stored so.
  if (bytes.empty()) return out;
  BmpHeader header;
  ParseBmpHeader(bytes, bytes.size(), max_pixels, header);
  const std::int64_t width = header.width;
  const std::int64_t height = header.height;
  const std::uint32_t bpp = header.bpp;
  const std::uint32_t compression = header.compression;
  const std::uint32_t* masks = header.masks;
  out.palette = std::move(header.palette);
  std::string_view data = bytes.substr(static_cast<std::size_t>(header.pixel_start));

  out.bitsPerPixel = static_cast<int>(bpp);
  // A picture without area is empty whatever its other side claims, so that no one walks
  // millions of empty rows.
  if (width == 0 || height == 0) return out;
  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  const RowOrder order{out.height, header.top_down};
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t h = static_cast<std::size_t>(height);

  if (compression == kRle8 || compression == kRle4) {
    const std::uint32_t image_size = header.image_size;
    if (image_size != 0 && image_size < data.size()) data = data.substr(0, image_size);
    out.indices.assign(w * h, 0);
    ExpandRle(data, compression == kRle4, out.width, order, out.indices.data());
    return out;
  }

  const std::uint64_t row_size = RowSize(header);
  // Rows that the file does not hold make the picture unreadable, like a wrong header.
  if (row_size * h > data.size()) Invalid();

  if (bpp <= 8) {
    out.indices.resize(w * h);
    const int per_byte = 8 / static_cast<int>(bpp);
    const std::uint32_t value_mask = (1u << bpp) - 1;
    for (std::size_t r = 0; r < h; ++r) {
      const std::uint8_t* src =
          reinterpret_cast<const std::uint8_t*>(data.data()) + r * static_cast<std::size_t>(row_size);
      std::uint8_t* dst = out.indices.data() + static_cast<std::size_t>(order.Target(static_cast<int>(r))) * w;
      if (bpp == 8) {
        std::memcpy(dst, src, w);
        continue;
      }
      for (std::size_t x = 0; x < w; ++x) {
        const int slot = static_cast<int>(x % per_byte);
        const int shift = 8 - static_cast<int>(bpp) * (slot + 1);
        dst[x] = static_cast<std::uint8_t>((src[x / per_byte] >> shift) & value_mask);
      }
    }
    return out;
  }

  out.pixels = Picture(out.width, out.height);
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
  for (std::size_t r = 0; r < h; ++r) {
    const std::uint8_t* src =
        reinterpret_cast<const std::uint8_t*>(data.data()) + r * static_cast<std::size_t>(row_size);
    std::uint8_t* dst = out.pixels.Row(order.Target(static_cast<int>(r)));
    if (bpp == 24) {
      std::memcpy(dst, src, w * 3);
      continue;
    }
    for (std::size_t x = 0; x < w; ++x) {
      std::uint32_t p;
      if (bpp == 16) {
        p = static_cast<std::uint32_t>(src[2 * x]) | static_cast<std::uint32_t>(src[2 * x + 1]) << 8;
      } else {
        p = static_cast<std::uint32_t>(src[4 * x]) | static_cast<std::uint32_t>(src[4 * x + 1]) << 8 |
            static_cast<std::uint32_t>(src[4 * x + 2]) << 16 |
            static_cast<std::uint32_t>(src[4 * x + 3]) << 24;
      }
      dst[3 * x] = blue.Of(p);
      dst[3 * x + 1] = green.Of(p);
      dst[3 * x + 2] = red.Of(p);
    }
  }
  return out;
}

namespace {

// Large 24-bit pictures are read from the file straight into their rows, without holding
// the file's bytes as well; an empty result means the file is read whole instead (another
// kind of file, or one that changed while it was read), which gives the same picture and
// every error as it would.
constexpr std::uint64_t kStreamedBytes = 256 * 1024;
constexpr std::size_t kHeadBytes = 64 * 1024;

std::optional<DecodedPicture> ReadBmpRows(const std::filesystem::path& path) {
  const ReadOnlyFile file(path);
  const std::optional<std::uint64_t> size = file.RegularSize();
  if (!size || *size < kStreamedBytes) return std::nullopt;
  const std::uint64_t file_size = *size;
  const std::string head = file.ReadAt(0, kHeadBytes);
  if (head.empty()) return std::nullopt;
  BmpHeader header;
  if (!ParseBmpHeader(head, file_size, kMaxPicturePixels, header)) return std::nullopt;
  const std::uint64_t row_size = RowSize(header);
  const bool rows_whole =
      row_size * static_cast<std::uint64_t>(header.height) <= file_size - header.pixel_start;
  if (header.bpp != 24 || header.compression != kRgb || header.width == 0 || header.height == 0 ||
      !rows_whole) {
    return std::nullopt;
  }

  DecodedPicture out;
  out.bitsPerPixel = 24;
  out.width = static_cast<int>(header.width);
  out.height = static_cast<int>(header.height);
  out.pixels = Picture(out.width, out.height);
  // Each stored row into its row of the picture, its padding into a scrap.
  const RowOrder order{out.height, header.top_down};
  const std::size_t pixels_bytes = out.pixels.Stride();
  const std::size_t padding = static_cast<std::size_t>(row_size) - pixels_bytes;
  char scrap[4];
  std::vector<iovec> parts;
  parts.reserve(static_cast<std::size_t>(out.height) * (padding ? 2 : 1));
  for (int r = 0; r < out.height; ++r) {
    parts.push_back({out.pixels.Row(order.Target(r)), pixels_bytes});
    if (padding) parts.push_back({scrap, padding});
  }
  if (!file.ReadParts(header.pixel_start, parts)) return std::nullopt;
  return out;
}

}  // namespace

DecodedPicture ReadBmpFile(const std::filesystem::path& path) {
  if (std::optional<DecodedPicture> rows = ReadBmpRows(path)) return std::move(*rows);
  return ReadBmp(ReadWholeFile(path));
}

}  // namespace corvanti
