#pragma once

// The pieces of the GIF writer, open to tests and benchmarks. The public entry points are
// in gif_writer.h.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codecs/error.h"
#include "codecs/picture.h"

namespace corvanti {

struct TGIFColor {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(TGIFColor a, TGIFColor c) { return a.r == c.r && a.g == c.g && a.b == c.b; }
  friend bool operator!=(TGIFColor a, TGIFColor c) { return !(a == c); }
};

using TGIFPalette = std::array<TGIFColor, 256>;

// Up to 256 colours with a sorted flag; adding or deleting a colour clears the flag.
class TGIFColorMap {
 public:
  static constexpr int kMaxColors = 256;

  int Count() const { return count_; }
  const TGIFColor& operator[](int index) const { return colors_[static_cast<std::size_t>(index)]; }
  TGIFColor& operator[](int index) { return colors_[static_cast<std::size_t>(index)]; }

  // Returns the new colour's index. Throws GIFException when the table is full.
  int Add(TGIFColor color);
  // Removes the colours from index `count` on.
  void Truncate(int count);
  void Clear() { Truncate(0); }

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted) { sorted_ = sorted; }

  // The smallest b >= 1 with 2^b >= Count(), 0 for an empty table.
  int BitDepth() const;

 private:
  std::array<TGIFColor, kMaxColors> colors_{};
  int count_ = 0;
  bool sorted_ = false;
};

struct TGIFGraphicControlExtension {
  static constexpr std::uint8_t kTransparentFlag = 0x01;
  std::uint8_t packed = 0;  // bit 0 transparent, bit 1 user input, bits 2-4 disposal
  std::uint16_t delay = 0;  // hundredths of a second
  std::uint8_t transparent_index = 0;
};

// One frame at (0, 0): its colour table, one index per pixel (rows top-down) and at most
// the one graphic control extension this writer ever adds.
struct TGIFSubImage {
  int width = 0;
  int height = 0;
  TGIFColorMap color_map;
  std::vector<std::uint8_t> data;
  bool transparent = false;
  bool has_graphic_control = false;
  TGIFGraphicControlExtension graphic_control;
};

// ---- Colour reduction ---------------------------------------------------------------

// A table that lives as long as its thread and goes from one user to the next, so that the
// many small pictures of an export do not each pay for a fresh one. Each user takes new
// stamps from the table's counter, so whatever an earlier user left never matches; a second
// user on the same thread at the same time gets a table of its own.
template <typename Entry, std::size_t kSize>
class TReusedTable {
 public:
  TReusedTable() {
    Slot& shared = ThreadSlot();
    if (!shared.busy) {
      slot_ = &shared;
    } else {
      own_ = std::make_unique<Slot>();
      slot_ = own_.get();
    }
    slot_->busy = true;
  }
  ~TReusedTable() { slot_->busy = false; }
  TReusedTable(const TReusedTable&) = delete;
  TReusedTable& operator=(const TReusedTable&) = delete;

  Entry* Data() { return slot_->entries.data(); }
  const Entry* Data() const { return slot_->entries.data(); }
  // A stamp no entry holds yet; below `limit`, which the table never reaches: past it every
  // entry is cleared and the count starts again.
  std::uint32_t NewStamp(std::uint32_t limit) {
    if (++slot_->stamp >= limit) {
      std::fill(slot_->entries.begin(), slot_->entries.end(), Entry{});
      slot_->stamp = 1;
    }
    return slot_->stamp;
  }

 private:
  struct Slot {
    std::vector<Entry> entries = std::vector<Entry>(kSize);  // value-initialised: stamp 0
    std::uint32_t stamp = 0;
    bool busy = false;
  };
  static Slot& ThreadSlot() {
    thread_local Slot slot;
    return slot;
  }
  Slot* slot_ = nullptr;
  std::unique_ptr<Slot> own_;
};

// Nodes link to each other by their number in the quantizer's pool; 0 is no node.
using TOctreeLink = std::uint16_t;

struct TOctreeNode {
  std::array<TOctreeLink, 8> children{};
  TOctreeLink next_reducible = 0;
  bool leaf = false;
  std::uint32_t pixel_count = 0;
  // 64 bits, so that a leaf of more than 16 million pixels cannot wrap its sums round.
  std::uint64_t red_sum = 0;
  std::uint64_t green_sum = 0;
  std::uint64_t blue_sum = 0;
};

// Octree colour reduction to at most 256 leaves at depth 8, merging the deepest reducible
// node (the one created last on its level) whenever a leaf too many exists.
class TColorQuantizer {
 public:
  static constexpr int kMaxColors = 256;
  static constexpr int kColorBits = 8;
  // Every inner node has a child, so each node lies on the path of some leaf: at most
  // (kMaxColors + 1) leaves of kColorBits + 1 nodes each, plus the unused node 0.
  static constexpr int kMaxNodes = (kMaxColors + 1) * (kColorBits + 1) + 1;

  TColorQuantizer();

  // Every pixel, top row first, each row left to right.
  void AddPicture(const Picture& picture);

  int LeafCount() const { return leaf_count_; }
  // The leaves' mean colours in depth-first order, children 0..7, padded with black.
  TGIFPalette CollectColours() const;

 private:
  TOctreeLink NewNode(int level);
  void FreeNode(TOctreeLink node);
  // Adds `count` pixels of one colour, then merges while there are too many leaves. A run
  // of equal pixels goes in as one: after its first pixel the colour's leaf exists, so the
  // others would neither add a leaf nor cause a merge, and sums add up the same.
  void InsertColour(int r, int g, int b, std::uint32_t count);
  void MergeDeepest();
  // The leaf a colour's path leads to, making the missing nodes on the way.
  TOctreeNode& Descend(std::uint32_t path);
  static std::uint32_t PathOf(int r, int g, int b);

  // A pool reserved whole and filled as nodes are made (a small picture touches only the
  // start of it), recycled through a free list: no allocation per node.
  std::vector<TOctreeNode> nodes_;
  TOctreeLink free_list_ = 0;

  TOctreeLink root_ = 0;
  int leaf_count_ = 0;
  std::array<TOctreeLink, kColorBits> reducible_{};

  // Where the walk of a colour may start: the node its top kStartLevels levels lead to (or
  // the leaf above it), by those path bits. Nodes that shallow only go away when a node
  // above them is merged, which bumps the generation and so empties this table.
  static constexpr int kStartLevels = 4;
  struct StartNode {
    std::uint32_t generation = 0;
    TOctreeLink node = 0;
    std::uint8_t level = 0;
  };
  TReusedTable<StartNode, std::size_t{1} << (3 * kStartLevels)> start_table_;
  StartNode* start_ = start_table_.Data();
  std::uint32_t generation_ = 0;
  void NewGeneration() { generation_ = start_table_.NewStamp(0xFFFFFFFFu); }
};

// Nearest palette colour by the sum of channel differences, cached per 15-bit key: the
// first colour that reaches an empty key decides it for every later colour of that key.
class TFastColorLookup {
 public:
  explicit TFastColorLookup(const TGIFPalette& palette);

  static int Key(int r, int g, int b) { return (r >> 3) + ((g >> 3) << 5) + ((b >> 3) << 10); }

  int NearestIndex(int r, int g, int b) {
    const std::uint16_t cached = inverse_[static_cast<std::size_t>(Key(r, g, b))];
    if ((cached >> 8) == stamp_) return cached & 0xFF;
    return Search(r, g, b);
  }

  const TGIFPalette& Palette() const { return palette_; }

 private:
  int Search(int r, int g, int b);

  TGIFPalette palette_;
  // The palette by channel, for a search the compiler can run on several entries at once.
  alignas(32) std::array<std::int16_t, 256> red_{};
  alignas(32) std::array<std::int16_t, 256> green_{};
  alignas(32) std::array<std::int16_t, 256> blue_{};
  // Per key: this lookup's stamp above the index in the low byte; another stamp is empty.
  // Two bytes an entry keep the table small enough for the cache; the stamps run out after
  // 255 lookups, and the table is cleared then.
  TReusedTable<std::uint16_t, 32768> inverse_table_;
  std::uint16_t* inverse_ = inverse_table_.Data();
  std::uint32_t stamp_ = inverse_table_.NewStamp(256);
  void Remember(int key, int index) {
    inverse_[static_cast<std::size_t>(key)] = static_cast<std::uint16_t>(stamp_ << 8 | static_cast<std::uint32_t>(index));
  }
};

// Maps every pixel to its nearest palette index, rows from the top, the first row left to
// right and each later row in the other direction than the one before. The order matters
// because of the lookup's cache.
std::vector<std::uint8_t> MapSerpentine(const Picture& picture, TFastColorLookup& lookup);
// The same into `indices`, storing after each row how many indices are done (for a reader
// on another thread) when `mapped` is given.
void MapSerpentine(const Picture& picture, TFastColorLookup& lookup, std::uint8_t* indices,
                   std::atomic<std::size_t>* mapped);

struct TQuantizedPicture {
  TGIFPalette palette;
  std::vector<std::uint8_t> indices;
};

TQuantizedPicture QuantizeTo256(const Picture& picture);

// A frame of the picture's size with all 256 palette entries and the mapped indices.
TGIFSubImage BuildFrame(const Picture& picture);

// ---- Transparency ---------------------------------------------------------------------

// The (count, index) pairs by descending count, in the order the in-place quicksort leaves
// equal counts. Exposed for tests.
struct TColorUse {
  std::uint32_t count = 0;
  int index = 0;
};
void SortColorUse(std::vector<TColorUse>& uses);

// Orders the frame's table by use and drops unused colours; sets the sorted flag.
void SortByUse(TGIFSubImage& frame);

// Makes the pixels of the picture's bottom-left colour transparent through a black entry
// appended to the table sorted by use (nothing when all 256 colours are in use).
void ApplyKeyColour(TGIFSubImage& frame, const Picture& picture);

// Makes the palette index of pixel (0, 0) transparent, with a delay of 3000.
void ApplyTopLeftTransparency(TGIFSubImage& frame);

// ---- LZW and the file -------------------------------------------------------------------

// Sub-block packing: bytes gather in a 255-byte buffer that goes out with its length byte
// whenever it is full.
class TGIFWriter {
 public:
  explicit TGIFWriter(std::string& out) : out_(out) { buffer_[0] = 0; }

  // Copies the bytes into the block buffer in runs, writing out each block that fills.
  void Write(const std::uint8_t* bytes, std::size_t count);
  void WriteByte(std::uint8_t byte) { Write(&byte, 1); }
  // Writes the partly filled block, if any, and the block terminator.
  void Finish();

 private:
  void FlushBlock();

  std::string& out_;
  std::array<std::uint8_t, 256> buffer_{};
  int fill_ = 0;
};

// For each prefix code c, ((c << 8) xor (c << 4)) without its low byte, mod 8009: the part
// of a key's first slot that does not depend on the pixel (see THashTable::FirstSlot).
struct THashPrefixBases {
  std::array<std::uint16_t, 4096> values{};
  constexpr THashPrefixBases() {
    for (std::uint32_t c = 0; c < 4096; ++c) {
      values[c] = static_cast<std::uint16_t>((((c << 8) ^ (c << 4)) & ~0xFFu) % 8009u);
    }
  }
};

// The string table of the encoder: 8009 slots of key << 12 | code, key = prefix * 256 +
// pixel, all ones marking an empty slot.
class THashTable {
 public:
  static constexpr int kSize = 8009;
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

  THashTable() { Clear(); }
  // One that holds whatever its memory held until cleared, for a user that clears it only
  // once it needs it.
  struct Uncleared {};
  explicit THashTable(Uncleared) {}
  void Clear() { slots_.fill(kEmpty); }

  static int Hash(std::uint32_t key) { return static_cast<int>((key ^ (key >> 4)) % kSize); }

  // Hash(prefix << 8 | pixel) without a division. With key = prefix << 8 | pixel,
  // key xor (key >> 4) = ((prefix << 8) xor (prefix << 4)) xor (pixel xor (pixel >> 4)),
  // and the pixel's part only touches the low byte; so the value is the prefix's part
  // above the low byte plus a byte, and one subtraction finishes the remainder.
  static int FirstSlot(int prefix, std::uint32_t pixel) {
    const int low = ((prefix & 0xF) << 4) ^ static_cast<int>(pixel ^ (pixel >> 4));
    const int h = kPrefixBase.values[static_cast<std::size_t>(prefix)] + low;
    return h >= kSize ? h - kSize : h;
  }

  // The code stored for the key, or -1.
  int Lookup(std::uint32_t key) const {
    int h = Hash(key);
    for (int probes = 0;; ++probes) {
      std::uint32_t slot = slots_[static_cast<std::size_t>(h)];
      if (slot == kEmpty) return -1;
      if ((slot >> 12) == key) return static_cast<int>(slot & 0xFFF);
      h = Next(h, probes);
    }
  }
  // Lookup from the key's first slot that also gives the empty slot where the key would go,
  // for Store.
  int Find(std::uint32_t key, int h, int& empty_slot) const {
    for (int probes = 0;; ++probes) {
      std::uint32_t slot = slots_[static_cast<std::size_t>(h)];
      if (slot == kEmpty) {
        empty_slot = h;
        return -1;
      }
      if ((slot >> 12) == key) return static_cast<int>(slot & 0xFFF);
      h = Next(h, probes);
    }
  }
  void Store(int empty_slot, std::uint32_t key, int code) {
    slots_[static_cast<std::size_t>(empty_slot)] = key << 12 | static_cast<std::uint32_t>(code);
  }
  void Insert(std::uint32_t key, int code) {
    int h = Hash(key);
    for (int probes = 0; slots_[static_cast<std::size_t>(h)] != kEmpty; ++probes) h = Next(h, probes);
    slots_[static_cast<std::size_t>(h)] = key << 12 | static_cast<std::uint32_t>(code);
  }

 private:
  static int Next(int h, int probes) {
    // The walk h -> 2h mod 8009 visits only 4004 slots, which 4089 strings could fill;
    // past one whole round it goes on slot by slot so a lookup always ends.
    if (probes >= kSize) return h + 1 == kSize ? 0 : h + 1;
    int next = h - (h == 0 ? 1 : kSize - h);
    return next < 0 ? next + kSize : next;
  }

  static constexpr THashPrefixBases kPrefixBase{};
  std::array<std::uint32_t, kSize> slots_;
};

// LZW compression of index data into sub-blocks, variable code width up to 12 bits, a clear
// code once code 4094 has been assigned.
class TLZWEncoder {
 public:
  // Writes the minimum code size byte, the sub-blocks and the terminator. Throws
  // GIFException("Color not in color table") for an index at or beyond color_count.
  // With `mapped`, the indices are still being written by another thread, which stores
  // there how many are done; they come from a table of all 256 colours.
  void Encode(const std::uint8_t* data, std::size_t size, int bits_per_pixel, int color_count,
              std::string& out, const std::atomic<std::size_t>* mapped = nullptr);

 private:
  // The last string found or entered after each code: pixel << 16 | its code, or kNoChild.
  // One read answers the lookups of a run of one colour.
  static constexpr std::uint32_t kNoChild = 0xFFFFFFFFu;
  std::array<std::uint32_t, 4096> last_child_;
  // The first kInlineChildren strings entered after each code, held with it: their pixels
  // (a byte each) and their codes (16 bits each), and how many there are. While a code has
  // no more than these, its list is the whole answer and the string table is not asked; a
  // code's further strings go to the table (kOverflowed marks such a code).
  static constexpr int kInlineChildren = 4;
  static constexpr std::uint8_t kOverflowed = kInlineChildren + 1;
  // By count: the top bits of the list's bytes in use.
  static constexpr std::array<std::uint32_t, kOverflowed + 1> kListedBytes{
      0u, 0x80u, 0x8080u, 0x808080u, 0x80808080u, 0x80808080u};
  // Empties the lists of the one-pixel strings (codes below the clear code) and makes each
  // the first string of its run; every other code's lists are emptied (and its run noted)
  // when the code is assigned.
  void ClearRoots(int clear_code);
  std::array<std::uint32_t, 4096> child_pixels_;
  std::array<std::uint64_t, 4096> child_codes_;
  std::array<std::uint8_t, 4096> child_count_;
  THashTable table_{THashTable::Uncleared{}};
  // The strings of one pixel repeated ("runs"): for each code that is one, its length above
  // its pixel (0 for any other code); for each pixel, the codes of its runs by length, and
  // the longest there is (all shorter ones exist; 0 once a run grew past kLongestRun, when
  // that pixel's runs are followed string by string until the next clear).
  static constexpr std::size_t kLongestRun = 255;
  std::array<std::uint16_t, 4096> run_of_;
  std::array<std::array<std::uint16_t, kLongestRun + 1>, 256> run_codes_;
  std::array<std::uint8_t, 256> longest_run_;
};

// The image data of the frame: minimum code size byte, sub-blocks, terminator.
std::string EncodeLzw(const TGIFSubImage& frame);

// The whole file of one frame.
std::string WriteGifImage(const TGIFSubImage& frame, const std::atomic<std::size_t>* mapped = nullptr);

}  // namespace corvanti
