#include "codecs/gif_writer.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/gif_internals.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes AsBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The parts of one of our own files, read back strictly: any deviation from the layout
// the writer promises fails the test that parses it.
struct ParsedGif {
  std::string version;
  int width = 0;
  int height = 0;
  int header_packed = -1;
  bool has_gce = false;
  Bytes gce;  // the eight bytes from 0x21 on
  int descriptor_packed = -1;
  std::vector<TGIFColor> table;
  int min_code_size = 0;
  std::vector<int> block_lengths;
  Bytes data;  // the sub-blocks joined
};

ParsedGif ParseOwnGif(const std::string& file) {
  ParsedGif g;
  const Bytes b = AsBytes(file);
  std::size_t at = 0;
  auto need = [&](std::size_t n) {
    if (at + n > b.size()) throw std::runtime_error("truncated at " + std::to_string(at));
  };
  auto word = [&](std::size_t pos) { return b[pos] | (b[pos + 1] << 8); };
  need(13);
  g.version = file.substr(0, 6);
  g.width = word(6);
  g.height = word(8);
  g.header_packed = b[10];
  if (b[11] != 0 || b[12] != 0) throw std::runtime_error("background or aspect not 0");
  at = 13;
  need(1);
  if (b[at] == 0x21) {
    need(8);
    g.has_gce = true;
    g.gce.assign(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + 8));
    at += 8;
  }
  need(10);
  if (b[at] != 0x2C) throw std::runtime_error("no image descriptor");
  if (word(at + 1) != 0 || word(at + 3) != 0) throw std::runtime_error("frame not at 0,0");
  if (word(at + 5) != g.width || word(at + 7) != g.height) throw std::runtime_error("frame size");
  g.descriptor_packed = b[at + 9];
  at += 10;
  const int entries = 1 << ((g.descriptor_packed & 7) + 1);
  need(static_cast<std::size_t>(3 * entries));
  for (int i = 0; i < entries; ++i, at += 3) g.table.push_back(TGIFColor{b[at], b[at + 1], b[at + 2]});
  need(1);
  g.min_code_size = b[at++];
  for (;;) {
    need(1);
    const int n = b[at++];
    if (n == 0) break;
    need(static_cast<std::size_t>(n));
    g.block_lengths.push_back(n);
    g.data.insert(g.data.end(), b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
    at += static_cast<std::size_t>(n);
  }
  need(1);
  if (b[at] != 0x3B || at + 1 != b.size()) throw std::runtime_error("no trailer at the end");
  return g;
}

// A plain LZW decoder written from the format's rules (not from the encoder), which also
// reports the codes it read.
struct LzwTrace {
  Bytes indices;
  std::vector<int> codes;
  int clear_codes = 0;
  int max_code = 0;
  bool ended = false;
};

LzwTrace DecodeLzw(const Bytes& data, int min_code_size) {
  LzwTrace t;
  const int clear = 1 << min_code_size;
  const int end = clear + 1;
  std::vector<int> prefix(4096, -1);
  std::vector<std::uint8_t> suffix(4096, 0), first(4096, 0);
  for (int i = 0; i < clear; ++i) {
    suffix[i] = static_cast<std::uint8_t>(i);
    first[i] = static_cast<std::uint8_t>(i);
  }
  int width = min_code_size + 1;
  int next = clear + 2;
  int old = -1;
  std::size_t bitpos = 0;
  auto append = [&](int code) {
    Bytes s;
    for (int c = code; c >= 0; c = prefix[c]) s.push_back(suffix[c]);
    t.indices.insert(t.indices.end(), s.rbegin(), s.rend());
  };
  while (bitpos + static_cast<std::size_t>(width) <= data.size() * 8) {
    int code = 0;
    for (int k = 0; k < width; ++k, ++bitpos) {
      code |= ((data[bitpos / 8] >> (bitpos % 8)) & 1) << k;
    }
    t.codes.push_back(code);
    t.max_code = std::max(t.max_code, code);
    if (code == clear) {
      ++t.clear_codes;
      width = min_code_size + 1;
      next = clear + 2;
      old = -1;
      continue;
    }
    if (code == end) {
      t.ended = true;
      break;
    }
    if (old < 0) {
      if (code >= clear) throw std::runtime_error("first code not a pixel");
      append(code);
      old = code;
      continue;
    }
    if (code > next) throw std::runtime_error("code beyond the table");
    const std::uint8_t head = code == next ? first[old] : first[code];
    if (next < 4096) {
      prefix[next] = old;
      suffix[next] = head;
      first[next] = first[old];
      ++next;
    }
    append(code);
    old = code;
    if (next == (1 << width) && width < 12) ++width;
  }
  return t;
}

// The frame EncodeGif writes, rebuilt from the writer's own steps.
TGIFSubImage ExpectedFrame(const Picture& picture, GifTransparency kind) {
  TGIFSubImage frame = BuildFrame(picture);
  if (kind == GifTransparency::kTopLeftIndex) ApplyTopLeftTransparency(frame);
  if (kind == GifTransparency::kKeyColour) ApplyKeyColour(frame, picture);
  return frame;
}

void EnsureGifDecoder() {
  test::EnsureGuiApplication();
  ASSERT_TRUE(QImageReader::supportedImageFormats().contains("gif"))
      << "Qt's GIF plugin did not load";
}

QImage DecodeWithQt(const std::string& file) {
  QImage image = QImage::fromData(QByteArray(file.data(), static_cast<qsizetype>(file.size())), "GIF");
  return image.convertToFormat(QImage::Format_ARGB32);
}

// Encodes the picture and checks that an independent decoder shows exactly the colour of
// each pixel's entry in the written table (transparent where the frame says so), that our
// own LZW reading gives the same indices, and that the file's table is the frame's.
void ExpectDecodesAsWritten(const Picture& picture, GifTransparency kind) {
  SCOPED_TRACE(std::to_string(picture.Width()) + " x " + std::to_string(picture.Height()) +
               " kind " + std::to_string(static_cast<int>(kind)));
  const std::string file = EncodeGif(picture, kind);
  const TGIFSubImage frame = ExpectedFrame(picture, kind);
  const ParsedGif g = ParseOwnGif(file);
  ASSERT_EQ(g.width, picture.Width());
  ASSERT_EQ(g.height, picture.Height());
  for (int i = 0; i < static_cast<int>(g.table.size()); ++i) {
    TGIFColor want = i < frame.color_map.Count() ? frame.color_map[i] : TGIFColor{};
    ASSERT_EQ(g.table[static_cast<std::size_t>(i)], want) << "table entry " << i;
  }
  const LzwTrace trace = DecodeLzw(g.data, g.min_code_size);
  ASSERT_TRUE(trace.ended);
  ASSERT_EQ(trace.indices, frame.data);

  const int transparent = g.has_gce && (g.gce[3] & 1) ? g.gce[6] : -1;
  const QImage image = DecodeWithQt(file);
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.width(), picture.Width());
  ASSERT_EQ(image.height(), picture.Height());
  int mismatches = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const int index = frame.data[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.Width()) +
                                   static_cast<std::size_t>(x)];
      const QRgb got = image.pixel(x, y);
      if (index == transparent) {
        if (qAlpha(got) != 0) ++mismatches;
        continue;
      }
      const TGIFColor& c = g.table[static_cast<std::size_t>(index)];
      if (got != qRgba(c.r, c.g, c.b, 255)) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// 256 colours whose 15-bit keys all differ, so each pixel keeps its exact colour.
Colour DistinctColour(int i) { return MakeColour((i & 15) * 16 + 3, (i >> 4) * 16 + 5, 200 - (i & 7) * 8); }

Picture ScatteredPicture(int width, int height, int colours, unsigned seed) {
  Picture p(width, height);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) p.SetPixel(x, y, DistinctColour(static_cast<int>(random() % colours)));
  }
  return p;
}

Bytes GceBytes(std::uint8_t packed, int delay, std::uint8_t index) {
  return Bytes{0x21, 0xF9, 0x04, packed, static_cast<std::uint8_t>(delay & 0xFF),
               static_cast<std::uint8_t>(delay >> 8), index, 0x00};
}

// ---- Exact bytes --------------------------------------------------------------------------

TEST(GifWriterBytes, SingleRedPixelIsThe799ByteFile) {
  Picture red(1, 1);
  red.SetPixel(0, 0, MakeColour(255, 0, 0));
  Bytes want = {'G', 'I', 'F', '8', '7', 'a', 0x01, 0x00, 0x01, 0x00, 0x77, 0x00, 0x00,
                0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x87, 0xFF, 0x00, 0x00};
  want.resize(want.size() + 255 * 3, 0x00);
  for (std::uint8_t x : {0x08, 0x04, 0x00, 0x01, 0x04, 0x04, 0x00, 0x3B}) want.push_back(x);
  ASSERT_EQ(want.size(), 799u);
  EXPECT_EQ(AsBytes(EncodeGif(red, GifTransparency::kNone)), want);
}

TEST(GifWriterBytes, OneColourPictureHasFullTableAndIndexZero) {
  const Picture p = test::SolidPicture(37, 11, MakeColour(12, 200, 99));
  const ParsedGif g = ParseOwnGif(EncodeGif(p, GifTransparency::kNone));
  EXPECT_EQ(g.version, "GIF87a");
  EXPECT_EQ(g.header_packed, 0x77);
  EXPECT_EQ(g.descriptor_packed, 0x87);
  EXPECT_FALSE(g.has_gce);
  ASSERT_EQ(g.table.size(), 256u);
  EXPECT_EQ(g.table[0], (TGIFColor{12, 200, 99}));
  for (std::size_t i = 1; i < 256; ++i) EXPECT_EQ(g.table[i], TGIFColor{}) << i;
  EXPECT_EQ(g.min_code_size, 8);
  const LzwTrace t = DecodeLzw(g.data, 8);
  EXPECT_EQ(t.indices, Bytes(37 * 11, 0));
}

TEST(GifWriterBytes, KeyColourOnOneColourPictureGivesTwoEntryTable) {
  const Picture p = test::SolidPicture(20, 9, MakeColour(40, 50, 60));
  const ParsedGif g = ParseOwnGif(EncodeGif(p, GifTransparency::kKeyColour));
  EXPECT_EQ(g.version, "GIF89a");
  EXPECT_EQ(g.header_packed, 0x00);
  EXPECT_EQ(g.descriptor_packed, 0x80);
  ASSERT_TRUE(g.has_gce);
  EXPECT_EQ(g.gce, GceBytes(0x01, 0, 1));
  ASSERT_EQ(g.table.size(), 2u);
  EXPECT_EQ(g.table[0], (TGIFColor{40, 50, 60}));
  EXPECT_EQ(g.table[1], TGIFColor{});
  EXPECT_EQ(g.min_code_size, 2);
  EXPECT_EQ(DecodeLzw(g.data, 2).indices, Bytes(20 * 9, 1));
}

TEST(GifWriterBytes, TopLeftTransparencyNamesTheCornerIndex) {
  Picture p = ScatteredPicture(13, 7, 40, 3);
  const std::string file = EncodeGif(p, GifTransparency::kTopLeftIndex);
  const ParsedGif g = ParseOwnGif(file);
  const TGIFSubImage frame = BuildFrame(p);
  EXPECT_EQ(g.version, "GIF89a");
  EXPECT_EQ(g.header_packed, 0x77);
  EXPECT_EQ(g.descriptor_packed, 0x87);
  ASSERT_TRUE(g.has_gce);
  EXPECT_EQ(g.gce, GceBytes(0x01, 3000, frame.data[0]));
  EXPECT_EQ(Bytes(file.begin() + 13, file.begin() + 19), (Bytes{0x21, 0xF9, 0x04, 0x01, 0xB8, 0x0B}));
}

TEST(GifWriterBytes, KeyColourWithAll256ColoursUsedKeepsSortedTableWithoutTransparency) {
  Picture p(256, 3);
  for (int x = 0; x < 256; ++x) {
    for (int y = 0; y < 3; ++y) p.SetPixel(x, y, DistinctColour(x));
  }
  p.SetPixel(5, 0, DistinctColour(7));  // unequal counts
  const ParsedGif g = ParseOwnGif(EncodeGif(p, GifTransparency::kKeyColour));
  EXPECT_EQ(g.version, "GIF89a");
  EXPECT_EQ(g.descriptor_packed, 0xA7);
  EXPECT_EQ(g.header_packed, 0x77);
  EXPECT_FALSE(g.has_gce);
  EXPECT_EQ(g.table[0], (TGIFColor{static_cast<std::uint8_t>(RedOf(DistinctColour(7))),
                                   static_cast<std::uint8_t>(GreenOf(DistinctColour(7))),
                                   static_cast<std::uint8_t>(BlueOf(DistinctColour(7)))}));
}

TEST(GifWriterBytes, KeyColourTableIsSortedByUseAndPaddedToPowerOfTwo) {
  // Five colours, the bottom-left one the key: a table of 5 used + 1 transparent, padded to 8.
  Picture p(10, 4);
  p.Fill(DistinctColour(1));
  for (int x = 0; x < 10; ++x) p.SetPixel(x, 0, DistinctColour(2));
  for (int x = 0; x < 6; ++x) p.SetPixel(x, 1, DistinctColour(3));
  p.SetPixel(9, 2, DistinctColour(4));
  p.SetPixel(0, 3, DistinctColour(5));
  const ParsedGif g = ParseOwnGif(EncodeGif(p, GifTransparency::kKeyColour));
  EXPECT_EQ(g.header_packed, 0x22);
  EXPECT_EQ(g.descriptor_packed, 0x82);  // the appended entry cleared the sorted flag
  ASSERT_EQ(g.table.size(), 8u);
  auto rgb = [](Colour c) {
    return TGIFColor{static_cast<std::uint8_t>(RedOf(c)), static_cast<std::uint8_t>(GreenOf(c)),
                     static_cast<std::uint8_t>(BlueOf(c))};
  };
  EXPECT_EQ(g.table[0], rgb(DistinctColour(1)));  // 22 pixels
  EXPECT_EQ(g.table[1], rgb(DistinctColour(2)));  // 10
  EXPECT_EQ(g.table[2], rgb(DistinctColour(3)));  // 6
  EXPECT_TRUE((g.table[3] == rgb(DistinctColour(4)) && g.table[4] == rgb(DistinctColour(5))) ||
              (g.table[3] == rgb(DistinctColour(5)) && g.table[4] == rgb(DistinctColour(4))));
  EXPECT_EQ(g.table[5], TGIFColor{});
  EXPECT_EQ(g.gce, GceBytes(0x01, 0, 5));
  EXPECT_EQ(g.min_code_size, 3);
  const Bytes indices = DecodeLzw(g.data, 3).indices;
  EXPECT_EQ(indices[30], 5);  // the key pixel (0, 3)
  EXPECT_EQ(indices[0], 1);
  EXPECT_EQ(indices[10], 2);
}

// ---- LZW ------------------------------------------------------------------------------------

TEST(GifWriterLzw, TableOverflowEmitsClearAfterCode4094) {
  const Picture p = ScatteredPicture(300, 200, 256, 11);
  const TGIFSubImage frame = BuildFrame(p);
  const ParsedGif g = ParseOwnGif(EncodeGif(p, GifTransparency::kNone));
  const LzwTrace t = DecodeLzw(g.data, 8);
  ASSERT_TRUE(t.ended);
  EXPECT_EQ(t.indices, frame.data);
  EXPECT_GT(t.clear_codes, 3);
  EXPECT_LE(t.max_code, 4094);
  // Every clear but the first comes right when the table is full: between two clears the
  // encoder assigned codes 258..4094, one per code written after the first.
  int since_clear = -1;
  for (int code : t.codes) {
    if (code == 256) {
      if (since_clear >= 0) {
        EXPECT_EQ(since_clear, 4094 - 258 + 2);
      }
      since_clear = 0;
    } else {
      ++since_clear;
    }
  }
  for (int n : g.block_lengths) EXPECT_GE(n, 1);
  for (std::size_t i = 0; i + 1 < g.block_lengths.size(); ++i) EXPECT_EQ(g.block_lengths[i], 255);
}

// The codes of LZW by its definition: the longest string in the table, a new string for
// it and the next pixel, a clear code once code 4094 has been assigned.
std::vector<int> GreedyCodes(const Bytes& data, int min_code_size) {
  const int clear = 1 << min_code_size;
  std::map<std::pair<int, int>, int> table;
  int next = clear + 2;
  std::vector<int> codes = {clear};
  int prefix = data[0];
  for (std::size_t i = 1; i < data.size(); ++i) {
    const auto found = table.find({prefix, data[i]});
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    codes.push_back(prefix);
    if (next < 4095) {
      table[{prefix, data[i]}] = next++;
    } else {
      codes.push_back(clear);
      table.clear();
      next = clear + 2;
    }
    prefix = data[i];
  }
  codes.push_back(prefix);
  codes.push_back(clear + 1);
  return codes;
}

// Runs of one index, short and long (past the longest run the encoder follows as a run,
// and across clear codes), whole or broken by other indices, give the definition's codes.
TEST(GifWriterLzw, RunsGiveTheCodesOfTheDefinition) {
  std::mt19937 random(5);
  auto runs = [&](int colours, int shortest, int longest, std::size_t size) {
    Bytes data;
    while (data.size() < size) {
      const auto v = static_cast<std::uint8_t>(random() % static_cast<unsigned>(colours));
      data.insert(data.end(), static_cast<std::size_t>(shortest + static_cast<int>(random() % static_cast<unsigned>(longest - shortest + 1))), v);
      if (random() % 4 == 0) data.push_back(static_cast<std::uint8_t>(random() % static_cast<unsigned>(colours)));
    }
    data.resize(size);
    return data;
  };
  const struct {
    int colours;
    Bytes data;
  } cases[] = {
      {2, Bytes(70000, 1)},
      {4, runs(4, 1, 400, 200000)},
      {256, runs(256, 1, 12, 100000)},
      {256, runs(3, 200, 300, 150000)},
  };
  for (const auto& c : cases) {
    TGIFSubImage frame;
    frame.width = 1000;  // every case is whole rows of it
    frame.height = static_cast<int>(c.data.size() / 1000);
    for (int k = 0; k < c.colours; ++k) frame.color_map.Add(TGIFColor{});
    frame.data = c.data;
    const ParsedGif g = ParseOwnGif(WriteGifImage(frame));
    EXPECT_EQ(DecodeLzw(g.data, g.min_code_size).codes, GreedyCodes(c.data, g.min_code_size))
        << c.colours << " colours, " << c.data.size() << " indices";
  }
}

TEST(GifWriterLzw, FirstSlotIsTheKeyHashForEveryPrefixAndPixel) {
  for (int prefix = 0; prefix < 4096; ++prefix) {
    for (std::uint32_t pixel = 0; pixel < 256; ++pixel) {
      const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | pixel;
      ASSERT_EQ(THashTable::FirstSlot(prefix, pixel), static_cast<int>((key ^ (key >> 4)) % 8009))
          << prefix << " " << pixel;
    }
  }
}

TEST(GifWriterLzw, HashTableFindsWhatItHoldsAcrossCollisions) {
  THashTable table;
  // Keys that share their first slot walk on to other slots and are still found.
  std::vector<std::uint32_t> keys;
  for (std::uint32_t key = 0; keys.size() < 40 && key < (1u << 20); ++key) {
    if (THashTable::Hash(key) == THashTable::Hash(0x12345)) keys.push_back(key);
  }
  ASSERT_GT(keys.size(), 3u);
  for (std::size_t i = 0; i < keys.size(); ++i) table.Insert(keys[i], static_cast<int>(300 + i));
  for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(table.Lookup(keys[i]), static_cast<int>(300 + i));
  EXPECT_EQ(table.Lookup(0x54321), -1);
  table.Clear();
  EXPECT_EQ(table.Lookup(keys[0]), -1);
}

TEST(GifWriterLzw, IndexOutsideTheTableFails) {
  TGIFSubImage frame;
  frame.width = 3;
  frame.height = 1;
  frame.color_map.Add(TGIFColor{1, 2, 3});
  frame.color_map.Add(TGIFColor{4, 5, 6});
  frame.data = {0, 1, 2};
  try {
    EncodeLzw(frame);
    FAIL() << "no exception";
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Color not in color table");
  }
}

TEST(GifWriterLzw, DataEndingOnABlockBoundaryHasNoEmptyBlock) {
  std::string out;
  TGIFWriter writer(out);
  for (int i = 0; i < 510; ++i) writer.WriteByte(static_cast<std::uint8_t>(i));
  writer.Finish();
  ASSERT_EQ(out.size(), 2u * 256u + 1u);
  EXPECT_EQ(static_cast<std::uint8_t>(out[0]), 255);
  EXPECT_EQ(static_cast<std::uint8_t>(out[256]), 255);
  EXPECT_EQ(out.back(), '\0');
}

// ---- Colour reduction and mapping -------------------------------------------------------

TEST(GifWriterQuantizer, MergesTheNewestDeepestNodeFirst) {
  // A pair under one level-7 node first, 253 colours alone under theirs, then a second pair:
  // the 257th leaf folds the second pair, made last, into its mean.
  Picture p(257, 1);
  int x = 0;
  p.SetPixel(x++, 0, MakeColour(10, 0, 0));
  p.SetPixel(x++, 0, MakeColour(11, 0, 0));
  for (int i = 0; i < 253; ++i) p.SetPixel(x++, 0, MakeColour(2 * (i % 128), 2 * (i / 128) + 4, 40));
  p.SetPixel(x++, 0, MakeColour(50, 0, 0));
  p.SetPixel(x++, 0, MakeColour(51, 0, 0));
  TColorQuantizer q;
  q.AddPicture(p);
  EXPECT_EQ(q.LeafCount(), 256);
  const TGIFPalette palette = q.CollectColours();
  auto has = [&](TGIFColor c) { return std::find(palette.begin(), palette.end(), c) != palette.end(); };
  EXPECT_TRUE(has(TGIFColor{10, 0, 0}));
  EXPECT_TRUE(has(TGIFColor{11, 0, 0}));
  EXPECT_TRUE(has(TGIFColor{50, 0, 0}));  // (50 + 51) / 2
  EXPECT_FALSE(has(TGIFColor{51, 0, 0}));
}

TEST(GifWriterQuantizer, RandomColoursStayWithinTheNodePool) {
  // Every new colour makes a full path of nodes and forces a merge: the most nodes at once.
  Picture p(400, 250);
  std::mt19937 random(99);
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) p.SetPixel(x, y, static_cast<Colour>(random() & 0xFFFFFF));
  }
  TColorQuantizer q;
  ASSERT_NO_THROW(q.AddPicture(p));
  // A merge can fold several leaves at once, so the count may end a little below 256.
  EXPECT_LE(q.LeafCount(), 256);
  EXPECT_GT(q.LeafCount(), 240);
}

TEST(GifWriterQuantizer, PaletteIsDepthFirstLeafOrderPaddedWithBlack) {
  Picture p(3, 1);
  p.SetPixel(0, 0, MakeColour(255, 255, 255));
  p.SetPixel(1, 0, MakeColour(0, 0, 200));
  p.SetPixel(2, 0, MakeColour(200, 0, 0));
  TColorQuantizer q;
  q.AddPicture(p);
  const TGIFPalette palette = q.CollectColours();
  EXPECT_EQ(palette[0], (TGIFColor{0, 0, 200}));  // child 1 at the root
  EXPECT_EQ(palette[1], (TGIFColor{200, 0, 0}));  // child 4
  EXPECT_EQ(palette[2], (TGIFColor{255, 255, 255}));
  EXPECT_EQ(palette[3], TGIFColor{});
  EXPECT_EQ(palette[255], TGIFColor{});
}

TEST(GifWriterLookup, LowestIndexWinsAKeyAndFirstColourDecidesAnEmptyKey) {
  TGIFPalette palette{};
  palette[0] = TGIFColor{200, 200, 200};
  palette[1] = TGIFColor{100, 100, 100};
  palette[2] = TGIFColor{101, 101, 101};  // same 15-bit key as entry 1
  palette[3] = TGIFColor{20, 0, 0};
  for (int i = 4; i < 256; ++i) palette[static_cast<std::size_t>(i)] = TGIFColor{255, 255, 0};
  TFastColorLookup lookup(palette);
  EXPECT_EQ(lookup.NearestIndex(101, 101, 101), 1);
  EXPECT_EQ(lookup.NearestIndex(103, 97, 100), 1);
  // (9, 0, 0) reaches an empty key and searches; (15, 0, 0) of the same key reads the result.
  EXPECT_EQ(lookup.NearestIndex(9, 0, 0), 3);
  EXPECT_EQ(lookup.NearestIndex(15, 0, 0), 3);
  // Ties keep the lower index.
  TGIFPalette tie{};
  tie[0] = TGIFColor{0, 0, 10};
  tie[1] = TGIFColor{0, 0, 30};
  for (int i = 2; i < 256; ++i) tie[static_cast<std::size_t>(i)] = TGIFColor{250, 250, 250};
  TFastColorLookup tie_lookup(tie);
  EXPECT_EQ(tie_lookup.NearestIndex(0, 0, 20), 0);
}

TEST(GifWriterLookup, SerpentineOrderDecidesSharedKeys) {
  TGIFPalette palette{};  // entry 0 black, entry 1 (20, 0, 0), the rest far away
  palette[1] = TGIFColor{20, 0, 0};
  for (int i = 2; i < 256; ++i) palette[static_cast<std::size_t>(i)] = TGIFColor{255, 255, 255};
  // Row 1 runs right to left: (9, 0, 0) is met first and takes black for the whole key,
  // which also gives (15, 0, 0) black though (20, 0, 0) is nearer to it.
  Picture p(2, 2);
  p.Fill(MakeColour(255, 255, 255));
  p.SetPixel(0, 1, MakeColour(15, 0, 0));
  p.SetPixel(1, 1, MakeColour(9, 0, 0));
  TFastColorLookup lookup(palette);
  EXPECT_EQ(MapSerpentine(p, lookup), (Bytes{2, 2, 0, 0}));
  // In row 0, left to right, (15, 0, 0) comes first and takes entry 1.
  Picture q(2, 1);
  q.SetPixel(0, 0, MakeColour(15, 0, 0));
  q.SetPixel(1, 0, MakeColour(9, 0, 0));
  TFastColorLookup fresh(palette);
  EXPECT_EQ(MapSerpentine(q, fresh), (Bytes{1, 1}));
}

TEST(GifWriterLookup, ColoursSharingAKeyTakeTheFirstPaletteEntry) {
  Picture p(4, 1);
  p.SetPixel(0, 0, MakeColour(101, 101, 101));
  p.SetPixel(1, 0, MakeColour(100, 100, 100));
  p.SetPixel(2, 0, MakeColour(101, 101, 101));
  p.SetPixel(3, 0, MakeColour(250, 0, 0));
  const TQuantizedPicture q = QuantizeTo256(p);
  EXPECT_EQ(q.palette[0], (TGIFColor{100, 100, 100}));
  EXPECT_EQ(q.palette[1], (TGIFColor{101, 101, 101}));
  EXPECT_EQ(q.indices, (Bytes{0, 0, 0, 2}));
}

// ---- Sorting by use -------------------------------------------------------------------------

TEST(GifWriterSort, QuicksortLeavesEqualCountsInItsOwnOrder) {
  std::vector<TColorUse> uses;
  const std::uint32_t counts[] = {2, 5, 2, 0, 5, 1};
  for (int i = 0; i < 6; ++i) uses.push_back(TColorUse{counts[i], i});
  SortColorUse(uses);
  std::vector<int> order;
  for (const TColorUse& u : uses) order.push_back(u.index);
  EXPECT_EQ(order, (std::vector<int>{1, 4, 2, 0, 5, 3}));
}

TEST(GifWriterSort, SortByUseRenumbersPixelsAndDropsUnusedColours) {
  TGIFSubImage frame;
  frame.width = 15;
  frame.height = 1;
  for (int i = 0; i < 6; ++i) frame.color_map.Add(TGIFColor{static_cast<std::uint8_t>(i), 0, 0});
  frame.data = {0, 1, 1, 1, 1, 1, 2, 2, 4, 4, 4, 4, 4, 0, 5};
  SortByUse(frame);
  ASSERT_EQ(frame.color_map.Count(), 5);
  EXPECT_TRUE(frame.color_map.Sorted());
  const int want[] = {1, 4, 2, 0, 5};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(frame.color_map[k].r, want[k]) << k;
  EXPECT_EQ(frame.data, (Bytes{3, 0, 0, 0, 0, 0, 2, 2, 1, 1, 1, 1, 1, 3, 4}));
}

TEST(GifWriterSort, AlreadyOrderedTableStillDropsUnusedColours) {
  // 255 distinct counts already in descending order leave the order as it is; the unused
  // last entry must still go so that the transparent entry fits.
  TGIFSubImage frame;
  std::vector<TColorUse> uses;
  for (int i = 0; i < 256; ++i) {
    frame.color_map.Add(TGIFColor{static_cast<std::uint8_t>(i), 1, 1});
    const int count = i < 255 ? 255 - i : 0;
    frame.data.insert(frame.data.end(), static_cast<std::size_t>(count), static_cast<std::uint8_t>(i));
    uses.push_back(TColorUse{static_cast<std::uint32_t>(count), i});
  }
  frame.width = static_cast<int>(frame.data.size());
  frame.height = 1;
  SortColorUse(uses);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(uses[static_cast<std::size_t>(i)].index, i);
  const Bytes before = frame.data;
  SortByUse(frame);
  EXPECT_EQ(frame.color_map.Count(), 255);
  EXPECT_EQ(frame.data, before);

  Picture picture(frame.width, 1);
  const Colour key = MakeColour(7, 7, 7);
  picture.Fill(MakeColour(200, 1, 1));
  picture.SetPixel(0, 0, key);
  frame.color_map.SetSorted(false);
  ApplyKeyColour(frame, picture);
  EXPECT_TRUE(frame.has_graphic_control);
  EXPECT_EQ(frame.graphic_control.transparent_index, 255);
  EXPECT_EQ(frame.data[0], 255);
}

// ---- Decoding by an independent reader ------------------------------------------------------

TEST(GifWriterDecode, EveryKindOfPictureDecodesToItsTableColours) {
  EnsureGifDecoder();
  const GifTransparency kinds[] = {GifTransparency::kNone, GifTransparency::kTopLeftIndex,
                                   GifTransparency::kKeyColour};
  std::vector<Picture> pictures;
  pictures.push_back(test::SolidPicture(16, 16, MakeColour(1, 2, 3)));
  pictures.push_back(test::SolidPicture(1, 1, MakeColour(0, 0, 0)));
  pictures.push_back(ScatteredPicture(1, 700, 256, 5));
  pictures.push_back(ScatteredPicture(900, 1, 30, 6));
  pictures.push_back(ScatteredPicture(61, 47, 200, 7));
  pictures.push_back(test::PhotoLikePicture(120, 90, 8));
  for (const Picture& p : pictures) {
    for (GifTransparency kind : kinds) ExpectDecodesAsWritten(p, kind);
  }
}

TEST(GifWriterDecode, FewColoursComeBackExactly) {
  EnsureGifDecoder();
  const Picture p = ScatteredPicture(64, 33, 256, 9);
  const QImage image = DecodeWithQt(EncodeGif(p, GifTransparency::kNone));
  ASSERT_FALSE(image.isNull());
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      const Colour c = p.Pixel(x, y);
      ASSERT_EQ(image.pixel(x, y), qRgb(RedOf(c), GreenOf(c), BlueOf(c))) << x << "," << y;
    }
  }
}

TEST(GifWriterDecode, ManyColoursStayClose) {
  EnsureGifDecoder();
  const Picture p = test::PhotoLikePicture(300, 120, 4);
  const QImage image = DecodeWithQt(EncodeGif(p, GifTransparency::kNone));
  ASSERT_FALSE(image.isNull());
  long long error = 0;
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      const Colour c = p.Pixel(x, y);
      const QRgb q = image.pixel(x, y);
      error += std::abs(qRed(q) - RedOf(c)) + std::abs(qGreen(q) - GreenOf(c)) + std::abs(qBlue(q) - BlueOf(c));
    }
  }
  const double mean = static_cast<double>(error) / (p.Width() * p.Height() * 3.0);
  EXPECT_LT(mean, 12.0);
}

TEST(GifWriterDecode, KeyColourPixelsAreTransparentAndOthersKeepTheirColour) {
  EnsureGifDecoder();
  Picture p = ScatteredPicture(40, 30, 50, 12);
  const Colour key = MakeColour(9, 9, 9);
  for (int x = 0; x < 40; ++x) p.SetPixel(x, 29, key);
  p.SetPixel(17, 3, key);
  const QImage image = DecodeWithQt(EncodeGif(p, GifTransparency::kKeyColour));
  ASSERT_FALSE(image.isNull());
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const Colour c = p.Pixel(x, y);
      if (c == key) {
        EXPECT_EQ(qAlpha(image.pixel(x, y)), 0);
      } else {
        EXPECT_EQ(image.pixel(x, y), qRgb(RedOf(c), GreenOf(c), BlueOf(c)));
      }
    }
  }
}

// ---- Reference files ----------------------------------------------------------------------

// Files the writer made, kept byte for byte. The tests above rebuild the expected frame from
// the writer's own steps, so only these notice a change in the order the quantizer merges,
// the palette order, the sort by use or the codes. A change of the bytes on purpose remakes
// them with CORVANTI_REMAKE_GIF_REFERENCES=1 set.

std::filesystem::path ReferenceDir() { return test::TestDataDir() / "codecs" / "reference"; }

// Gradients with noise from the generator's own numbers (which the standard fixes), far more
// than 256 colours: a photograph as the quantizer sees one.
Picture NoisyPhoto() {
  Picture p(96, 64);
  std::mt19937 random(11);
  auto noisy = [&](int v) { return std::clamp(v + static_cast<int>(random() % 25) - 12, 0, 255); };
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      const int r = noisy(x * 255 / 95);
      const int g = noisy(y * 255 / 63);
      const int b = noisy(((x / 12 + y / 8) % 2) * 90 + 80);
      p.SetPixel(x, y, MakeColour(r, g, b));
    }
  }
  return p;
}

// The stack the window starts with, three lines, as the regeneration drew it (24 bits).
Picture ButtonStack() {
  const QImage image = QImage(QString::fromStdString((ReferenceDir() / "stack.png").string()))
                           .convertToFormat(QImage::Format_RGB888);
  Picture p(image.width(), image.height());
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      const QRgb c = image.pixel(x, y);
      p.SetPixel(x, y, MakeColour(qRed(c), qGreen(c), qBlue(c)));
    }
  }
  return p;
}

// A large picture is mapped on a second thread while the first compresses: the file is the
// one the plain road (the whole frame first) gives.
TEST(GifWriterReference, MappingAlongsideGivesTheSameFile) {
  const Picture p = test::PhotoLikePicture(640, 480, 5);
  for (const GifTransparency kind : {GifTransparency::kNone, GifTransparency::kTopLeftIndex}) {
    TGIFSubImage frame = BuildFrame(p);
    if (kind == GifTransparency::kTopLeftIndex) ApplyTopLeftTransparency(frame);
    EXPECT_TRUE(EncodeGif(p, kind) == WriteGifImage(frame));
  }
}

TEST(GifWriterReference, FilesStayByteForByte) {
  const Picture photo = NoisyPhoto();
  const Picture stack = ButtonStack();
  ASSERT_FALSE(stack.Empty());
  const struct {
    const char* file;
    const Picture& picture;
    GifTransparency kind;
  } cases[] = {{"photo.gif", photo, GifTransparency::kNone},
               {"stack_key.gif", stack, GifTransparency::kKeyColour},
               {"stack_corner.gif", stack, GifTransparency::kTopLeftIndex}};
  const bool remake = std::getenv("CORVANTI_REMAKE_GIF_REFERENCES") != nullptr;
  for (const auto& c : cases) {
    const std::string bytes = EncodeGif(c.picture, c.kind);
    if (remake) WriteWholeFile(bytes, ReferenceDir() / c.file);
    EXPECT_TRUE(bytes == ReadWholeFile(ReferenceDir() / c.file)) << c.file;
  }
}

// ---- Sizes and files --------------------------------------------------------------------------

TEST(GifWriterErrors, SizesOutsideTheFormatAreRefused) {
  EXPECT_THROW(EncodeGif(Picture(65536, 1), GifTransparency::kNone), GIFException);
  EXPECT_THROW(EncodeGif(Picture(1, 65536), GifTransparency::kKeyColour), GIFException);
  EXPECT_THROW(EncodeGif(Picture(), GifTransparency::kNone), GIFException);
  EXPECT_NO_THROW(EncodeGif(Picture(65535, 1), GifTransparency::kNone));
  try {
    EncodeGif(Picture(0, 5), GifTransparency::kTopLeftIndex);
    FAIL() << "no exception";
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Invalid pixel coordinates");
  }
}

TEST(GifWriterFile, MissingFolderGivesCannotCreateAndNoFile) {
  test::TempDir dir;
  const auto path = dir / "missing" / "nav.gif";
  const Picture p = test::SolidPicture(3, 3, MakeColour(1, 1, 1));
  try {
    WriteGifFile(p, path, GifTransparency::kNone);
    FAIL() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + path.string());
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  // A folder in the way of the file is no file to replace.
  std::filesystem::create_directory(dir / "taken.gif");
  EXPECT_THROW(WriteGifFile(p, dir / "taken.gif", GifTransparency::kNone), Error);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.gif"));
}

TEST(GifWriterFile, ReplacesAnExistingFileWhole) {
  test::TempDir dir;
  const auto path = dir / "nav_1.gif";
  WriteWholeFile(std::string(5000, 'x'), path);
  const Picture p = ScatteredPicture(20, 10, 12, 2);
  WriteGifFile(p, path, GifTransparency::kTopLeftIndex);
  EXPECT_EQ(ReadWholeFile(path), EncodeGif(p, GifTransparency::kTopLeftIndex));
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace corvanti
