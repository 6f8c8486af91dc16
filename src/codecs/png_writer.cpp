#include "codecs/png_writer.h"

#include <png.h>

#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "codecs/error.h"
#include "codecs/file_io.h"

namespace corvanti {
namespace {

// The settings, measured with bench/png_writer_bench.cpp on the 1500 x 400 photo-like
// picture, on a real stack of a thousand buttons (160 x 28001, palette) and on a synthesised
// 203 x 19001 stack of gradient buttons (RGBA):
// - Palette pictures go unfiltered at zlib level 9. An index is a name, not a brightness,
//   so the differences the filters take between neighbours only hide the runs deflate
//   would find: filtering made the real stack 25 % larger (121 KB against 96 KB) and twice
//   as slow. Level 9 takes 18 % off level 6's 118 KB for some 70 ms on four and a half
//   million pixels, still well under Qt's writer on the same picture.
// - RGB / RGBA pictures take libpng's adaptive choice among all five filters, at level 6.
//   Filtering takes a quarter off the photo (1.24 MB against 1.63 MB; no subset of the
//   filters did as well). Level 9 gave the photo not a byte less and the RGBA stack 3.6 %
//   less in five times the time (760 ms against 146 ms): its long hash chains are spent
//   on rows of one colour. zlib's run-length strategy would write the photo as small in
//   half the time but the stacks four to six times larger, so libpng's own strategy for
//   filtered rows stays.
// - IDAT chunks of up to 256 KiB instead of libpng's 8 KiB: 12 bytes of framing less per
//   chunk, some 2 KB on the photo, for a buffer the size of a small picture.
constexpr std::size_t kIdatBytes = 256 * 1024;

constexpr std::uint32_t kNoColour = 0xFFFFFFFFu;  // outside the 24 bits of every colour

// The colours of a picture with at most 256 of them, and each pixel's index.
class PaletteBuilder {
 public:
  // False as soon as a 257th colour shows up.
  bool Build(const Picture& picture) {
    slots_.fill(kNoColour);
    colours_.clear();
    const std::size_t pixels = static_cast<std::size_t>(picture.Width()) *
                               static_cast<std::size_t>(picture.Height());
    indices_.resize(pixels);
    const std::uint8_t* p = picture.Data();
    std::uint32_t last = kNoColour;
    std::uint8_t last_index = 0;
    for (std::size_t i = 0; i < pixels; ++i, p += 3) {
      const std::uint32_t c = MakeColour(p[2], p[1], p[0]);
      if (c != last) {
        const int index = Find(c);
        if (index < 0) return false;
        last = c;
        last_index = static_cast<std::uint8_t>(index);
      }
      indices_[i] = last_index;
    }
    return true;
  }

  // Moves `colour`, when present, to index 0, so that the tRNS chunk needs one entry.
  // Returns whether the colour was present.
  bool MoveToFront(Colour colour) {
    const int at = IndexOf(colour);
    if (at < 0) return false;
    if (at == 0) return true;
    std::swap(colours_[0], colours_[static_cast<std::size_t>(at)]);
    std::array<std::uint8_t, 256> remap;
    for (int i = 0; i < 256; ++i) remap[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    remap[0] = static_cast<std::uint8_t>(at);
    remap[static_cast<std::size_t>(at)] = 0;
    for (std::uint8_t& index : indices_) index = remap[index];
    return true;
  }

  const std::vector<Colour>& Colours() const { return colours_; }
  const std::vector<std::uint8_t>& Indices() const { return indices_; }

 private:
  static constexpr std::size_t kSlots = 1024;  // a power of two, four times 256

  static std::size_t Hash(std::uint32_t c) { return (c * 2654435761u) >> 22; }

  // The colour's index, adding it when new; -1 when the table is full.
  int Find(std::uint32_t c) {
    std::size_t s = Hash(c) & (kSlots - 1);
    while (slots_[s] != kNoColour) {
      if (slots_[s] == c) return index_[s];
      s = (s + 1) & (kSlots - 1);
    }
    if (colours_.size() == 256) return -1;
    slots_[s] = c;
    index_[s] = static_cast<std::uint8_t>(colours_.size());
    colours_.push_back(c);
    return index_[s];
  }

  int IndexOf(std::uint32_t c) const {
    for (std::size_t i = 0; i < colours_.size(); ++i) {
      if (colours_[i] == c) return static_cast<int>(i);
    }
    return -1;
  }

  std::array<std::uint32_t, kSlots> slots_;
  std::array<std::uint8_t, kSlots> index_;
  std::vector<Colour> colours_;
  std::vector<std::uint8_t> indices_;
};

bool Contains(const Picture& picture, Colour colour) {
  const std::uint8_t key[3] = {static_cast<std::uint8_t>(BlueOf(colour)),
                               static_cast<std::uint8_t>(GreenOf(colour)),
                               static_cast<std::uint8_t>(RedOf(colour))};
  const std::uint8_t* p = picture.Data();
  const std::uint8_t* end = p + picture.ByteSize();
  for (; p != end; p += 3) {
    if (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) return true;
  }
  return false;
}

// libpng reports a fatal error by calling the error function, which must not return. It
// jumps back to the frame in RunEncoder that set the jump buffer; no C++ exception ever
// passes through the library's C frames.
struct Encoder {
  const Picture* picture = nullptr;
  PngCompression compression;
  int colour_type = PNG_COLOR_TYPE_RGB;
  int bit_depth = 8;
  std::vector<png_color> palette;
  std::vector<png_byte> alpha;            // tRNS entries: empty or one 0
  const std::uint8_t* indices = nullptr;  // palette pictures: one byte per pixel
  std::optional<Colour> transparent;      // RGBA pictures
  std::vector<png_byte> row;              // RGBA pictures: the row being written
  std::string* out = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  bool out_of_memory = false;
  char message[256] = {};
};

extern "C" void PngErrorExit(png_structp png, png_const_charp message) {
  Encoder* e = static_cast<Encoder*>(png_get_error_ptr(png));
  std::snprintf(e->message, sizeof e->message, "%s", message ? message : "unknown error");
  png_longjmp(png, 1);
}

// Warnings would only go to stderr; nothing the writer does should raise one.
extern "C" void PngWarning(png_structp, png_const_charp) {}

extern "C" void PngWrite(png_structp png, png_bytep data, png_size_t size) {
  Encoder* e = static_cast<Encoder*>(png_get_io_ptr(png));
  try {
    e->out->append(reinterpret_cast<const char*>(data), size);
  } catch (const std::bad_alloc&) {
    e->out_of_memory = true;
  }
  // Outside the handler: the jump must not leave a catch block.
  if (e->out_of_memory) png_error(png, "out of memory");
}

extern "C" void PngFlush(png_structp) {}

// The RGBA row y: the transparent colour gets alpha 0 and keeps its colour.
void FillRgbaRow(Encoder& e, int y) {
  const Colour t = *e.transparent;
  const std::uint8_t tb = static_cast<std::uint8_t>(BlueOf(t));
  const std::uint8_t tg = static_cast<std::uint8_t>(GreenOf(t));
  const std::uint8_t tr = static_cast<std::uint8_t>(RedOf(t));
  const std::uint8_t* src = e.picture->Row(y);
  png_byte* dst = e.row.data();
  for (int x = 0, n = e.picture->Width(); x < n; ++x, src += 3, dst += 4) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
    dst[3] = (src[0] == tb && src[1] == tg && src[2] == tr) ? 0 : 255;
  }
}

// Every object this frame touches lives in the Encoder, outside the frame that calls
// setjmp; the helpers it calls neither allocate nor throw. Returns false when libpng gave
// up, with its message in the Encoder.
bool RunEncoder(Encoder* e) {
  if (setjmp(png_jmpbuf(e->png))) return false;
  png_structp png = e->png;
  png_infop info = e->info;
  const Picture& picture = *e->picture;
  png_set_write_fn(png, e, PngWrite, PngFlush);
  // libpng's default limit of a million pixels a side is for readers of strange files.
  png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.Width()),
               static_cast<png_uint_32>(picture.Height()), e->bit_depth, e->colour_type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const bool indexed = e->colour_type == PNG_COLOR_TYPE_PALETTE;
  if (indexed) {
    png_set_PLTE(png, info, e->palette.data(), static_cast<int>(e->palette.size()));
    if (!e->alpha.empty()) {
      png_set_tRNS(png, info, e->alpha.data(), static_cast<int>(e->alpha.size()), nullptr);
    }
  }
  const bool filtered = indexed ? e->compression.filter_palette : e->compression.filter_truecolour;
  png_set_filter(png, PNG_FILTER_TYPE_BASE, filtered ? PNG_ALL_FILTERS : PNG_FILTER_NONE);
  png_set_compression_level(png, indexed ? e->compression.palette_level : e->compression.truecolour_level);
  png_set_compression_buffer_size(png, kIdatBytes);
  png_write_info(png, info);
  if (indexed && e->bit_depth < 8) png_set_packing(png);  // one index a byte in, packed out
  if (e->colour_type == PNG_COLOR_TYPE_RGB) png_set_bgr(png);

  const std::size_t width = static_cast<std::size_t>(picture.Width());
  for (int y = 0; y < picture.Height(); ++y) {
    if (indexed) {
      // libpng copies each row before it transforms it, so the rows are only read.
      png_write_row(png, const_cast<png_bytep>(e->indices + width * static_cast<std::size_t>(y)));
    } else if (e->colour_type == PNG_COLOR_TYPE_RGB) {
      png_write_row(png, const_cast<png_bytep>(picture.Row(y)));
    } else {
      FillRgbaRow(*e, y);
      png_write_row(png, e->row.data());
    }
  }
  png_write_end(png, info);
  return true;
}

int IndexBits(std::size_t colours) {
  if (colours <= 2) return 1;
  if (colours <= 4) return 2;
  if (colours <= 16) return 4;
  return 8;
}

}  // namespace

std::string EncodePng(const Picture& picture, std::optional<Colour> transparent,
                      const PngCompression& compression) {
  if (picture.Empty()) {
    throw Error("Cannot write a PNG of a picture without pixels (" + std::to_string(picture.Width()) +
                " x " + std::to_string(picture.Height()) + ")");
  }
  Encoder e;
  e.picture = &picture;
  e.compression = compression;
  PaletteBuilder palette;
  if (palette.Build(picture)) {
    e.colour_type = PNG_COLOR_TYPE_PALETTE;
    if (transparent && palette.MoveToFront(*transparent)) e.alpha.assign(1, 0);
    for (Colour c : palette.Colours()) {
      e.palette.push_back(png_color{static_cast<png_byte>(RedOf(c)), static_cast<png_byte>(GreenOf(c)),
                                    static_cast<png_byte>(BlueOf(c))});
    }
    e.bit_depth = IndexBits(e.palette.size());
    e.indices = palette.Indices().data();
  } else if (transparent && Contains(picture, *transparent)) {
    e.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
    e.transparent = transparent;
    e.row.resize(static_cast<std::size_t>(picture.Width()) * 4);
  }

  std::string out;
  e.out = &out;
  e.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (e.png == nullptr) throw Error("Cannot start the PNG writer (libpng " PNG_LIBPNG_VER_STRING ")");
  png_set_error_fn(e.png, &e, PngErrorExit, PngWarning);
  e.info = png_create_info_struct(e.png);
  if (e.info == nullptr) {
    png_destroy_write_struct(&e.png, nullptr);
    throw std::bad_alloc();
  }
  const bool ok = RunEncoder(&e);
  png_destroy_write_struct(&e.png, &e.info);
  if (!ok) throw Error(std::string("PNG writer error: ") + e.message);
  return out;
}

void WritePngFile(const Picture& picture, const std::filesystem::path& path,
                  std::optional<Colour> transparent) {
  WriteWholeFile(EncodePng(picture, transparent), path, CreateFailure::kCannotCreate);
}

}  // namespace corvanti
