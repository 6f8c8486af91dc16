#include "templates/background.h"

#include <gtest/gtest.h>

#include "codecs/bmp_writer.h"
#include "codecs/error.h"
#include "codecs/file_io.h"
#include "support/test_support.h"
#include "templates/tagged_text.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;
using test::PhotoLikePicture;
using test::SolidPicture;

// The wall must hold whole copies laid from the top-left corner.
void ExpectTiled(const Picture& wall, const Picture& tile) {
  ASSERT_EQ(wall.Width(), 1500);
  ASSERT_EQ(wall.Height(), 400);
  for (int y = 0; y < 400; y += 7) {
    for (int x = 0; x < 1500; x += 13) {
      ASSERT_EQ(wall.Pixel(x, y), tile.Pixel(x % tile.Width(), y % tile.Height())) << x << "," << y;
    }
  }
  EXPECT_EQ(wall.Pixel(1499, 399), tile.Pixel(1499 % tile.Width(), 399 % tile.Height()));
}

TEST(TileBackground, RepeatsWholeCopiesAndCutsAtTheEdges) {
  for (auto [w, h] : {std::pair{399, 400}, {400, 399}, {2000, 100}, {300, 600}, {1, 1}, {7, 3},
                      {1500, 400}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const Picture tile = PhotoLikePicture(w, h, static_cast<unsigned>(w + h));
    ExpectTiled(TileBackground(tile), tile);
  }
  EXPECT_THROW(TileBackground(Picture()), Error);
}

class LoadBackgroundTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  Design design;
  int calls = 0;
  RegenerateFn regenerate = [this](Design&) { ++calls; };

  fs::path WriteBmp(const Picture& p, const std::string& name) {
    WriteBmpFile(p, dir / name);
    return dir / name;
  }
};

TEST_F(LoadBackgroundTest, LargePicturesStayAtTheirOwnSize) {
  const Picture square = PhotoLikePicture(400, 400, 1);
  LoadBackgroundPicture(design, WriteBmp(square, "a.bmp"), regenerate);
  EXPECT_EQ(design.Image7, square);
  const Picture wide = PhotoLikePicture(1700, 420, 2);
  LoadBackgroundPicture(design, WriteBmp(wide, "b.BMP"), regenerate);
  EXPECT_EQ(design.Image7, wide);
  EXPECT_EQ(calls, 2);
}

TEST_F(LoadBackgroundTest, SmallPicturesAreTiled) {
  const Picture tall = PhotoLikePicture(300, 600, 3);
  LoadBackgroundPicture(design, WriteBmp(tall, "t.bmp"), regenerate);
  ExpectTiled(design.Image7, tall);
  EXPECT_EQ(calls, 1);
}

TEST_F(LoadBackgroundTest, FailuresKeepThePreviousPictureAndDoNotRegenerate) {
  const Picture before = SolidPicture(5, 5, 0x123456);
  design.Image7 = before;
  WriteWholeFile("", dir / "empty.bmp");
  WriteWholeFile("not a picture", dir / "bad.bmp");
  WriteWholeFile("not a picture", dir / "bad.gif");
  for (const char* name : {"empty.bmp", "bad.bmp", "bad.gif", "missing.jpg", "x.png"}) {
    EXPECT_THROW(LoadBackgroundPicture(design, dir / name, regenerate), Error) << name;
  }
  EXPECT_EQ(design.Image7, before);
  EXPECT_EQ(calls, 0);
  try {
    LoadBackgroundPicture(design, dir / "bad.bmp", regenerate);
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Bitmap image is not valid (" + (dir / "bad.bmp").string() + ")");
  }
}

}  // namespace
}  // namespace corvanti
