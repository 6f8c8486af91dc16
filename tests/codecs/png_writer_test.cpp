#include "codecs/png_writer.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "codecs/error.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

using test::TempDir;

constexpr int kPalette = 3;    // PNG colour types, as IHDR stores them
constexpr int kRgb = 2;
constexpr int kRgba = 6;

// Picture with colour number i = y * width + x, all of them distinct up to 65536.
Picture Numbered(int width, int height) {
  Picture p(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int i = y * width + x;
      p.SetPixel(x, y, MakeColour(i & 0xFF, (i >> 8) & 0xFF, 0x5A));
    }
  }
  return p;
}

// Three colours in bands, with the first also at the corners.
Picture ThreeColours() {
  Picture p = test::SolidPicture(9, 5, MakeColour(10, 200, 30));
  for (int x = 0; x < 9; ++x) p.SetPixel(x, 2, MakeColour(250, 250, 250));
  for (int y = 0; y < 5; ++y) p.SetPixel(4, y, MakeColour(0, 0, 255));
  return p;
}

Picture PhotoWithKeyBlock(Colour key) {
  Picture p = test::PhotoLikePicture(64, 48);
  for (int y = 10; y < 20; ++y) {
    for (int x = 5; x < 30; ++x) p.SetPixel(x, y, key);
  }
  return p;
}

struct Chunk {
  std::string type;
  std::string data;
};

// The chunks after the signature, in order (CRCs are libpng's business and Qt checks them).
std::vector<Chunk> Chunks(const std::string& png) {
  std::vector<Chunk> chunks;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(png[i])); };
    const std::size_t length = byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
    chunks.push_back({png.substr(at + 4, 4), png.substr(at + 8, length)});
    at += 12 + length;
  }
  return chunks;
}

QImage Decode(const std::string& png) {
  QByteArray bytes(png.data(), static_cast<qsizetype>(png.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  QImage image = reader.read();
  EXPECT_FALSE(image.isNull()) << reader.errorString().toStdString();
  return image.convertToFormat(QImage::Format_ARGB32);
}

// Every pixel as written: its own colour, and alpha 0 exactly where it is the transparent colour.
void ExpectSamePixels(const Picture& picture, std::optional<Colour> transparent, const QImage& image) {
  ASSERT_EQ(image.width(), picture.Width());
  ASSERT_EQ(image.height(), picture.Height());
  int wrong = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const Colour c = picture.Pixel(x, y);
      const QRgb want = qRgba(RedOf(c), GreenOf(c), BlueOf(c), transparent == c ? 0 : 255);
      const QRgb got = image.pixel(x, y);
      if (got != want && wrong++ < 5) {
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " for " << want;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

struct Case {
  const char* name;
  Picture picture;
  std::optional<Colour> transparent;
  int colour_type;
  int bit_depth;
  bool trns;
};

TEST(PngWriter, DecodesToTheSamePixelsInTheSmallestFittingColourType) {
  const Colour green = MakeColour(10, 200, 30);
  const Colour key = MakeColour(255, 0, 255);
  const Case cases[] = {
      {"palette", Numbered(20, 10), std::nullopt, kPalette, 8, false},
      {"palette, transparent", ThreeColours(), green, kPalette, 2, true},
      {"palette, transparent colour absent", ThreeColours(), key, kPalette, 2, false},
      {"256 colours", Numbered(16, 16), std::nullopt, kPalette, 8, false},
      {"257 colours", Numbered(257, 1), std::nullopt, kRgb, 8, false},
      {"16 colours", Numbered(4, 4), Colour{MakeColour(5, 0, 0x5A)}, kPalette, 4, true},
      {"truecolour", test::PhotoLikePicture(64, 48), std::nullopt, kRgb, 8, false},
      {"truecolour, transparent", PhotoWithKeyBlock(key), key, kRgba, 8, false},
      {"truecolour, transparent colour absent", test::PhotoLikePicture(64, 48), key, kRgb, 8, false},
      {"1 x 1", test::SolidPicture(1, 1, green), std::nullopt, kPalette, 1, false},
      {"1 x 1, transparent", test::SolidPicture(1, 1, green), green, kPalette, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string png = EncodePng(c.picture, c.transparent);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(0, 16), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16));
    EXPECT_EQ(png[24], c.bit_depth);
    EXPECT_EQ(png[25], c.colour_type);
    bool has_trns = false;
    for (const Chunk& chunk : Chunks(png)) {
      // The transparent entry comes first, so tRNS holds just its alpha.
      if (chunk.type == "tRNS") {
        has_trns = true;
        EXPECT_EQ(chunk.data, std::string(1, '\0'));
      }
    }
    EXPECT_EQ(has_trns, c.trns);
    ExpectSamePixels(c.picture, c.transparent, Decode(png));
  }
}

TEST(PngWriter, WritesTheFileWhole) {
  TempDir dir;
  const Picture p = ThreeColours();
  WritePngFile(p, dir / "b.png", MakeColour(0, 0, 255));
  const QImage image(QString::fromStdString((dir / "b.png").string()));
  ExpectSamePixels(p, MakeColour(0, 0, 255), image.convertToFormat(QImage::Format_ARGB32));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(PngWriter, PictureWithoutPixelsIsRefused) {
  TempDir dir;
  try {
    WritePngFile(Picture(0, 7), dir / "empty.png", std::nullopt);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Cannot write a PNG of a picture without pixels (0 x 7)");
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(PngWriter, LibpngFailureIsAnError) {
  PngCompression bad;
  bad.palette_level = 10;  // zlib refuses it when the first row is deflated
  try {
    EncodePng(ThreeColours(), std::nullopt, bad);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("PNG writer error: ", 0), 0u) << e.what();
  }
}

TEST(PngWriter, UnwritableTargetLeavesNoFile) {
  TempDir dir;
  std::filesystem::create_directory(dir / "folder.png");
  const std::filesystem::path targets[] = {dir / "missing" / "b.png", dir / "folder.png"};
  for (const auto& target : targets) {
    SCOPED_TRACE(target.string());
    try {
      WritePngFile(ThreeColours(), target, std::nullopt);
      FAIL() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot create file " + target.string());
    }
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
      left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"folder.png"});
  }
}

}  // namespace
}  // namespace corvanti
