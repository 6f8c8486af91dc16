// The picture readers against other programs' decoders: Qt's for BMP and GIF, libjpeg's
// djpeg for JPEG (references made by tests/data/codecs/make_corpus.sh).
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "codecs/bmp_writer.h"
#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/picture_loader.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

using test::ErrorOf;

std::filesystem::path Corpus(const std::string& name) { return test::TestDataDir() / "codecs" / name; }

std::string CorpusBytes(const std::string& name) { return ReadWholeFile(Corpus(name)); }

QImage QtDecode(const std::string& name) {
  test::EnsureGuiApplication();
  QImageReader reader(QString::fromStdString(Corpus(name).string()));
  QImage image = reader.read();
  EXPECT_FALSE(image.isNull()) << name << ": " << reader.errorString().toStdString();
  return image.convertToFormat(QImage::Format_RGB32);
}

// Every pixel of the picture equals the Qt picture, from (qx, qy) on in Qt's picture.
void ExpectSameAsQt(const Picture& picture, const QImage& image, const std::string& name,
                    int qx = 0, int qy = 0) {
  int mismatches = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const QRgb q = image.pixel(qx + x, qy + y);
      const Colour want = MakeColour(qRed(q), qGreen(q), qBlue(q));
      if (picture.Pixel(x, y) != want && ++mismatches <= 5) {
        ADD_FAILURE() << name << " pixel (" << x << ", " << y << "): got " << std::hex
                      << picture.Pixel(x, y) << ", Qt has " << want;
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << name;
}

// A binary PPM (P6) or PGM (P5) as a picture.
Picture ReadPnm(const std::string& name) {
  std::istringstream in(CorpusBytes(name));
  std::string magic;
  int width = 0, height = 0, max = 0;
  in >> magic >> width >> height >> max;
  in.get();
  const bool grey = magic == "P5";
  Picture p(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int r = in.get();
      int g = grey ? r : in.get();
      int b = grey ? r : in.get();
      p.SetPixel(x, y, MakeColour(r, g, b));
    }
  }
  EXPECT_TRUE(in.good()) << name;
  return p;
}

// ---------------------------------------------------------------------------------------
// BMP

std::string MakeBmp(std::int32_t width, std::int32_t height, int bpp, std::uint32_t compression,
                    const std::string& table, const std::string& rows);

TEST(BmpReader, DecodesEveryLayoutLikeQt) {
  const struct {
    const char* name;
    int bits;
  } files[] = {
      {"core_1.bmp", 1},     {"core_4.bmp", 4},     {"core_8.bmp", 8},   {"core_24.bmp", 24},
      {"info_8.bmp", 8},     {"info_24.bmp", 24},   {"info_16.bmp", 16}, {"info_32.bmp", 32},
      {"info_565.bmp", 16},  {"rle8.bmp", 8},       {"rle4.bmp", 4},     {"v4_565.bmp", 16},
      {"v5_565.bmp", 16},    {"v5_555.bmp", 16},    {"v5_32.bmp", 32},   {"topdown_24.bmp", 24},
      {"gap_8.bmp", 8},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const DecodedPicture decoded = ReadBmpFile(Corpus(f.name));
    EXPECT_EQ(decoded.bitsPerPixel, f.bits);
    const QImage qt = QtDecode(f.name);
    ASSERT_EQ(decoded.width, qt.width());
    ASSERT_EQ(decoded.height, qt.height());
    const Picture picture = ToPicture24(decoded);
    if (f.bits == 16) {
      // Qt widens 5- and 6-bit fields of most headers by shifting alone (31 -> 248) where we
      // repeat the bits (31 -> 255); the fields themselves must agree.
      for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
          const QRgb q = qt.pixel(x, y);
          const Colour c = picture.Pixel(x, y);
          EXPECT_EQ(RedOf(c) >> 3, qRed(q) >> 3) << f.name << " " << x << ", " << y;
          EXPECT_EQ(GreenOf(c) >> 3, qGreen(q) >> 3) << f.name << " " << x << ", " << y;
          EXPECT_EQ(BlueOf(c) >> 3, qBlue(q) >> 3) << f.name << " " << x << ", " << y;
        }
      }
      continue;
    }
    ExpectSameAsQt(picture, qt, f.name);
  }
}

TEST(BmpReader, SameLayoutsGiveSamePixels) {
  // The 5-6-5 picture in three header sizes, and the top-down copy of the bottom-up one.
  const Picture v5 = ToPicture24(ReadBmpFile(Corpus("v5_565.bmp")));
  EXPECT_EQ(ToPicture24(ReadBmpFile(Corpus("v4_565.bmp"))), v5);
  EXPECT_EQ(ToPicture24(ReadBmpFile(Corpus("info_565.bmp"))), v5);
  EXPECT_EQ(ToPicture24(ReadBmpFile(Corpus("topdown_24.bmp"))),
            ToPicture24(ReadBmpFile(Corpus("info_24.bmp"))));
  EXPECT_EQ(ToPicture24(ReadBmpFile(Corpus("gap_8.bmp"))),
            ToPicture24(ReadBmpFile(Corpus("info_8.bmp"))));
  // 16 bits without masks are 5-5-5, each field widened so that its largest value is 255.
  Picture source = ToPicture24(ReadBmpFile(Corpus("core_24.bmp")));
  auto widen5 = [](int v) { return ((v >> 3) << 3) | (v >> 5); };
  for (int y = 0; y < source.Height(); ++y) {
    for (int x = 0; x < source.Width(); ++x) {
      const Colour c = source.Pixel(x, y);
      source.SetPixel(x, y, MakeColour(widen5(RedOf(c)), widen5(GreenOf(c)), widen5(BlueOf(c))));
    }
  }
  EXPECT_EQ(ToPicture24(ReadBmpFile(Corpus("info_16.bmp"))), source);
}

TEST(BmpReader, EmptyFileIsAnEmptyPicture) {
  const DecodedPicture decoded = ReadBmp("");
  EXPECT_EQ(decoded.width, 0);
  EXPECT_EQ(decoded.height, 0);
  EXPECT_TRUE(ToPicture24(decoded).Empty());
}

TEST(BmpReader, PictureWithoutAreaIsEmpty) {
  // Zero wide but 2^27 rows tall: no row is walked.
  const DecodedPicture decoded = ReadBmp(MakeBmp(0, 1 << 27, 24, 0, "", ""));
  EXPECT_EQ(decoded.width, 0);
  EXPECT_EQ(decoded.height, 0);
}

TEST(BmpReader, OwnWriterRoundTrips) {
  const Picture photo = test::PhotoLikePicture(37, 11);
  EXPECT_EQ(ToPicture24(ReadBmp(EncodeBmp24(photo))), photo);
}

// A 40-byte-header BMP around the given rows (bottom-up), for damaged-file tests.
std::string MakeBmp(std::int32_t width, std::int32_t height, int bpp, std::uint32_t compression,
                    const std::string& table, const std::string& rows) {
  auto put32 = [](std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto put16 = [](std::string& s, std::uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
  };
  std::string out = "BM";
  const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(table.size());
  put32(out, offset + static_cast<std::uint32_t>(rows.size()));
  put32(out, 0);
  put32(out, offset);
  put32(out, 40);
  put32(out, static_cast<std::uint32_t>(width));
  put32(out, static_cast<std::uint32_t>(height));
  put16(out, 1);
  put16(out, static_cast<std::uint32_t>(bpp));
  put32(out, compression);
  put32(out, static_cast<std::uint32_t>(rows.size()));
  put32(out, 0);
  put32(out, 0);
  put32(out, static_cast<std::uint32_t>(table.size() / 4));
  put32(out, 0);
  return out + table + rows;
}

TEST(BmpReader, RefusesDamagedFilesWithItsMessage) {
  const std::string good = CorpusBytes("info_24.bmp");
  const std::string invalid = "Bitmap image is not valid";
  std::string bad_signature = good;
  bad_signature[1] = 'X';
  EXPECT_EQ(ErrorOf([&] { ReadBmp(bad_signature); }), invalid);
  std::string two_planes = good;
  two_planes[26] = 2;
  EXPECT_EQ(ErrorOf([&] { ReadBmp(two_planes); }), invalid);
  std::string three_bits = good;
  three_bits[28] = 3;
  EXPECT_EQ(ErrorOf([&] { ReadBmp(three_bits); }), invalid);
  std::string short_header = good;
  short_header[14] = 20;
  EXPECT_EQ(ErrorOf([&] { ReadBmp(short_header); }), invalid);
  std::string png_inside = good;
  png_inside[30] = 5;
  EXPECT_EQ(ErrorOf([&] { ReadBmp(png_inside); }), invalid);
  // A colour table that would run past the end of the file, with no data offset to say
  // where the rows start instead.
  std::string huge_table = CorpusBytes("info_8.bmp");
  huge_table[46] = huge_table[47] = huge_table[48] = huge_table[49] = '\xFF';
  huge_table[10] = huge_table[11] = huge_table[12] = huge_table[13] = '\0';
  EXPECT_EQ(ErrorOf([&] { ReadBmp(huge_table); }), invalid);

  // Every cut of every corpus file either decodes or fails with the message.
  for (const char* name : {"core_1.bmp", "core_24.bmp", "info_8.bmp", "rle8.bmp", "rle4.bmp",
                           "v5_565.bmp", "v5_32.bmp", "info_565.bmp", "topdown_24.bmp"}) {
    const std::string bytes = CorpusBytes(name);
    for (std::size_t n = 1; n < bytes.size(); ++n) {
      const std::string message = ErrorOf([&] { ToPicture24(ReadBmp(bytes.substr(0, n))); });
      if (message != "(no error)") {
        EXPECT_EQ(message, invalid) << name << " cut at " << n;
      }
    }
  }
  // Uncompressed rows cut short are refused rather than shown half-empty.
  EXPECT_EQ(ErrorOf([&] { ReadBmp(good.substr(0, good.size() - 1)); }), invalid);
}

// Large 24-bit files are read from the file into the rows; whatever their layout, the
// picture and the errors are those of the bytes read whole.
TEST(BmpReader, LargeFileReadByPartsIsTheFileReadWhole) {
  test::TempDir dir;
  const std::string rows_up = EncodeBmp24(test::PhotoLikePicture(1001, 100));  // rows padded
  std::string rows_down = rows_up;
  rows_down[25] = '\xFF';  // height -100: the same rows read top-down
  rows_down[22] = static_cast<char>(-100 & 0xFF);
  rows_down[23] = rows_down[24] = '\xFF';
  const std::string even = EncodeBmp24(test::PhotoLikePicture(1000, 100));  // no padding
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"bottom-up", rows_up},
      {"top-down", rows_down},
      {"unpadded", even},
      {"one byte short", even.substr(0, even.size() - 1)},
      {"rows after a gap", MakeBmp(1000, 100, 24, 0, std::string(16, '\0'), even.substr(54))},
  };
  for (const auto& c : cases) {
    const std::filesystem::path file = dir.path() / "big.bmp";
    WriteWholeFile(c.bytes, file);
    std::string want_error = "(no error)";
    Picture want;
    try {
      want = ToPicture24(ReadBmp(c.bytes));
    } catch (const Error& e) {
      want_error = e.what();
    }
    Picture got;
    EXPECT_EQ(ErrorOf([&] { got = ToPicture24(ReadBmpFile(file)); }), want_error) << c.name;
    EXPECT_TRUE(got == want) << c.name;
  }
}

TEST(BmpReader, ShortColourTableEndsAtTheDataOffset) {
  // Files that store only the colours they use, with no count (or an impossible one) and
  // the rows right after those colours: the entries before the data offset are the table,
  // higher indices are black.
  const struct {
    bool core;
    int bpp;
    std::uint32_t count_field;  // info header only
    int stored;                 // entries before the rows
  } cases[] = {
      {true, 8, 0, 3},
      {false, 8, 0, 3},
      {false, 4, 0xFFFFFFFF, 2},
      {false, 1, 0, 1},
  };
  const std::uint8_t indices[2][4] = {{0, 1, 2, 3}, {200, 2, 1, 0}};  // top row first
  const Colour table[3] = {MakeColour(10, 20, 30), MakeColour(40, 50, 60), MakeColour(70, 80, 90)};
  auto put = [](std::string& s, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.core ? "core" : "info") + " " + std::to_string(c.bpp) + " bits");
    const std::uint32_t mask = (1u << c.bpp) - 1;
    std::string rows;
    for (int y = 1; y >= 0; --y) {  // bottom row first
      std::string row(4, '\0');
      for (int x = 0; x < 4; ++x) {
        const int shift = 8 - c.bpp * (x % (8 / c.bpp) + 1);
        row[static_cast<std::size_t>(x * c.bpp / 8)] |= static_cast<char>((indices[y][x] & mask) << shift);
      }
      rows += row;
    }
    const int header = c.core ? 12 : 40;
    const int entry = c.core ? 3 : 4;
    const std::uint32_t offset = 14 + header + c.stored * entry;
    std::string bmp = "BM";
    put(bmp, offset + static_cast<std::uint32_t>(rows.size()), 4);
    put(bmp, 0, 4);
    put(bmp, offset, 4);
    put(bmp, header, 4);
    if (c.core) {
      put(bmp, 4, 2);
      put(bmp, 2, 2);
      put(bmp, 1, 2);
      put(bmp, c.bpp, 2);
    } else {
      put(bmp, 4, 4);
      put(bmp, 2, 4);
      put(bmp, 1, 2);
      put(bmp, c.bpp, 2);
      put(bmp, 0, 4);
      put(bmp, static_cast<std::uint32_t>(rows.size()), 4);
      put(bmp, 0, 4);
      put(bmp, 0, 4);
      put(bmp, c.count_field, 4);
      put(bmp, 0, 4);
    }
    for (int i = 0; i < c.stored; ++i) {
      put(bmp, (BlueOf(table[i]) | GreenOf(table[i]) << 8 | RedOf(table[i]) << 16), entry);
    }
    const Picture p = ToPicture24(ReadBmp(bmp + rows));
    ASSERT_EQ(p.Width(), 4);
    ASSERT_EQ(p.Height(), 2);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 4; ++x) {
        const std::uint32_t index = indices[y][x] & mask;
        EXPECT_EQ(p.Pixel(x, y), index < static_cast<std::uint32_t>(c.stored) ? table[index] : 0u)
            << x << ", " << y;
      }
    }
  }
}

TEST(BmpReader, RefusesOversizedHeadersBeforeAllocating) {
  // 100000 x 100000 at 24 bits would need 30 GB; the file itself is a few bytes.
  const std::string header = MakeBmp(100000, 100000, 24, 0, "", "");
  EXPECT_EQ(ErrorOf([&] { ReadBmp(header); }).rfind("Picture too large", 0), 0u);
  const std::string rle = MakeBmp(100000, -100000, 8, 1, std::string(1024, '\0'), "\x00\x01");
  EXPECT_EQ(ErrorOf([&] { ReadBmp(rle); }).rfind("Picture too large", 0), 0u);
  EXPECT_EQ(ErrorOf([&] { ReadBmp(MakeBmp(-5, 5, 24, 0, "", std::string(100, '\0'))); }),
            "Bitmap image is not valid");
}

TEST(BmpReader, RunLengthDataNeverWritesOutsideThePicture) {
  // 4 x 3 with 8-bit runs: a run longer than the row, a literal run past the row's end, a
  // move far past the picture, rows beyond the last one, and no end mark.
  std::string table;
  for (int i = 0; i < 256; ++i) table += std::string{static_cast<char>(i), static_cast<char>(i), static_cast<char>(i), 0};
  const std::string rle("\xFF\x07"                  // 255 pixels of 7 on a 4-pixel row
                        "\x00\x00"                  // end of line
                        "\x02\x05\x00\x06\x01\x02\x03\x04\x05\x06"  // run, then 6 literals
                        "\x00\x02\xFF\xFF"          // move far up and right
                        "\x05\x09\x00\x00\x05\x09\x00\x00\x05\x09",
                        28);
  const DecodedPicture d = ReadBmp(MakeBmp(4, 3, 8, 1, table, rle));
  ASSERT_EQ(d.indices.size(), 12u);
  // Bottom row (stored first) is all 7; the middle row is 5 5 1 2; the top row stays 0.
  const std::vector<std::uint8_t> want = {0, 0, 0, 0, 5, 5, 1, 2, 7, 7, 7, 7};
  EXPECT_EQ(d.indices, want);
}

// ---------------------------------------------------------------------------------------
// GIF

TEST(GifReader, DecodesLikeQt) {
  for (const char* name : {"plain.gif", "interlaced.gif", "local.gif", "multi.gif"}) {
    SCOPED_TRACE(name);
    const DecodedPicture decoded = ReadGif(CorpusBytes(name));
    EXPECT_EQ(decoded.bitsPerPixel, 8);
    const QImage qt = QtDecode(name);  // the first frame
    ASSERT_EQ(decoded.width, qt.width());
    ASSERT_EQ(decoded.height, qt.height());
    ExpectSameAsQt(ToPicture24(decoded), qt, name);
  }
  // The interlaced and the local-table files hold the same picture as the plain one.
  const Picture plain = ToPicture24(ReadGif(CorpusBytes("plain.gif")));
  EXPECT_EQ(ToPicture24(ReadGif(CorpusBytes("interlaced.gif"))), plain);
  EXPECT_EQ(ToPicture24(ReadGif(CorpusBytes("local.gif"))), plain);
}

TEST(GifReader, SmallFrameLandsAtItsPositionOnTheScreen) {
  const std::string bytes = CorpusBytes("small.gif");
  const DecodedPicture decoded = ReadGif(bytes);
  ASSERT_EQ(decoded.width, 13);
  ASSERT_EQ(decoded.height, 7);
  const Picture picture = ToPicture24(decoded);
  // The frame is the 5 x 3 top-left corner of the 16-colour picture, at (6, 3).
  const Picture corner = ToPicture24(ReadBmpFile(Corpus("core_24.bmp")));
  const int background = static_cast<std::uint8_t>(bytes[11]);
  const std::size_t at = 13 + 3 * static_cast<std::size_t>(background);
  const Colour outside = MakeColour(static_cast<std::uint8_t>(bytes[at]),
                                    static_cast<std::uint8_t>(bytes[at + 1]),
                                    static_cast<std::uint8_t>(bytes[at + 2]));
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 13; ++x) {
      const bool inside = x >= 6 && x < 11 && y >= 3 && y < 6;
      EXPECT_EQ(picture.Pixel(x, y), inside ? corner.Pixel(x - 6, y - 3) : outside)
          << x << ", " << y;
    }
  }
}

TEST(GifReader, FramePartsOutsideTheScreenAreClipped) {
  // Screen 4 x 2; a 3 x 3 frame at (2, 1) without compression worth the name: nine literal
  // 2-bit codes with clears in between keep the code size at 3 bits.
  std::string gif("GIF89a\x04\x00\x02\x00\x81\x00\x00"
                  "\x00\x00\x00\xFF\xFF\xFF\x11\x22\x33\x44\x55\x66"
                  "\x2C\x02\x00\x01\x00\x03\x00\x03\x00\x00\x02",
                  36);
  // Codes (3 bits each, LSB first): clear(4), 1, clear, 2, clear, 3, clear, 1, clear, 2, ...
  std::vector<int> codes;
  const int pixels[9] = {1, 2, 3, 1, 2, 3, 1, 2, 3};
  for (int p : pixels) {
    codes.push_back(4);
    codes.push_back(p);
  }
  codes.push_back(5);
  std::string data;
  std::uint32_t acc = 0;
  int bits = 0;
  for (int c : codes) {
    acc |= static_cast<std::uint32_t>(c) << bits;
    bits += 3;
    while (bits >= 8) {
      data.push_back(static_cast<char>(acc & 0xFF));
      acc >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) data.push_back(static_cast<char>(acc & 0xFF));
  gif.push_back(static_cast<char>(data.size()));
  gif += data;
  gif += std::string("\x00\x3B", 2);
  const DecodedPicture d = ReadGif(gif);
  ASSERT_EQ(d.width, 4);
  ASSERT_EQ(d.height, 2);
  // Row 0 outside the frame: background index 0; row 1: two outside, then pixels 1, 2.
  const std::vector<std::uint8_t> want = {0, 0, 0, 0, 0, 0, 1, 2};
  EXPECT_EQ(d.indices, want);
}

TEST(GifReader, MinimumCodeSizesUpTo11) {
  // A 3 x 1 frame with a two-colour table and 10-bit codes (minimum code size 9): clear (512),
  // 1, 0, then code 514 for the string "1 0" made by the first two, and the end code.
  auto gif = [](int literal) {
    std::string g("GIF89a\x03\x00\x01\x00\x80\x00\x00"
                  "\x00\x00\x00\xFF\xFF\xFF"
                  "\x2C\x00\x00\x00\x00\x03\x00\x01\x00\x00\x09",
                  30);
    std::string data;
    std::uint32_t acc = 0;
    int bits = 0;
    for (int c : {512, 1, literal, 514, 513}) {
      acc |= static_cast<std::uint32_t>(c) << bits;
      for (bits += 10; bits >= 8; bits -= 8, acc >>= 8) data.push_back(static_cast<char>(acc & 0xFF));
    }
    if (bits > 0) data.push_back(static_cast<char>(acc & 0xFF));
    g.push_back(static_cast<char>(data.size()));
    return g + data + std::string("\x00\x3B", 2);
  };
  const DecodedPicture d = ReadGif(gif(0));
  ASSERT_EQ(d.width, 3);
  EXPECT_EQ(d.indices, (std::vector<std::uint8_t>{1, 0, 1}));
  // A literal past 255 names no colour of any table.
  EXPECT_EQ(ErrorOf([&] { ReadGif(gif(300)); }), "Invalid GIF data");
}

TEST(GifReader, FindsTheSignatureFourBytesOn) {
  const std::string plain = CorpusBytes("plain.gif");
  EXPECT_EQ(ToPicture24(ReadGif("\x01\x02\x03\x04" + plain)), ToPicture24(ReadGif(plain)));
  std::string lower = plain;
  lower[0] = 'g';
  lower[2] = 'f';
  EXPECT_EQ(ToPicture24(ReadGif(lower)), ToPicture24(ReadGif(plain)));
  EXPECT_EQ(ErrorOf([&] { ReadGif("\x01\x02\x03\x04\x05" + plain); }), "Invalid GIF signature");
  EXPECT_EQ(ErrorOf([&] { ReadGif(""); }), "Invalid GIF signature");
  EXPECT_EQ(ErrorOf([&] { ReadGif(CorpusBytes("info_24.bmp")); }), "Invalid GIF signature");
}

TEST(GifReader, DamagedFilesGiveAMessage) {
  for (const char* name : {"plain.gif", "interlaced.gif", "multi.gif", "small.gif", "local.gif"}) {
    const std::string bytes = CorpusBytes(name);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
      const std::string message = ErrorOf([&] { ToPicture24(ReadGif(bytes.substr(0, n))); });
      if (message == "(no error)") continue;  // a cut after the first frame's data
      EXPECT_TRUE(message == "Premature end of data" || message == "Invalid GIF signature")
          << name << " cut at " << n << ": " << message;
    }
  }
  // A code the table cannot hold yet: clear, then code 7 with only 6 entries made.
  const std::string bad_code("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xFF\xFF\xFF"
                             "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x3C\x00\x00\x3B",
                             35);
  EXPECT_EQ(ErrorOf([&] { ReadGif(bad_code); }), "Invalid GIF data");
  std::string huge = CorpusBytes("plain.gif");
  huge[6] = huge[7] = huge[8] = huge[9] = '\xFF';
  EXPECT_EQ(ErrorOf([&] { ReadGif(huge); }).rfind("Picture too large", 0), 0u);
}

// ---------------------------------------------------------------------------------------
// JPEG

TEST(JpegReader, MatchesDjpegWithTheFloatingPointTransform) {
  for (const auto& [jpeg, reference] : {std::pair{"colour.jpg", "colour.ppm"},
                                        std::pair{"progressive.jpg", "progressive.ppm"}}) {
    SCOPED_TRACE(jpeg);
    const DecodedPicture decoded = ReadJpeg(CorpusBytes(jpeg));
    EXPECT_EQ(decoded.bitsPerPixel, 24);
    EXPECT_EQ(ToPicture24(decoded), ReadPnm(reference));
  }
}

TEST(JpegReader, GreyscaleIsQuantizedTo236Levels) {
  const DecodedPicture decoded = ReadJpeg(CorpusBytes("grey.jpg"));
  EXPECT_EQ(decoded.bitsPerPixel, 8);
  EXPECT_LE(decoded.palette.size(), 236u);
  EXPECT_GT(decoded.palette.size(), 200u);
  for (Colour c : decoded.palette) {
    EXPECT_TRUE(RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c));
  }
  EXPECT_EQ(ToPicture24(decoded), ReadPnm("grey.pgm"));
}

TEST(JpegReader, CmykIsConvertedToRgb) {
  const Picture got = ToPicture24(ReadJpeg(CorpusBytes("cmyk.jpg")));
  const Picture want = ReadPnm("cmyk.ppm");
  ASSERT_EQ(got.Width(), want.Width());
  ASSERT_EQ(got.Height(), want.Height());
  for (int y = 0; y < got.Height(); ++y) {
    for (int x = 0; x < got.Width(); ++x) {
      const Colour a = got.Pixel(x, y), b = want.Pixel(x, y);
      EXPECT_NEAR(RedOf(a), RedOf(b), 2) << x << ", " << y;
      EXPECT_NEAR(GreenOf(a), GreenOf(b), 2) << x << ", " << y;
      EXPECT_NEAR(BlueOf(a), BlueOf(b), 2) << x << ", " << y;
    }
  }
}

TEST(JpegReader, DamagedFilesGiveTheLibrarysErrorNumber) {
  auto is_jpeg_error = [](const std::string& m) { return m.rfind("JPEG error #", 0) == 0; };
  EXPECT_TRUE(is_jpeg_error(ErrorOf([] { ReadJpeg(""); })));
  EXPECT_TRUE(is_jpeg_error(ErrorOf([] { ReadJpeg("not a picture at all"); })));
  for (const char* name : {"colour.jpg", "progressive.jpg", "grey.jpg"}) {
    const std::string bytes = CorpusBytes(name);
    for (std::size_t n = 0; n < bytes.size(); n += 7) {
      const std::string message = ErrorOf([&] { ToPicture24(ReadJpeg(bytes.substr(0, n))); });
      // Data cut inside the scans decodes with grey rest, as libjpeg does.
      if (message != "(no error)") {
        EXPECT_TRUE(is_jpeg_error(message)) << name << " " << n << message;
      }
    }
  }
}

TEST(JpegReader, RefusesHugeDimensionsBeforeDecoding) {
  std::string bytes = CorpusBytes("colour.jpg");
  // The frame header (SOF0): FF C0, length, precision, then height and width.
  const std::size_t sof = bytes.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  bytes[sof + 5] = bytes[sof + 6] = bytes[sof + 7] = bytes[sof + 8] = '\xFD';  // 65021 x 65021
  EXPECT_EQ(ErrorOf([&] { ReadJpeg(bytes); }).rfind("Picture too large", 0), 0u);
}

// ---------------------------------------------------------------------------------------
// Choosing the decoder

TEST(LoadPicture, ChoosesTheDecoderByTheNamesExtension) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "folder.gif");
  const auto copy = [&](const std::string& from, const std::filesystem::path& to) {
    std::ofstream(to, std::ios::binary) << CorpusBytes(from);
  };
  copy("colour.jpg", dir / "folder.gif" / "a.JPEG");
  copy("colour.jpg", dir / "b.Jpg");
  copy("plain.gif", dir / "c.GIF");
  copy("info_8.bmp", dir / "d.bmp");
  copy("info_8.bmp", dir / "e.png");
  copy("info_8.bmp", dir / "noext");
  EXPECT_EQ(LoadPicture(dir / "folder.gif" / "a.JPEG").bitsPerPixel, 24);
  EXPECT_EQ(LoadPicture(dir / "b.Jpg").width, 21);
  EXPECT_EQ(LoadPicture(dir / "c.GIF").bitsPerPixel, 8);
  EXPECT_EQ(LoadPicture(dir / "d.bmp").bitsPerPixel, 8);
  EXPECT_EQ(ErrorOf([&] { LoadPicture(dir / "e.png"); }), "Unknown picture file extension (.png)");
  EXPECT_EQ(ErrorOf([&] { LoadPicture(dir / "x.Tiff"); }), "Unknown picture file extension (.Tiff)");
  EXPECT_EQ(ErrorOf([&] { LoadPicture(dir / "folder.gif" / "noext"); }),
            "Picture file name has no extension (" + (dir / "folder.gif" / "noext").string() + ")");
  EXPECT_EQ(ErrorOf([&] { LoadPicture(dir / "missing.gif"); }),
            "Cannot open file " + (dir / "missing.gif").string());
  // The bytes are never inspected: a BMP named .gif fails as a GIF.
  copy("info_8.bmp", dir / "f.gif");
  // A decoder's message names the file.
  EXPECT_EQ(ErrorOf([&] { LoadPicture(dir / "f.gif"); }),
            "Invalid GIF signature (" + (dir / "f.gif").string() + ")");
  EXPECT_EQ(ErrorOf([&] { ReadBmpFile(dir / "missing.bmp"); }),
            "Cannot open file " + (dir / "missing.bmp").string());
}

TEST(ToPicture24, IndicesBeyondThePaletteAreBlack) {
  DecodedPicture d;
  d.width = 3;
  d.height = 1;
  d.bitsPerPixel = 8;
  d.palette = {MakeColour(1, 2, 3)};
  d.indices = {0, 1, 255};
  const Picture p = ToPicture24(d);
  EXPECT_EQ(p.Pixel(0, 0), MakeColour(1, 2, 3));
  EXPECT_EQ(p.Pixel(1, 0), 0u);
  EXPECT_EQ(p.Pixel(2, 0), 0u);
}

// ---------------------------------------------------------------------------------------
// Inputs the fuzzers once found troublesome: no decoder may crash or hang on any of them.

TEST(Readers, ReplayFuzzFindings) {
  const std::filesystem::path folder = test::TestDataDir() / "codecs" / "fuzz";
  ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
  using Reader = DecodedPicture (*)(std::string_view);
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().filename().string());
    const std::string bytes = ReadWholeFile(entry.path());
    ++count;
    for (Reader read : {Reader{&ReadBmp}, Reader{&ReadGif}, Reader{&ReadJpeg}}) {
      try {
        ToPicture24((*read)(bytes));
      } catch (const Error&) {
      }
    }
  }
  EXPECT_GT(count, 0);
}

}  // namespace
}  // namespace corvanti
