#include "codecs/gif_writer.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#include "codecs/file_io.h"
#include "codecs/gif_internals.h"
#include "codecs/vector_clones.h"

namespace corvanti {
namespace {

// A picture without pixels has no corner to take a transparent colour from.
[[noreturn]] void InvalidPixelCoordinates() { throw GIFException("Invalid pixel coordinates"); }

}  // namespace

// ---- TGIFColorMap ---------------------------------------------------------------------

int TGIFColorMap::Add(TGIFColor color) {
  if (count_ >= kMaxColors) throw GIFException("Color table is full");
  colors_[static_cast<std::size_t>(count_)] = color;
  sorted_ = false;
  return count_++;
}

void TGIFColorMap::Truncate(int count) {
  if (count < 0) count = 0;
  if (count >= count_) return;
  std::fill(colors_.begin() + count, colors_.begin() + count_, TGIFColor{});
  count_ = count;
  sorted_ = false;
}

int TGIFColorMap::BitDepth() const {
  if (count_ == 0) return 0;
  int b = 1;
  while ((1 << b) < count_) ++b;
  return b;
}

// ---- TColorQuantizer ------------------------------------------------------------------

TColorQuantizer::TColorQuantizer() {
  nodes_.reserve(static_cast<std::size_t>(kMaxNodes));
  nodes_.emplace_back();  // node 0 stands for no node
  NewGeneration();
  root_ = NewNode(0);
}

TOctreeLink TColorQuantizer::NewNode(int level) {
  TOctreeLink link;
  if (free_list_) {
    link = free_list_;
    free_list_ = nodes_[link].next_reducible;
  } else {
    // Cannot run out: see kMaxNodes.
    if (nodes_.size() >= static_cast<std::size_t>(kMaxNodes)) throw GIFException("Colour tree overflow");
    link = static_cast<TOctreeLink>(nodes_.size());
    nodes_.emplace_back();
  }
  TOctreeNode& node = nodes_[link];
  node = TOctreeNode{};
  if (level == kColorBits) {
    node.leaf = true;
    ++leaf_count_;
  } else {
    node.next_reducible = reducible_[static_cast<std::size_t>(level)];
    reducible_[static_cast<std::size_t>(level)] = link;
  }
  return link;
}

void TColorQuantizer::FreeNode(TOctreeLink link) {
  nodes_[link].next_reducible = free_list_;
  free_list_ = link;
}

namespace {

// The bits of a byte spread to every third place, so that the child index of every level
// can be read off one 24-bit number: red, green, blue bits of level L at 21 - 3L.
struct SpreadTable {
  std::array<std::uint32_t, 256> bits{};
  constexpr SpreadTable() {
    for (std::uint32_t v = 0; v < 256; ++v) {
      std::uint32_t s = 0;
      for (int k = 0; k < 8; ++k) s |= ((v >> k) & 1u) << (3 * k);
      bits[v] = s;
    }
  }
};
constexpr SpreadTable kSpread;

}  // namespace

std::uint32_t TColorQuantizer::PathOf(int r, int g, int b) {
  // Child index at level L: ((R & mask) >> s) * 4 + ((G & mask) >> s) * 2 + ((B & mask) >> s).
  return kSpread.bits[static_cast<std::size_t>(r)] << 2 | kSpread.bits[static_cast<std::size_t>(g)] << 1 |
         kSpread.bits[static_cast<std::size_t>(b)];
}

[[gnu::noinline]] TOctreeNode& TColorQuantizer::Descend(std::uint32_t path) {
  // Walks down from link while above the level limit and not at a leaf, making the nodes
  // that are missing on the way.
  auto walk = [&](TOctreeLink& link, int& level, int limit) {
    while (!nodes_[link].leaf && level < limit) {
      const std::size_t index = (path >> (21 - 3 * level)) & 7u;
      ++level;
      TOctreeLink child = nodes_[link].children[index];
      if (!child) {
        child = NewNode(level);
        nodes_[link].children[index] = child;
      }
      link = child;
    }
  };
  StartNode& start = start_[path >> (24 - 3 * kStartLevels)];
  TOctreeLink link;
  int level;
  if (start.generation == generation_) {
    link = start.node;
    level = start.level;
  } else {
    link = root_;
    level = 0;
    walk(link, level, kStartLevels);
    start = StartNode{generation_, link, static_cast<std::uint8_t>(level)};
  }
  walk(link, level, kColorBits);
  return nodes_[link];
}

[[gnu::always_inline]] inline void TColorQuantizer::InsertColour(int r, int g, int b,
                                                                 std::uint32_t count) {
  // Most colours find their whole path made already: follow it here, and leave making
  // nodes (and filling the start table) to Descend.
  const std::uint32_t path = PathOf(r, g, b);
  const StartNode& start = start_[path >> (24 - 3 * kStartLevels)];
  auto add = [&](TOctreeNode& node) {
    node.pixel_count += count;
    node.red_sum += static_cast<std::uint64_t>(r) * count;
    node.green_sum += static_cast<std::uint64_t>(g) * count;
    node.blue_sum += static_cast<std::uint64_t>(b) * count;
  };
  if (start.generation == generation_) {
    TOctreeNode* nodes = nodes_.data();
    TOctreeLink link = start.node;
    int shift = 21 - 3 * start.level;
    while (!nodes[link].leaf) {
      const TOctreeLink child = nodes[link].children[(path >> shift) & 7u];
      if (!child) break;
      link = child;
      shift -= 3;
    }
    // A leaf that was there already: no node was made, so no leaf too many.
    if (nodes[link].leaf) return add(nodes[link]);
  }
  add(Descend(path));
  while (leaf_count_ > kMaxColors) MergeDeepest();
}

void TColorQuantizer::MergeDeepest() {
  int level = kColorBits - 1;
  while (level > 0 && reducible_[static_cast<std::size_t>(level)] == 0) --level;
  const TOctreeLink link = reducible_[static_cast<std::size_t>(level)];
  if (!link) return;  // only a lone root leaf is left
  TOctreeNode& node = nodes_[link];
  reducible_[static_cast<std::size_t>(level)] = node.next_reducible;
  node.next_reducible = 0;

  int children = 0;
  for (TOctreeLink& child : node.children) {
    if (!child) continue;
    const TOctreeNode& c = nodes_[child];
    node.red_sum += c.red_sum;
    node.green_sum += c.green_sum;
    node.blue_sum += c.blue_sum;
    node.pixel_count += c.pixel_count;
    FreeNode(child);
    child = 0;
    ++children;
  }
  node.leaf = true;
  leaf_count_ -= children - 1;
  if (level < kStartLevels) NewGeneration();
}

void TColorQuantizer::AddPicture(const Picture& picture) {
  // Pixels in reading order; runs of one colour go in whole, also across row ends.
  const std::uint8_t* p = picture.Data();
  const std::uint8_t* const end = p + picture.ByteSize();
  while (p < end) {
    const std::uint8_t b = p[0], g = p[1], r = p[2];
    const std::uint8_t* q = p + 3;
    std::uint32_t count = 1;
    while (q < end && q[0] == b && q[1] == g && q[2] == r) {
      q += 3;
      ++count;
    }
    InsertColour(r, g, b, count);
    p = q;
  }
}

TGIFPalette TColorQuantizer::CollectColours() const {
  TGIFPalette palette{};
  std::size_t next = 0;
  // Depth first, children in index order; an explicit stack keeps the order of recursion.
  std::vector<TOctreeLink> stack;
  stack.push_back(root_);
  while (!stack.empty() && next < palette.size()) {
    const TOctreeNode& node = nodes_[stack.back()];
    stack.pop_back();
    if (node.leaf) {
      TGIFColor c;
      if (node.pixel_count > 0) {
        // Sums below 2^32 (any leaf of fewer than 16 million pixels) divide in 32 bits,
        // which is quicker and gives the same quotient.
        if ((node.red_sum | node.green_sum | node.blue_sum) >> 32 == 0) {
          c.r = static_cast<std::uint8_t>(static_cast<std::uint32_t>(node.red_sum) / node.pixel_count);
          c.g = static_cast<std::uint8_t>(static_cast<std::uint32_t>(node.green_sum) / node.pixel_count);
          c.b = static_cast<std::uint8_t>(static_cast<std::uint32_t>(node.blue_sum) / node.pixel_count);
        } else {
          c.r = static_cast<std::uint8_t>(node.red_sum / node.pixel_count);
          c.g = static_cast<std::uint8_t>(node.green_sum / node.pixel_count);
          c.b = static_cast<std::uint8_t>(node.blue_sum / node.pixel_count);
        }
      }
      palette[next++] = c;
      continue;
    }
    for (int i = 7; i >= 0; --i) {
      if (node.children[static_cast<std::size_t>(i)]) stack.push_back(node.children[static_cast<std::size_t>(i)]);
    }
  }
  return palette;
}

// ---- TFastColorLookup and the mapping -------------------------------------------------

TFastColorLookup::TFastColorLookup(const TGIFPalette& palette) : palette_(palette) {
  for (int a = 0; a < 256; ++a) {
    const TGIFColor& c = palette_[static_cast<std::size_t>(a)];
    red_[static_cast<std::size_t>(a)] = c.r;
    green_[static_cast<std::size_t>(a)] = c.g;
    blue_[static_cast<std::size_t>(a)] = c.b;
    const int key = Key(c.r, c.g, c.b);
    if ((inverse_[static_cast<std::size_t>(key)] >> 8) != stamp_) Remember(key, a);
  }
}

CORVANTI_VECTOR_CLONES int TFastColorLookup::Search(int r, int g, int b) {
  // The smallest |dR| + |dG| + |dB| (at most 765, so 16 bits hold it), the lowest index on
  // a tie: all distances first, then their minimum, then the first entry that has it.
  alignas(32) std::array<std::int16_t, 256> distance;
  const std::int16_t r16 = static_cast<std::int16_t>(r);
  const std::int16_t g16 = static_cast<std::int16_t>(g);
  const std::int16_t b16 = static_cast<std::int16_t>(b);
  for (std::size_t a = 0; a < 256; ++a) {
    const std::int16_t dr = static_cast<std::int16_t>(red_[a] - r16);
    const std::int16_t dg = static_cast<std::int16_t>(green_[a] - g16);
    const std::int16_t db = static_cast<std::int16_t>(blue_[a] - b16);
    distance[a] = static_cast<std::int16_t>(std::max<std::int16_t>(dr, static_cast<std::int16_t>(-dr)) +
                                            std::max<std::int16_t>(dg, static_cast<std::int16_t>(-dg)) +
                                            std::max<std::int16_t>(db, static_cast<std::int16_t>(-db)));
  }
  std::int16_t smallest = distance[0];
  for (std::size_t a = 1; a < 256; ++a) smallest = std::min(smallest, distance[a]);
  int best = 0;
  while (distance[static_cast<std::size_t>(best)] != smallest) ++best;
  Remember(Key(r, g, b), best);
  return best;
}

void MapSerpentine(const Picture& picture, TFastColorLookup& lookup, std::uint8_t* indices,
                   std::atomic<std::size_t>* mapped) {
  const int width = picture.Width();
  int direction = 1;
  for (int y = 0; y < picture.Height(); ++y) {
    const std::uint8_t* row = picture.Row(y);
    std::uint8_t* out = indices + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    if (direction > 0) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = row + 3 * x;
        out[x] = static_cast<std::uint8_t>(lookup.NearestIndex(p[2], p[1], p[0]));
      }
    } else {
      for (int x = width - 1; x >= 0; --x) {
        const std::uint8_t* p = row + 3 * x;
        out[x] = static_cast<std::uint8_t>(lookup.NearestIndex(p[2], p[1], p[0]));
      }
    }
    direction = -direction;
    if (mapped) {
      mapped->store(static_cast<std::size_t>(y + 1) * static_cast<std::size_t>(width), std::memory_order_release);
    }
  }
}

std::vector<std::uint8_t> MapSerpentine(const Picture& picture, TFastColorLookup& lookup) {
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(picture.Width()) *
                                    static_cast<std::size_t>(picture.Height()));
  MapSerpentine(picture, lookup, indices.data(), nullptr);
  return indices;
}

TQuantizedPicture QuantizeTo256(const Picture& picture) {
  TQuantizedPicture result;
  {
    TColorQuantizer quantizer;
    quantizer.AddPicture(picture);
    result.palette = quantizer.CollectColours();
  }
  TFastColorLookup lookup(result.palette);
  result.indices = MapSerpentine(picture, lookup);
  return result;
}

TGIFSubImage BuildFrame(const Picture& picture) {
  TQuantizedPicture quantized = QuantizeTo256(picture);
  TGIFSubImage frame;
  frame.width = picture.Width();
  frame.height = picture.Height();
  for (const TGIFColor& c : quantized.palette) frame.color_map.Add(c);
  frame.data = std::move(quantized.indices);
  return frame;
}

// ---- Transparency ---------------------------------------------------------------------

namespace {

// Hoare's partition on descending counts, recursing on the left part and looping on the
// right; which of two equal counts ends first is part of the file, so the steps stay as
// they are.
void QuickSortByCount(std::vector<TColorUse>& v, int lo, int hi) {
  int i;
  do {
    i = lo;
    int j = hi;
    const std::uint32_t pivot = v[static_cast<std::size_t>((lo + hi) / 2)].count;
    do {
      while (v[static_cast<std::size_t>(i)].count > pivot) ++i;
      while (v[static_cast<std::size_t>(j)].count < pivot) --j;
      if (i <= j) {
        std::swap(v[static_cast<std::size_t>(i)], v[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (lo < j) QuickSortByCount(v, lo, j);
    lo = i;
  } while (i < hi);
}

}  // namespace

void SortColorUse(std::vector<TColorUse>& uses) {
  if (uses.size() > 1) QuickSortByCount(uses, 0, static_cast<int>(uses.size()) - 1);
}

void SortByUse(TGIFSubImage& frame) {
  const int count = frame.color_map.Count();
  if (count == 0) return;
  std::vector<TColorUse> uses(static_cast<std::size_t>(count));
  // Four tallies side by side, so that long runs of one index do not wait on one counter.
  std::array<std::array<std::uint32_t, 256>, 4> tallies{};
  const std::uint8_t* d = frame.data.data();
  const std::size_t n = frame.data.size();
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    ++tallies[0][d[i]];
    ++tallies[1][d[i + 1]];
    ++tallies[2][d[i + 2]];
    ++tallies[3][d[i + 3]];
  }
  for (; i < n; ++i) ++tallies[0][d[i]];
  std::array<std::uint32_t, 256> counts{};
  for (std::size_t k = 0; k < 256; ++k) counts[k] = tallies[0][k] + tallies[1][k] + tallies[2][k] + tallies[3][k];
  for (int k = 0; k < count; ++k) uses[static_cast<std::size_t>(k)] = {counts[static_cast<std::size_t>(k)], k};
  SortColorUse(uses);

  int used = count;
  for (int k = 0; k < count; ++k) {
    if (uses[static_cast<std::size_t>(k)].count == 0) {
      used = k;
      break;
    }
  }
  bool identity = true;
  for (int k = 0; k < count; ++k) identity = identity && uses[static_cast<std::size_t>(k)].index == k;

  if (!identity) {
    TGIFColorMap old = frame.color_map;
    std::array<std::uint8_t, 256> renumber{};
    for (int k = 0; k < count; ++k) {
      const int from = uses[static_cast<std::size_t>(k)].index;
      frame.color_map[k] = old[from];
      renumber[static_cast<std::size_t>(from)] = static_cast<std::uint8_t>(k);
    }
    for (std::uint8_t& index : frame.data) index = renumber[index];
  }
  // Unused colours go also when the order was already right: a table kept at 256 entries
  // would leave no room for the transparent entry.
  frame.color_map.Truncate(used);
  frame.color_map.SetSorted(true);
}

void ApplyKeyColour(TGIFSubImage& frame, const Picture& picture) {
  if (picture.Empty()) InvalidPixelCoordinates();
  SortByUse(frame);
  if (frame.color_map.Count() >= TGIFColorMap::kMaxColors) return;

  const Colour key = picture.Pixel(0, picture.Height() - 1);
  const std::uint8_t kb = static_cast<std::uint8_t>(BlueOf(key));
  const std::uint8_t kg = static_cast<std::uint8_t>(GreenOf(key));
  const std::uint8_t kr = static_cast<std::uint8_t>(RedOf(key));
  const int transparent = frame.color_map.Add(TGIFColor{});
  const std::uint8_t t = static_cast<std::uint8_t>(transparent);
  bool changed = false;
  for (int y = 0; y < picture.Height(); ++y) {
    const std::uint8_t* p = picture.Row(y);
    std::uint8_t* out = frame.data.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width);
    bool row_changed = false;
    for (int x = 0; x < picture.Width(); ++x, p += 3) {
      const bool key_pixel = p[0] == kb && p[1] == kg && p[2] == kr;
      out[x] = key_pixel ? t : out[x];
      row_changed |= key_pixel;
    }
    changed |= row_changed;
  }
  if (!changed) {
    frame.color_map.Truncate(transparent);
    return;
  }
  frame.has_graphic_control = true;
  frame.graphic_control = TGIFGraphicControlExtension{TGIFGraphicControlExtension::kTransparentFlag, 0, t};
  frame.transparent = true;
}

void ApplyTopLeftTransparency(TGIFSubImage& frame) {
  if (frame.data.empty()) InvalidPixelCoordinates();
  frame.has_graphic_control = true;
  frame.graphic_control =
      TGIFGraphicControlExtension{TGIFGraphicControlExtension::kTransparentFlag, 3000, frame.data[0]};
  frame.transparent = true;
}

// ---- LZW --------------------------------------------------------------------------------

void TGIFWriter::FlushBlock() {
  buffer_[0] = static_cast<std::uint8_t>(fill_);
  out_.append(reinterpret_cast<const char*>(buffer_.data()), static_cast<std::size_t>(fill_) + 1);
  fill_ = 0;
}

void TGIFWriter::Write(const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const std::size_t take = std::min(count, static_cast<std::size_t>(255 - fill_));
    std::memcpy(buffer_.data() + 1 + fill_, bytes, take);
    fill_ += static_cast<int>(take);
    bytes += take;
    count -= take;
    if (fill_ == 255) FlushBlock();
  }
}

void TGIFWriter::Finish() {
  if (fill_ > 0) FlushBlock();
  out_.push_back('\0');
}

void TLZWEncoder::ClearRoots(int clear_code) {
  const auto roots = static_cast<std::size_t>(clear_code);
  std::fill_n(child_count_.begin(), roots, 0);
  std::fill_n(child_pixels_.begin(), roots, 0);
  std::fill_n(child_codes_.begin(), roots, 0);
  std::fill_n(last_child_.begin(), roots, kNoChild);
  // Each one-pixel string is the first string of its own run.
  for (std::size_t v = 0; v < roots; ++v) {
    run_of_[v] = static_cast<std::uint16_t>(1u << 8 | v);
    run_codes_[v][1] = static_cast<std::uint16_t>(v);
    longest_run_[v] = 1;
  }
}

void TLZWEncoder::Encode(const std::uint8_t* data, std::size_t size, int bits_per_pixel,
                         int color_count, std::string& out, const std::atomic<std::size_t>* mapped) {
  // One pass over the indices up front keeps the check out of the compression loop. Indices
  // still being mapped come from a full table of 256 colours, which holds every index.
  if (mapped && color_count < 256) throw GIFException("Color not in color table");
  if (!mapped && size > 0 && *std::max_element(data, data + size) >= color_count) {
    throw GIFException("Color not in color table");
  }
  // How far the indices can be read: all of them, or as far as the mapping has come (it
  // runs ahead; the wait is for its first rows).
  auto ready_until = [&](std::size_t needed) {
    if (!mapped) return size;
    needed = std::min(size, needed);
    std::size_t ready;
    while ((ready = mapped->load(std::memory_order_acquire)) < needed) std::this_thread::yield();
    return ready;
  };
  const int min_code_size = std::max(2, bits_per_pixel);
  out.push_back(static_cast<char>(min_code_size));
  TGIFWriter writer(out);

  // The coder's state stays in locals so that it lives in registers: stores of bytes could
  // otherwise alias it and force a reload after each one.
  const int init_bits = min_code_size + 1;
  const int clear_code = 1 << min_code_size;
  const int eoi_code = clear_code + 1;
  int bits = init_bits;
  int max_code = (1 << bits) - 1;
  int free_code = clear_code + 2;
  std::uint64_t accumulator = 0;
  int accumulated_bits = 0;
  // Whole bytes gather here and go to the writer in runs.
  std::uint8_t staged[256];
  std::size_t staged_count = 0;

  // Writes the code at the current width, least significant bit first, then adjusts the
  // width: back to the start after a clear code, one more once the next free code does not
  // fit, never past 12 bits.
  auto output = [&](int code) {
    accumulator |= static_cast<std::uint64_t>(code) << accumulated_bits;
    accumulated_bits += bits;
    // The whole bytes (at most two: 7 bits left over plus a code of 12) go out without
    // asking how many there are: four are stored, and the count moves on by the whole ones
    // (the next store overwrites the rest).
    for (int k = 0; k < 4; ++k) {
      staged[staged_count + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(accumulator >> (8 * k));
    }
    const int whole = accumulated_bits >> 3;
    staged_count += static_cast<std::size_t>(whole);
    accumulator >>= 8 * whole;
    accumulated_bits &= 7;
    if (staged_count > sizeof staged - 4) {
      writer.Write(staged, staged_count);
      staged_count = 0;
    }
    if (code == clear_code) {
      bits = init_bits;
      max_code = (1 << bits) - 1;
    } else if (free_code > max_code) {
      ++bits;
      max_code = bits == 12 ? 4096 : (1 << bits) - 1;
    }
  };

  // The string table is cleared when a code first needs it, which a small picture of few
  // colours may never do.
  bool table_ready = false;
  ClearRoots(clear_code);
  output(clear_code);
  if (size > 0) {
    std::size_t readable = ready_until(1);
    int prefix = data[0];
    for (std::size_t i = 1; i < size; ++i) {
      if (i == readable) readable = ready_until(i + 4096);
      const std::uint32_t pixel = data[i];
      const std::size_t p = static_cast<std::size_t>(prefix);
      // A run string meeting more of its pixel: the string the run's pixels lead to is
      // known without a lookup per pixel, as far as the run strings go.
      const std::uint32_t run = run_of_[p];
      const bool run_goes_on = run != 0 && (run & 0xFF) == pixel;
      if (run_goes_on) {
        const std::size_t length = run >> 8;
        const std::size_t longest = longest_run_[pixel];
        if (longest > length) {
          std::size_t end = i + 1;
          const std::size_t limit = std::min(readable, i + (longest - length));
          while (end < limit && data[end] == pixel) ++end;
          const std::size_t reached = length + (end - i);
          prefix = run_codes_[pixel][reached];
          i = end - 1;
          continue;
        }
      }
      const std::uint32_t memo = last_child_[p];
      if ((memo >> 16) == pixel) {
        prefix = static_cast<int>(memo & 0xFFFF);
        continue;
      }
      const int count = child_count_[p];
      // The first of the listed children with this pixel: a zero byte of the difference,
      // the lowest one found exactly, among the bytes in use.
      const std::uint32_t x = child_pixels_[p] ^ (pixel * 0x01010101u);
      const std::uint32_t zero = (x - 0x01010101u) & ~x & kListedBytes[static_cast<std::size_t>(count)];
      if (zero != 0) {
        const int slot = __builtin_ctz(zero) >> 3;
        prefix = static_cast<int>((child_codes_[p] >> (16 * slot)) & 0xFFFF);
        last_child_[p] = pixel << 16 | static_cast<std::uint32_t>(prefix);
        continue;
      }
      const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | pixel;
      int empty_slot = -1;
      if (count == kOverflowed) {
        const int code = table_.Find(key, THashTable::FirstSlot(prefix, pixel), empty_slot);
        if (code >= 0) {
          last_child_[p] = pixel << 16 | static_cast<std::uint32_t>(code);
          prefix = code;
          continue;
        }
      }
      output(prefix);
      if (free_code < 4095) {
        if (count < kInlineChildren) {
          child_pixels_[p] |= pixel << (8 * count);
          child_codes_[p] |= static_cast<std::uint64_t>(free_code) << (16 * count);
          child_count_[p] = static_cast<std::uint8_t>(count + 1);
        } else {
          if (count == kInlineChildren) {
            if (!table_ready) table_.Clear();
            table_ready = true;
            child_count_[p] = kOverflowed;
            table_.Insert(key, free_code);
          } else {
            table_.Store(empty_slot, key, free_code);
          }
        }
        last_child_[p] = pixel << 16 | static_cast<std::uint32_t>(free_code);
        // A run string followed by its pixel makes the run's next string.
        std::uint16_t new_run = 0;
        if (run_goes_on) {
          const std::size_t length = (run >> 8) + 1;
          if (length <= kLongestRun) {
            new_run = static_cast<std::uint16_t>(length << 8 | pixel);
            run_codes_[pixel][length] = static_cast<std::uint16_t>(free_code);
            longest_run_[pixel] = static_cast<std::uint8_t>(length);
          } else {
            longest_run_[pixel] = 0;  // longer runs are followed string by string
          }
        }
        run_of_[static_cast<std::size_t>(free_code)] = new_run;
        // The new code's own lists start empty (they may hold what came before a clear).
        child_count_[static_cast<std::size_t>(free_code)] = 0;
        child_pixels_[static_cast<std::size_t>(free_code)] = 0;
        child_codes_[static_cast<std::size_t>(free_code)] = 0;
        last_child_[static_cast<std::size_t>(free_code)] = kNoChild;
        ++free_code;
      } else {
        output(clear_code);
        table_ready = false;
        ClearRoots(clear_code);
        free_code = clear_code + 2;
      }
      prefix = static_cast<int>(pixel);
    }
    output(prefix);
  }
  output(eoi_code);
  // The bits left, padded with zero bits to whole bytes.
  for (; accumulated_bits > 0; accumulated_bits -= 8, accumulator >>= 8) {
    staged[staged_count++] = static_cast<std::uint8_t>(accumulator);
  }
  writer.Write(staged, staged_count);
  writer.Finish();
}

std::string EncodeLzw(const TGIFSubImage& frame) {
  std::string out;
  out.reserve(frame.data.size() / 2 + 64);
  TLZWEncoder encoder;
  encoder.Encode(frame.data.data(), frame.data.size(), frame.color_map.BitDepth(),
                 frame.color_map.Count(), out);
  return out;
}

// ---- The file -----------------------------------------------------------------------------

namespace {

void PutWord(std::string& out, int value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void CheckSize(int width, int height) {
  if (width <= 0 || height <= 0) throw GIFException("Cannot write a GIF of a picture without pixels");
  if (width > 65535 || height > 65535) {
    throw GIFException("Picture too large for GIF (" + std::to_string(width) + " x " +
                       std::to_string(height) + "): at most 65535 pixels a side");
  }
}

}  // namespace

std::string WriteGifImage(const TGIFSubImage& frame, const std::atomic<std::size_t>* mapped) {
  CheckSize(frame.width, frame.height);
  const TGIFColorMap& map = frame.color_map;
  const int b = map.BitDepth();
  std::string out;
  out.reserve(frame.data.size() / 2 + 1024);
  const bool v89 = map.Sorted() || frame.has_graphic_control;
  out += v89 ? "GIF89a" : "GIF87a";
  PutWord(out, frame.width);
  PutWord(out, frame.height);
  const int depth = b > 0 ? b - 1 : 0;
  out.push_back(static_cast<char>((depth << 4) | depth));
  out.push_back('\0');  // background colour index
  out.push_back('\0');  // pixel aspect ratio

  if (frame.has_graphic_control) {
    const TGIFGraphicControlExtension& gce = frame.graphic_control;
    int index = gce.transparent_index;
    if (map.Count() > 0 && index >= map.Count()) index = 0;
    out.push_back(static_cast<char>(0x21));
    out.push_back(static_cast<char>(0xF9));
    out.push_back(static_cast<char>(0x04));
    out.push_back(static_cast<char>(gce.packed));
    PutWord(out, gce.delay);
    out.push_back(static_cast<char>(index));
    out.push_back('\0');
  }

  out.push_back(static_cast<char>(0x2C));
  PutWord(out, 0);
  PutWord(out, 0);
  PutWord(out, frame.width);
  PutWord(out, frame.height);
  int packed = 0;
  if (b > 0) packed = 0x80 | (map.Sorted() ? 0x20 : 0) | (b - 1);
  out.push_back(static_cast<char>(packed));
  if (b > 0) {
    for (int i = 0; i < (1 << b); ++i) {
      TGIFColor c = i < map.Count() ? map[i] : TGIFColor{};
      out.push_back(static_cast<char>(c.r));
      out.push_back(static_cast<char>(c.g));
      out.push_back(static_cast<char>(c.b));
    }
  }
  // The image data goes straight onto the end of the file's bytes.
  TLZWEncoder encoder;
  encoder.Encode(frame.data.data(), frame.data.size(), map.BitDepth(), map.Count(), out, mapped);
  out.push_back(static_cast<char>(0x3B));
  return out;
}

// ---- Entry points -------------------------------------------------------------------------

namespace {

// A large picture without a key colour is mapped to its palette on a second thread while
// this one compresses the indices already mapped: the same bytes, sooner. (A key colour
// orders the table by use first, which needs every index.)
constexpr std::size_t kMappedAlongsidePixels = std::size_t{1} << 18;

std::string EncodeMappingAlongside(const Picture& picture, GifTransparency transparency) {
  TGIFSubImage frame;
  frame.width = picture.Width();
  frame.height = picture.Height();
  TGIFPalette palette;
  {
    TColorQuantizer quantizer;
    quantizer.AddPicture(picture);
    palette = quantizer.CollectColours();
  }
  for (const TGIFColor& c : palette) frame.color_map.Add(c);
  frame.data.resize(static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height));
  TFastColorLookup lookup(palette);
  std::atomic<std::size_t> mapped{0};
  std::thread mapper([&] { MapSerpentine(picture, lookup, frame.data.data(), &mapped); });
  struct Join {
    std::thread& thread;
    ~Join() { thread.join(); }
  } join{mapper};
  if (transparency == GifTransparency::kTopLeftIndex) {
    while (mapped.load(std::memory_order_acquire) == 0) std::this_thread::yield();
    ApplyTopLeftTransparency(frame);
  }
  return WriteGifImage(frame, &mapped);
}

}  // namespace

std::string EncodeGif(const Picture& picture, GifTransparency transparency) {
  if (picture.Empty() && transparency != GifTransparency::kNone) InvalidPixelCoordinates();
  CheckSize(picture.Width(), picture.Height());
  if (transparency != GifTransparency::kKeyColour &&
      static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(picture.Height()) >=
          kMappedAlongsidePixels) {
    return EncodeMappingAlongside(picture, transparency);
  }
  TGIFSubImage frame = BuildFrame(picture);
  switch (transparency) {
    case GifTransparency::kNone: break;
    case GifTransparency::kTopLeftIndex: ApplyTopLeftTransparency(frame); break;
    case GifTransparency::kKeyColour: ApplyKeyColour(frame, picture); break;
  }
  return WriteGifImage(frame);
}

void WriteGifFile(const Picture& picture, const std::filesystem::path& path,
                  GifTransparency transparency) {
  const std::string bytes = EncodeGif(picture, transparency);
  WriteWholeFile(bytes, path, CreateFailure::kCannotCreate);
}

}  // namespace corvanti
