// The templates and pictures the program ships, and the template and background it carries
// built in: every one must load and render with the program's own loader and renderer.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "codecs/picture_loader.h"
#include "render/regenerate.h"
#include "resources/builtin.h"
#include "support/test_support.h"
#include "templates/template_file.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;

fs::path ShippedData() { return test::SourceDir() / "data"; }

std::vector<fs::path> ShippedTemplates() {
  std::vector<fs::path> out;
  for (const auto& entry : fs::recursive_directory_iterator(ShippedData() / "media")) {
    if (entry.path().extension() == ".btt") out.push_back(entry.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// An app folder as the loader expects it: background/ with the shipped pictures and an
// empty temp/.
void LayAppFolder(const fs::path& app) {
  fs::create_directories(app / "temp");
  fs::copy(ShippedData() / "background", app / "background", fs::copy_options::recursive);
}

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

int Brightness(Colour c) { return RedOf(c) + GreenOf(c) + BlueOf(c); }

TEST(BuiltInTemplate, MeetsItsStatedForm) {
  const Picture master = BuiltInMasterTemplate();
  const Picture alpha = BuiltInAlphaTemplate();
  ASSERT_EQ(master.Width(), 203);
  ASSERT_EQ(master.Height(), 19);
  ASSERT_EQ(alpha.Width(), 203);
  ASSERT_EQ(alpha.Height(), 19);
  EXPECT_EQ(master.Pixel(0, 0), MakeColour(255, 0, 128));

  // The alpha file is an 8-bit BMP with a full 256-entry colour table.
  const std::string bmp = BuiltInAlphaBmp();
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 8);
  EXPECT_EQ(Le32(bmp, 46), 256u);
  EXPECT_EQ(Le32(bmp, 10), 14u + 40u + 256u * 4u);
  const DecodedPicture decoded = ReadBmp(bmp);
  EXPECT_EQ(decoded.bitsPerPixel, 8);
  EXPECT_EQ(ReadBmp(BuiltInMasterBmp()).bitsPerPixel, 24);

  // The face is the region marked with the alpha's centre colour; the key pixel lies
  // outside it, and the face around the centre is dark.
  const Colour mark = alpha.Pixel(101, 9);
  int face = 0;
  for (int y = 0; y < 19; ++y)
    for (int x = 0; x < 203; ++x) face += alpha.Pixel(x, y) == mark;
  EXPECT_GT(face, 203 * 19 / 2);
  EXPECT_NE(alpha.Pixel(0, 0), mark);
  EXPECT_LT(Brightness(master.Pixel(101, 9)), 3 * 128);
  // Its face colour is the one the "Default" panel shows before any template is loaded.
  EXPECT_EQ(master.Pixel(101, 9), Design().frontcolordefault);
}

TEST(BuiltInTemplate, DefaultBackgroundIsAJpegOfAbout200By197) {
  const DecodedPicture background = ReadJpeg(DefaultBackgroundJpeg());
  EXPECT_EQ(background.width, 200);
  EXPECT_EQ(background.height, 197);
}

TEST(BuiltInTemplate, StartupDesignRendersTheBuiltInTemplate) {
  test::EnsureGuiApplication();
  test::TempDir app;
  fs::create_directories(app.path() / "temp");
  Design design = StartupDesign(app.path());
  EXPECT_EQ(design.exeFolder, app.path());
  EXPECT_TRUE(design.filepath.empty());
  EXPECT_TRUE(design.filename.empty());
  EXPECT_EQ(design.ImageSource, design.Imagebackup);
  EXPECT_EQ(design.ImageShadow, design.ImageShadowBackup);
  EXPECT_EQ(design.Image7.Width(), 200);
  EXPECT_EQ(design.Image7.Height(), 197);

  design.SelectedLine = kNoLineSelected;  // the selection frame would cover the key pixel
  Regenerate(design);
  const int lines = static_cast<int>(CaptionLines(design.edit1).size());
  EXPECT_EQ(design.Image2.Width(), 203);
  EXPECT_EQ(design.Image2.Height(), lines * 19 + 1);
  EXPECT_EQ(design.Image8.Height(), lines * 19 + 1);
  EXPECT_EQ(design.Image2.Pixel(0, lines * 19), MakeColour(255, 0, 128));
}

TEST(ShippedTemplates, EveryCategoryIsStocked) {
  std::map<std::string, std::set<std::string>> by_category;
  for (const fs::path& file : ShippedTemplates()) {
    by_category[file.parent_path().filename().string()].insert(file.filename().string());
  }
  EXPECT_TRUE(by_category["button"].count("zuri-color.btt"));
  EXPECT_GE(by_category["button"].size(), 6u);
  EXPECT_GE(by_category["toolbutton"].size(), 3u);
  EXPECT_GE(by_category["round"].size(), 3u);
  EXPECT_GE(by_category["others"].size(), 2u);
}

TEST(ShippedTemplates, EachLoadsAndRendersLikeAButton) {
  test::EnsureGuiApplication();
  const std::vector<fs::path> files = ShippedTemplates();
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    test::TempDir app;
    LayAppFolder(app.path());
    Design design = StartupDesign(app.path());
    ASSERT_NO_THROW(LoadTemplate(design, file, [](Design& d) { Regenerate(d); }));
    EXPECT_EQ(design.Regenerating, 0);
    EXPECT_TRUE(design.tbg);

    // Pictures come embedded, at the size the settings ask for, so nothing is refitted.
    const int W = design.ImageSource.Width(), H = design.ImageSource.Height();
    ASSERT_GT(W, 10);
    ASSERT_GT(H, 10);
    EXPECT_EQ(W, design.buttonwidth.Value());
    EXPECT_EQ(H, design.buttonheight.Value());
    EXPECT_EQ(design.ImageShadow.Width(), W);
    EXPECT_EQ(design.ImageShadow.Height(), H);

    const int N = static_cast<int>(CaptionLines(design.edit1).size());
    ASSERT_GE(N, 1);
    EXPECT_EQ(design.Image2.Width(), W);
    EXPECT_EQ(design.Image2.Height(), N * H + 1);
    EXPECT_EQ(design.Image8.Height(), N * H + 1);
    EXPECT_EQ(design.Image5.Width(), N * W);

    // The key colour sits outside the face, so the button's surround turns transparent and
    // its face does not.
    const Colour face_mark = design.ImageShadow.Pixel(W / 2, H / 2);
    EXPECT_NE(design.ImageShadow.Pixel(0, 0), face_mark);
    const Colour key = design.Image2.Pixel(0, N * H);
    EXPECT_EQ(key, design.ImageSource.Pixel(0, 0));
    int face = 0, key_in_face = 0;
    long long normal = 0, over = 0;
    for (int y = 0; y < H; ++y) {
      for (int x = 0; x < W; ++x) {
        if (design.ImageShadow.Pixel(x, y) != face_mark) continue;
        ++face;
        for (int i = 0; i < N; ++i) {
          key_in_face += design.Image2.Pixel(x, i * H + y) == key;
          normal += Brightness(design.Image2.Pixel(x, i * H + y));
          over += Brightness(design.Image8.Pixel(x, i * H + y));
        }
      }
    }
    EXPECT_GT(face, W * H / 3);
    EXPECT_EQ(key_in_face, 0);
    // The mouse-over state lights the face up.
    EXPECT_GT(over, normal + static_cast<long long>(face) * N * 60);

    // A caption is drawn into the text mask.
    bool captioned = false;
    for (int y = 0; y < design.Image3.Height() && !captioned; ++y)
      for (int x = 0; x < design.Image3.Width() && !captioned; ++x)
        captioned = design.Image3.Pixel(x, y) != 0;
    EXPECT_TRUE(captioned);
    if (design.bgpicture) {
      EXPECT_GE(design.Image7.Width(), W);
      EXPECT_GE(design.Image7.Height(), N * H);
    }

    // Users resize templates: larger buttons keep a face, caps and all.
    design.buttonwidth.SetValue(W * 3 / 2);
    design.buttonheight.SetValue(H * 5 / 4);
    Regenerate(design);
    const int W2 = design.ImageSource.Width(), H2 = design.ImageSource.Height();
    EXPECT_EQ(W2, W * 3 / 2);
    EXPECT_EQ(H2, H * 5 / 4);
    EXPECT_EQ(design.Image2.Height(), N * H2 + 1);
    EXPECT_EQ(design.ImageShadow.Pixel(W2 / 2, H2 / 2), face_mark);
    EXPECT_NE(design.ImageShadow.Pixel(0, 0), face_mark);
  }
}

TEST(ShippedTemplates, CentreDoesNotStandOutOnMouseOver) {
  // The renderer leaves face pixels that hold the master's centre colour exactly (the centre
  // among them) unbrightened on mouse-over. So a face filled with a colour must be even
  // around its centre in both states, and a face filled from a picture must light up at its
  // centre: at the template's own size and fitted to another.
  test::EnsureGuiApplication();
  for (const fs::path& file : ShippedTemplates()) {
    SCOPED_TRACE(file.string());
    test::TempDir app;
    LayAppFolder(app.path());
    Design design = StartupDesign(app.path());
    ASSERT_NO_THROW(LoadTemplate(design, file, [](Design& d) { Regenerate(d); }));
    // The same buttons without captions, which would hide the centre.
    const int N = static_cast<int>(CaptionLines(design.edit1).size());
    design.edit1.clear();
    for (int i = 0; i < N; ++i) design.edit1 += "\r\n";
    design.SelectedLine = kNoLineSelected;
    const int W0 = design.buttonwidth.Value(), H0 = design.buttonheight.Value();
    for (const auto& [w, h] : {std::pair{W0, H0}, std::pair{W0 * 3 / 2, H0 * 5 / 4}}) {
      design.buttonwidth.SetValue(w);
      design.buttonheight.SetValue(h);
      Regenerate(design);
      const int W = design.ImageSource.Width(), H = design.ImageSource.Height();
      ASSERT_EQ(W, w);
      const Colour face_mark = design.ImageShadow.Pixel(W / 2, H / 2);
      for (int i = 0; i < N; ++i) {
        const int cx = W / 2, cy = i * H + H / 2;
        const Colour normal = design.Image2.Pixel(cx, cy), over = design.Image8.Pixel(cx, cy);
        if (design.bgpicture) {
          EXPECT_GT(Brightness(over), Brightness(normal)) << w << " x " << h << ", line " << i;
          continue;
        }
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            if (design.ImageShadow.Pixel(cx + dx, H / 2 + dy) != face_mark) continue;
            EXPECT_EQ(design.Image8.Pixel(cx + dx, cy + dy), over)
                << w << " x " << h << ", line " << i << ", neighbour " << dx << ", " << dy;
            // Below the centre the normal face may step down: the mouse-over evens it out.
            if (dy <= 0) {
              EXPECT_EQ(design.Image2.Pixel(cx + dx, cy + dy), normal)
                  << w << " x " << h << ", line " << i << ", neighbour " << dx << ", " << dy;
            }
          }
        }
      }
    }
  }
}

TEST(ShippedBackgrounds, AllThreeFormatsLargePicturesAndTiles) {
  std::set<std::string> formats;
  int large = 0, tiles = 0, count = 0;
  for (const auto& entry : fs::directory_iterator(ShippedData() / "background")) {
    std::string ext = entry.path().extension().string();
    if (ext != ".jpg" && ext != ".gif" && ext != ".bmp") continue;
    SCOPED_TRACE(entry.path().string());
    ++count;
    formats.insert(ext);
    const Picture p = ToPicture24(LoadPicture(entry.path()));
    ASSERT_FALSE(p.Empty());
    if (p.Width() >= 400 && p.Height() >= 400) ++large;
    if (p.Width() < 400 && p.Height() < 400) ++tiles;
  }
  EXPECT_GE(count, 6);
  EXPECT_EQ(formats, (std::set<std::string>{".bmp", ".gif", ".jpg"}));
  EXPECT_GE(large, 2);
  EXPECT_GE(tiles, 2);
}

}  // namespace
}  // namespace corvanti
