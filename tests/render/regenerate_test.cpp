#include "render/regenerate.h"

#include <gtest/gtest.h>

#include <string>

#include "codecs/error.h"
#include "render/compose.h"
#include "render_fixtures.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

using test::kOutside;

constexpr Colour kRed = MakeColour(255, 0, 0);
constexpr Colour kWhite = MakeColour(255, 255, 255);

std::string Lines(int n) {
  std::string text;
  for (int i = 0; i < n; ++i)
    text += (i ? "\r\n" : "") + std::string("Line ") + std::to_string(i + 1);
  return text;
}

Picture Block(const Picture& p, int x0, int y0, int w, int h) {
  Picture piece(w, h);
  piece.CopyFrom(p, x0, y0, w, h, 0, 0);
  return piece;
}

class Regeneration : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureGuiApplication();
    test::LoadTestTemplate(design);
    design.SelectedLine = kNoLineSelected;
  }
  // The rows of button i in a stack.
  Picture Button(const Picture& stack, int i) const {
    const int W = design.ImageSource.Width();
    const int H = design.ImageSource.Height();
    return Block(stack, 0, i * H, W, H);
  }
  Design design;
};

// A large design shares its drawing with a second thread; every picture and setting it
// leaves is the one a single thread leaves, for faces of colour and of a background, with
// a caption and its strong shadow, and a selected line at the top or further down.
TEST_F(Regeneration, SharedWithASecondThreadDrawsTheSame) {
  design.edit1 = Lines(40);
  design.ToolButton7 = design.StrongShadow = true;
  for (int k = 0; k < 40; ++k) design.LineColors[static_cast<std::size_t>(k)] = MakeColour(k * 6, 90, 200 - k);
  Picture background = test::PhotoLikePicture(300, 900);
  for (const bool use_background : {false, true}) {
    for (const int selected : {0, 7}) {
      design.bgpicture = use_background;
      design.Image7 = background;
      design.SelectedLine = selected;
      auto draw = [&](std::int64_t shared_from) {
        const std::int64_t before = SetSharedRegenerationPixels(shared_from);
        Design d = design;
        Regenerate(d);
        SetSharedRegenerationPixels(before);
        return d;
      };
      const Design alone = draw(INT64_MAX);
      const Design shared = draw(0);
      const char* what = use_background ? "background" : "colour";
      EXPECT_TRUE(shared.Image2 == alone.Image2) << what << selected;
      EXPECT_TRUE(shared.Image8 == alone.Image8) << what << selected;
      EXPECT_TRUE(shared.Image5 == alone.Image5) << what << selected;
      EXPECT_TRUE(shared.Image3 == alone.Image3) << what << selected;
      EXPECT_EQ(shared.frontcolor, alone.frontcolor) << what << selected;
    }
  }
}

TEST_F(Regeneration, StacksStripAndKeyRow) {
  design.edit1 = Lines(4);
  for (bool tbg : {true, false}) {
    design.tbg = tbg;
    Regenerate(design);
    ASSERT_EQ(design.Regenerating, 0);
    EXPECT_EQ(design.Image2.Width(), 203);
    EXPECT_EQ(design.Image2.Height(), 4 * 19 + 1);
    EXPECT_EQ(design.Image8.Height(), 4 * 19 + 1);
    EXPECT_EQ(design.Image3.Height(), 4 * 19 + 1);
    for (int x = 0; x < 203; ++x) {
      ASSERT_EQ(design.Image2.Pixel(x, 76), kOutside);
      ASSERT_EQ(design.Image8.Pixel(x, 76), kOutside);
    }
    ASSERT_EQ(design.Image5.Width(), 4 * 203);
    ASSERT_EQ(design.Image5.Height(), 20);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(Block(design.Image5, i * 203, 0, 203, 19), Button(design.Image2, i));
    }
    const Colour bottom = tbg ? kOutside : kWhite;
    for (int x = 0; x < 4 * 203; ++x) ASSERT_EQ(design.Image5.Pixel(x, 19), bottom);
  }
  EXPECT_FALSE(design.Memo1.empty());
}

TEST_F(Regeneration, TemplateColourKeepsTheMasterInTheNormalState) {
  design.edit1 = "\r\n\r\n";  // two buttons without caption
  const Colour green = MakeColour(0, 200, 0);
  design.LineColors[1] = green;
  Regenerate(design);
  EXPECT_EQ(Button(design.Image2, 0), design.Imagebackup);
  // The mouse-over state is composed (and brightened) all the same.
  Picture over = design.Imagebackup;
  ComposeColor(over, design.ImageShadowBackup, design.Imagebackup, 50, design.frontcolordefault);
  EXPECT_EQ(Button(design.Image8, 0), over);
  EXPECT_NE(over, design.Imagebackup);
  EXPECT_EQ(design.Image2.Pixel(101, 19 + 9), green);
  EXPECT_EQ(design.Image2.Pixel(0, 19), kOutside);
}

TEST_F(Regeneration, SelectedLineIsFramedAndShowsItsColour) {
  design.edit1 = "\r\n\r\n\r\n\r\n";
  design.LineColors[2] = MakeColour(1, 2, 3);
  design.SelectedLine = 2;
  Regenerate(design);
  EXPECT_EQ(design.frontcolor, MakeColour(1, 2, 3));
  for (const Picture* stack : {&design.Image2, &design.Image8}) {
    for (int i = 0; i < 4; ++i) {
      const Picture b = Button(*stack, i);
      const bool framed = i == 2;
      for (auto [x, y] :
           {std::pair{0, 0}, {1, 1}, {202, 18}, {201, 17}, {0, 18}, {100, 0}, {202, 9}}) {
        EXPECT_EQ(b.Pixel(x, y) == kRed, framed) << i << " " << x << "," << y;
      }
      EXPECT_NE(b.Pixel(2, 2), kRed);
    }
  }
  EXPECT_EQ(Block(design.Image5, 2 * 203, 0, 203, 19), Button(design.Image2, 2));
}

TEST_F(Regeneration, FramingTheFirstLineKeepsTheKeyColour) {
  // With and without text over the key pixel, the key is the unframed button's corner.
  for (const char* caption : {"\r\n\r\n", "\u2588\u2588\r\nMM"}) {
    design.edit1 = caption;
    design.fontx.SetValue(0);
    design.fonty.SetValue(0);
    design.SelectedLine = kNoLineSelected;
    Regenerate(design);
    const Picture plain = design.Image2;
    const Picture strip = design.Image5;
    design.SelectedLine = 0;
    Regenerate(design);
    const int bottom = design.Image2.Height() - 1;
    for (int x : {0, 100, 202}) EXPECT_EQ(design.Image2.Pixel(x, bottom), plain.Pixel(0, bottom)) << caption;
    EXPECT_EQ(Button(design.Image2, 1), Button(plain, 1)) << caption;
    EXPECT_EQ(design.Image5.Pixel(203, 19), strip.Pixel(203, 19)) << caption;
  }
}

TEST_F(Regeneration, NoFrameWithoutSelection) {
  design.edit1 = "\r\n\r\n\r\n";
  design.frontcolor = MakeColour(7, 7, 7);
  Regenerate(design);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Button(design.Image2, i), design.Imagebackup);
  EXPECT_EQ(design.frontcolor, MakeColour(7, 7, 7));
}

TEST_F(Regeneration, FittingAndBackGivesTheLoadedPictures) {
  design.buttonwidth.SetValue(300);
  design.buttonheight.SetValue(30);
  Regenerate(design);
  EXPECT_EQ(design.ImageSource.Width(), 300);
  EXPECT_EQ(design.ImageShadow.Height(), 30);
  EXPECT_EQ(design.Image2.Height(), 6 * 30 + 1);
  EXPECT_EQ(design.Image6.Width(), 240);

  // A size the wide template declines: the loaded size is kept throughout.
  design.buttonwidth.SetValue(50);
  Regenerate(design);
  EXPECT_EQ(design.ImageSource, design.Imagebackup);
  EXPECT_EQ(design.Image2.Width(), 203);

  EXPECT_TRUE(RestoreDefaultSize(design));
  EXPECT_EQ(design.buttonwidth.Value(), 203);
  EXPECT_EQ(design.buttonheight.Value(), 19);
  Regenerate(design);
  EXPECT_EQ(design.ImageSource, design.Imagebackup);
  EXPECT_EQ(design.ImageShadow, design.ImageShadowBackup);
  EXPECT_FALSE(RestoreDefaultSize(design));
}

TEST_F(Regeneration, NoLinesShowsTheBareMaster) {
  design.edit1.clear();
  Regenerate(design);
  EXPECT_EQ(design.Image2.Height(), 20);
  EXPECT_EQ(Block(design.Image2, 0, 0, 203, 19), design.Imagebackup);
  EXPECT_EQ(Block(design.Image8, 0, 0, 203, 19), design.Imagebackup);
  EXPECT_EQ(design.Image2.Pixel(5, 19), kOutside);
  EXPECT_EQ(design.Image5.Width(), 0);
  EXPECT_EQ(design.Image5.Height(), 20);
}

TEST_F(Regeneration, BackgroundBandsFollowTheMode) {
  design.bgpicture = true;
  design.Image7 = test::PhotoLikePicture(700, 90, 9);
  design.bgleft.SetValue(10);
  design.bgtop.SetValue(5);
  design.edit1 = "\r\n\r\n\r\n\r\n\r\n";
  const int cx = 101, cy = 9;  // the flat centre of the face shows the background as it is
  struct Mode {
    bool h, v;
    int dx, dy;
  } modes[] = {{true, false, 0, 19}, {false, true, 203, 0}, {false, false, 0, 0}};
  for (const Mode& m : modes) {
    design.bghorizontal = m.h;
    design.bgvertical = m.v;
    design.bgsame = !m.h && !m.v;
    Regenerate(design);
    for (int i = 0; i < 5; ++i) {
      int x = 10 + i * m.dx, y = 5 + i * m.dy;
      if (700 - x < 203) x = 700 - 203;
      if (90 - y < 19) y = 90 - 19;
      EXPECT_EQ(design.Image2.Pixel(cx, i * 19 + cy), design.Image7.Pixel(x + cx, y + cy))
          << m.h << m.v << " line " << i;
    }
  }
}

TEST_F(Regeneration, CaptionIsDrawnOnBothStacks) {
  design.edit1 = "MMMM\r\nMMMM";
  design.fontcolor = MakeColour(0, 255, 0);
  design.fontx.SetValue(20);
  Regenerate(design);
  int lit_normal = 0, lit_over = 0;
  for (int y = 0; y < 38; ++y) {
    for (int x = 0; x < 203; ++x) {
      lit_normal += design.Image2.Pixel(x, y) == MakeColour(0, 255, 0);
      lit_over += design.Image8.Pixel(x, y) == MakeColour(0, 255, 0);
      if (x < 20) {
        ASSERT_EQ(design.Image2.Pixel(x, y), design.Imagebackup.Pixel(x, y % 19));
      }
    }
  }
  EXPECT_GT(lit_normal, 20);
  EXPECT_EQ(lit_normal, lit_over);

  design.tt.SetText("0");
  Regenerate(design);
  EXPECT_EQ(Button(design.Image2, 1), design.Imagebackup);
}

TEST_F(Regeneration, LinesPastTheColourTableUseTheTemplateColour) {
  design.edit1 = std::string(1001, '\n');
  design.LineColors.fill(MakeColour(9, 9, 9));
  design.SelectedLine = 1000;
  Regenerate(design);
  ASSERT_EQ(design.Image2.Height(), 1001 * 19 + 1);
  EXPECT_EQ(design.Image2.Pixel(101, 999 * 19 + 9), MakeColour(9, 9, 9));
  EXPECT_EQ(design.Image2.Pixel(101, 1000 * 19 + 9), test::kFace);
  EXPECT_EQ(design.Image2.Pixel(0, 1000 * 19), kRed);
  EXPECT_EQ(design.frontcolor, design.frontcolordefault);

  // 999 means "no line", even when there is a line 999.
  design.SelectedLine = kNoLineSelected;
  Regenerate(design);
  EXPECT_NE(design.Image2.Pixel(0, 999 * 19), kRed);
}

TEST_F(Regeneration, RegeneratingBlocksNestedRuns) {
  design.Regenerating = kBusy;
  Regenerate(design);
  EXPECT_TRUE(design.Image2.Empty());
  EXPECT_EQ(design.Regenerating, kBusy);
}

TEST_F(Regeneration, FlagIsClearedWhenARunFails) {
  design.edit1 = std::string(80000, '\n');  // more rows than a picture may hold
  EXPECT_THROW(Regenerate(design), Error);
  EXPECT_EQ(design.Regenerating, 0);
  design.edit1 = "ok";
  Regenerate(design);
  EXPECT_EQ(design.Image2.Height(), 20);
}

TEST_F(Regeneration, DegenerateTemplatesGiveDegeneratePreviews) {
  design.Imagebackup = Picture();
  design.ImageShadowBackup = Picture();
  design.buttonwidth.SetValue(0);
  design.buttonheight.SetValue(0);
  design.bgpicture = true;
  Regenerate(design);
  EXPECT_EQ(design.Image2.Width(), 0);
  EXPECT_EQ(design.Image5.Width(), 0);

  // Pictures with a width but no rows.
  design.Imagebackup = Picture(30, 0);
  design.ImageShadowBackup = Picture(30, 0);
  design.buttonwidth.SetValue(30);
  Regenerate(design);
  EXPECT_EQ(design.Image2.Width(), 30);
  EXPECT_EQ(design.Image2.Height(), 1);
  EXPECT_EQ(design.Image5.Width(), 6 * 30);
  EXPECT_EQ(design.Image5.Height(), 1);

  test::LoadTestTemplate(design, 1, 1);
  Regenerate(design);
  EXPECT_EQ(design.Image2.Height(), 6 + 1);
}

}  // namespace
}  // namespace corvanti
