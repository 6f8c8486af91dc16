#include "render/caption.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "render/scaling.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

using test::SolidPicture;

constexpr Colour kWhite = MakeColour(255, 255, 255);
constexpr Colour kBlack = MakeColour(0, 0, 0);

Colour Grey(int v) { return MakeColour(v, v, v); }

// One full row of text 120 wide on a black stack, drawn white: the target shows the
// opacity of every column as 255 * a div 100.
Picture DrawRow(const CaptionStyle& style, int mask_width = 120, int target_width = 120) {
  const Picture mask = SolidPicture(mask_width, 1, kWhite);
  Picture target(target_width, 1);
  DrawCaption(mask, target, style);
  return target;
}

TEST(DrawCaption, LeftFadeRampsFromHalfToFull) {
  CaptionStyle style;
  style.B0 = 100;
  style.L = 10;
  const Picture row = DrawRow(style);
  EXPECT_EQ(row.Pixel(0, 0), Grey(127));  // 50 per cent
  EXPECT_EQ(row.Pixel(5, 0), Grey(191));  // 75 per cent
  EXPECT_EQ(row.Pixel(10, 0), kWhite);
  EXPECT_EQ(row.Pixel(99, 0), kWhite);
  EXPECT_EQ(row.Pixel(100, 0), kBlack);  // past the text block
}

TEST(DrawCaption, RightFadeRampsDownToHalf) {
  CaptionStyle style;
  style.B0 = 100;
  style.R = 10;
  const Picture row = DrawRow(style);
  EXPECT_EQ(row.Pixel(0, 0), kWhite);
  EXPECT_EQ(row.Pixel(89, 0), kWhite);
  EXPECT_EQ(row.Pixel(95, 0), Grey(178));  // 70 per cent
  EXPECT_EQ(row.Pixel(99, 0), Grey(127));  // 50 per cent

  // Placed further right, the same block fades the same way.
  style.fontx = 7;
  const Picture moved = DrawRow(style, 120, 130);
  EXPECT_EQ(moved.Pixel(6, 0), kBlack);
  EXPECT_EQ(moved.Pixel(7 + 95, 0), Grey(178));
  EXPECT_EQ(moved.Pixel(7 + 99, 0), Grey(127));
  EXPECT_EQ(moved.Pixel(7 + 100, 0), kBlack);
}

TEST(DrawCaption, RightFadePastAnEmptyBlockFollowsTheFormulaDownToZero) {
  // B0 = 0 with ink in the mask: every column lies past the block's end.
  CaptionStyle style;
  style.B0 = 0;
  style.R = 10;
  const Picture row = DrawRow(style);
  EXPECT_EQ(row.Pixel(0, 0), kWhite);      // x = 0 without a left fade
  EXPECT_EQ(row.Pixel(1, 0), Grey(102));   // 50 + (0 - 1 - 1) * 50 div 10 = 40
  EXPECT_EQ(row.Pixel(2, 0), Grey(89));    // 35
  EXPECT_EQ(row.Pixel(20, 0), kBlack);     // below 0: nothing
}

TEST(DrawCaption, PartialOpacityFadesToHalfAtTheEnds) {
  CaptionStyle style;
  style.B0 = 100;
  style.C = 80;
  style.L = 10;
  style.R = 10;
  const Picture row = DrawRow(style);
  EXPECT_EQ(row.Pixel(0, 0), Grey(127));
  EXPECT_EQ(row.Pixel(50, 0), Grey(204));
  EXPECT_EQ(row.Pixel(99, 0), Grey(127));
}

TEST(DrawCaption, LowOpacityIsUniformWithoutFades) {
  CaptionStyle style;
  style.B0 = 100;
  style.C = 30;
  style.L = 10;
  style.R = 10;
  const Picture row = DrawRow(style);
  for (int x : {0, 5, 50, 95, 99}) EXPECT_EQ(row.Pixel(x, 0), Grey(76)) << x;
}

TEST(DrawCaption, OpacityOutsideOneToHundredDrawsNothing) {
  const Picture mask = SolidPicture(20, 20, kBlack);
  for (int C : {0, -5, 101}) {
    Picture m = mask;
    m.SetPixel(10, 10, kWhite);
    Picture target(20, 20);
    CaptionStyle style;
    style.C = C;
    style.shadowMode = 2;
    DrawCaption(m, target, style);
    EXPECT_EQ(target, Picture(20, 20)) << C;
  }
}

TEST(DrawCaption, CoverageScalesOpacity) {
  Picture mask(4, 1);
  mask.SetPixel(1, 0, Grey(128));
  Picture target(4, 1);
  DrawCaption(mask, target, CaptionStyle{});
  EXPECT_EQ(target.Pixel(1, 0), Grey(127));  // 100 * 128 div 255 = 50 per cent
  EXPECT_EQ(target.Pixel(0, 0), kBlack);
}

// An isolated text pixel at (10, 10) on a black 30 x 30 stack, red text, white shadow.
Picture DrawDot(int shadow_mode, int S = 50) {
  Picture mask(30, 30);
  mask.SetPixel(10, 10, kWhite);
  Picture target(30, 30);
  CaptionStyle style;
  style.shadowMode = shadow_mode;
  style.S = S;
  style.fontColour = MakeColour(255, 0, 0);
  DrawCaption(mask, target, style);
  return target;
}

int CountLit(const Picture& p) {
  int n = 0;
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) n += p.Pixel(x, y) != kBlack;
  return n;
}

TEST(DrawCaption, SingleShadowFallsLowerRight) {
  const Picture t = DrawDot(1);
  EXPECT_EQ(t.Pixel(10, 10), MakeColour(255, 0, 0));
  EXPECT_EQ(t.Pixel(11, 11), Grey(127));
  EXPECT_EQ(CountLit(t), 2);
  EXPECT_EQ(CountLit(DrawDot(0)), 1);
}

TEST(DrawCaption, StrongShadowUsesFiveOffsets) {
  const Picture t = DrawDot(2);
  for (auto [x, y] : {std::pair{11, 11}, {9, 11}, {9, 9}, {11, 9}}) {
    EXPECT_EQ(t.Pixel(x, y), Grey(127)) << x << "," << y;
  }
  EXPECT_EQ(t.Pixel(12, 12), Grey(63));  // S div 2 = 25 per cent
  EXPECT_EQ(CountLit(t), 6);
}

TEST(DrawCaption, ClipsAtTheStackAndItsRowLimit) {
  const Picture mask = SolidPicture(40, 40, kWhite);
  Picture target(20, 11);
  CaptionStyle style;
  style.fontx = 15;
  style.fonty = 4;
  DrawCaption(mask, target, style, 10);
  EXPECT_EQ(target.Pixel(14, 5), kBlack);
  EXPECT_EQ(target.Pixel(15, 4), kWhite);
  EXPECT_EQ(target.Pixel(19, 9), kWhite);
  EXPECT_EQ(target.Pixel(19, 10), kBlack);  // the key row is not part of the stack
}

TEST(DrawCaption, NegativePositionsCountAsZero) {
  Picture mask(10, 10);
  mask.SetPixel(0, 0, kWhite);
  mask.SetPixel(3, 2, kWhite);
  Picture at_zero(10, 10);
  DrawCaption(mask, at_zero, CaptionStyle{});
  Picture negative(10, 10);
  CaptionStyle style;
  style.fontx = -4;
  style.fonty = -100;
  DrawCaption(mask, negative, style);
  EXPECT_EQ(negative, at_zero);
}

// The blend rules written out plainly, pixel by pixel, to check the table-driven drawing.
void ReferenceDrawCaption(const Picture& mask, Picture& target, const CaptionStyle& st) {
  const int tw = target.Width(), th = target.Height(), mw = mask.Width(), mh = mask.Height();
  const int C = st.C;
  if (C <= 0 || C > 100) return;
  int X = tw;
  if (st.B0 != 0 && st.fontx + st.B0 < tw) X = st.fontx + st.B0;
  auto blend = [](Picture& p, int x, int y, Colour c, int a) {
    const Colour old = p.Pixel(x, y);
    auto ch = [&](int o, int v) { return (100 - a) * o / 100 + v * a / 100; };
    p.SetPixel(x, y,
               MakeColour(ch(RedOf(old), RedOf(c)), ch(GreenOf(old), GreenOf(c)),
                          ch(BlueOf(old), BlueOf(c))));
  };
  const int dx[] = {1, -1, -1, 1, 2}, dy[] = {1, 1, -1, -1, 2};
  for (int y = 0; y < mh && st.fonty + y < th; ++y) {
    for (int x = 0; st.fontx + x < X && x < mw; ++x) {
      const int tx = st.fontx + x, ty = st.fonty + y;
      int a = C;
      if (C > 50) {
        const int T = C - 50;
        int ramp;
        if (x == 0)
          ramp = st.L > 0 ? 0 : T;
        else if (x == X - 1)
          ramp = st.R > 0 ? 0 : T;
        else if (x < st.L)
          ramp = T * x / st.L;
        else if (x > st.B0 - 1 - st.R && st.R > 0)
          ramp = (st.B0 - 1 - x) * T / st.R;
        else
          ramp = T;
        a = std::clamp(ramp + 50, 0, 100);
      }
      const Colour m = mask.Pixel(x, y);
      if (m == 0) continue;
      if (BlueOf(m) < 255) a = a * BlueOf(m) / 255;
      blend(target, tx, ty, st.fontColour, a);
      const int spots = st.shadowMode >= 2 ? 5 : st.shadowMode;
      for (int s = 0; s < spots; ++s) {
        const int sx = tx + dx[s], sy = ty + dy[s];
        if (!target.Contains(sx, sy) || (dx[s] == -1 && sx < 1) || (dy[s] == -1 && sy < 1))
          continue;
        if (!mask.Contains(x + dx[s], y + dy[s]) ||
            mask.Pixel(x + dx[s], y + dy[s]) != mask.Pixel(0, 0))
          continue;
        blend(target, sx, sy, st.shadowColour, s == 4 ? st.S / 2 : st.S);
      }
    }
  }
}

TEST(DrawCaption, MatchesThePlainRulesOnRandomMasks) {
  std::mt19937 random(17);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int round = 0; round < 60; ++round) {
    Picture mask(pick(1, 40), pick(1, 30));
    for (int y = 0; y < mask.Height(); ++y) {
      for (int x = 0; x < mask.Width(); ++x) {
        const int kind = pick(0, 9);
        const int v = kind < 6 ? 0 : kind < 8 ? 255 : pick(1, 254);
        mask.SetPixel(x, y, Grey(v));
      }
    }
    if (round % 5 == 0) mask.SetPixel(0, 0, kWhite);  // text in the key pixel
    const Picture background = test::PhotoLikePicture(pick(1, 45), pick(1, 35), round);
    CaptionStyle st;
    st.fontx = pick(0, 10);
    st.fonty = pick(0, 10);
    st.B0 = pick(0, mask.Width());
    st.L = pick(0, 15);
    st.R = pick(0, 15);
    st.C = pick(0, 100);
    st.shadowMode = pick(0, 2);
    st.S = pick(0, 100);
    st.fontColour = MakeColour(pick(0, 255), pick(0, 255), pick(0, 255));
    st.shadowColour = MakeColour(pick(0, 255), pick(0, 255), pick(0, 255));
    Picture want = background;
    ReferenceDrawCaption(mask, want, st);
    Picture got = background;
    DrawCaption(mask, got, st);
    ASSERT_EQ(got, want) << "round " << round;
    Picture first = background,
            second = test::PhotoLikePicture(background.Width(), background.Height(), 99);
    Picture second_alone = second;
    DrawCaption(mask, first, second, st);
    DrawCaption(mask, second_alone, st);
    ASSERT_EQ(first, want);
    ASSERT_EQ(second, second_alone);
  }
}

TEST(AlignedLineLeft, AlignsLinesInsideTheBlock) {
  EXPECT_EQ(AlignedLineLeft(100, 61, true, false), 19);
  EXPECT_EQ(AlignedLineLeft(100, 61, true, true), 19);  // centre wins
  EXPECT_EQ(AlignedLineLeft(100, 61, false, true), 39);
  EXPECT_EQ(AlignedLineLeft(100, 61, false, false), 0);
}

class TextMask : public ::testing::Test {
 protected:
  void SetUp() override { test::EnsureGuiApplication(); }
  static TextMaskInput Input(std::vector<std::string> lines, int W = 200, int H = 30) {
    TextMaskInput in;
    in.lines = std::move(lines);
    in.font.name = "DejaVu Sans";
    in.fontsize = 12;
    in.W = W;
    in.H = H;
    return in;
  }
  static int FirstLitColumn(const Picture& mask, int row0, int rows) {
    for (int x = 0; x < mask.Width(); ++x)
      for (int y = row0; y < row0 + rows; ++y)
        if (mask.Pixel(x, y) != kBlack) return x;
    return -1;
  }
};

TEST_F(TextMask, IsGreyTextOnBlackAtTheButtonPitch) {
  Picture mask;
  const int B0 = BuildTextMask(Input({"Button Test1", "Wide line Wide line", "\u00e9t\u00e9"}), mask);
  ASSERT_EQ(mask.Width(), 200);
  ASSERT_EQ(mask.Height(), 3 * 30 + 1);
  EXPECT_GT(B0, 40);
  EXPECT_LT(B0, 200);
  bool grey_levels = false;
  int lit_in_line[3] = {0, 0, 0};
  for (int y = 0; y < mask.Height(); ++y) {
    for (int x = 0; x < mask.Width(); ++x) {
      const Colour c = mask.Pixel(x, y);
      ASSERT_EQ(RedOf(c), GreenOf(c));
      ASSERT_EQ(RedOf(c), BlueOf(c));
      if (c == kBlack) continue;
      ASSERT_LT(y, 90);
      ++lit_in_line[y / 30];
      if (c != kWhite) grey_levels = true;
      ASSERT_LT(x, B0 + 1);
    }
  }
  EXPECT_TRUE(grey_levels);
  for (int n : lit_in_line) EXPECT_GT(n, 10);  // Latin-1 line too
}

TEST_F(TextMask, CaptionsInAnyScriptDrawInAnyFont) {
  // The chosen font (installed or not) lacks most of these; the installed fonts that have
  // them stand in. Two different characters never draw alike, as missing-glyph boxes would.
  auto mask_of = [&](const std::string& font, const std::string& text) {
    TextMaskInput in = Input({text});
    in.font.name = font;
    Picture mask;
    BuildTextMask(in, mask);
    return mask;
  };
  const std::pair<const char*, const char*> pairs[] = {
      {"\u041A", "\u041B"}, {"\u03BB", "\u03BE"}, {"\u304A", "\u554F"}, {"\u2615", "\u260E"}};
  for (const char* font : {"DejaVu Sans", "MS Sans Serif"}) {
    for (const auto& [a, b] : pairs) {
      const Picture first = mask_of(font, a);
      EXPECT_NE(first, mask_of(font, b)) << font << " " << a;
      EXPECT_NE(first, mask_of(font, "")) << font << " " << a;
      for (int y = 0; y < first.Height(); ++y) {
        for (int x = 0; x < first.Width(); ++x) {
          const Colour c = first.Pixel(x, y);
          ASSERT_TRUE(RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c)) << font << " " << a;
        }
      }
    }
  }
}

TEST_F(TextMask, AlignmentShiftsWholeLines) {
  const std::vector<std::string> lines = {"Much longer caption", "Short"};
  Picture left, centre, right;
  const int B0 = BuildTextMask(Input(lines), left);
  TextMaskInput in = Input(lines);
  in.centre = true;
  EXPECT_EQ(BuildTextMask(in, centre), B0);
  in.centre = false;
  in.right = true;
  EXPECT_EQ(BuildTextMask(in, right), B0);

  // The widest line does not move; the other moves by the alignment of its width.
  EXPECT_EQ(FirstLitColumn(centre, 0, 30), FirstLitColumn(left, 0, 30));
  const int base = FirstLitColumn(left, 30, 30);
  const int shift_centre = FirstLitColumn(centre, 30, 30) - base;
  const int shift_right = FirstLitColumn(right, 30, 30) - base;
  EXPECT_GT(shift_right, 0);
  EXPECT_EQ(shift_centre, shift_right / 2);
}

TEST_F(TextMask, ZoomStretchesOnlyHorizontally) {
  Picture plain, zoomed;
  TextMaskInput in = Input({"Zoomed text"}, 120, 25);
  const int B0 = BuildTextMask(in, plain);
  in.fontzoom = 150;
  const int zoomed_B0 = BuildTextMask(in, zoomed);
  EXPECT_EQ(zoomed.Width(), 180);
  EXPECT_EQ(zoomed.Height(), plain.Height());
  EXPECT_EQ(zoomed_B0, 150 * B0 / 100);
  StretchPicture(plain, 180, plain.Height());
  EXPECT_EQ(zoomed, plain);
}

TEST_F(TextMask, BlockWidthIsLimitedToTheMask) {
  Picture mask;
  EXPECT_EQ(BuildTextMask(Input({"A caption far wider than its button"}, 40, 20), mask), 40);
  EXPECT_EQ(BuildTextMask(Input({"", ""}, 40, 20), mask), 0);
  EXPECT_EQ(mask.Height(), 41);
  EXPECT_EQ(BuildTextMask(Input({}, 40, 20), mask), 0);
  EXPECT_EQ(mask.Height(), 1);
  EXPECT_EQ(BuildTextMask(Input({"text"}, 0, 20), mask), 0);
  TextMaskInput in = Input({"text"}, 40, 20);
  in.fontzoom = -20;  // only a template file can carry this
  EXPECT_EQ(BuildTextMask(in, mask), 0);
  EXPECT_EQ(mask.Width(), 0);
}

TEST_F(TextMask, TextCellStartsAtTheLineTop) {
  Picture mask;
  TextMaskInput in = Input({"Hg", "Hg"}, 60, 40);
  BuildTextMask(in, mask);
  auto first_lit_row = [&](int from) {
    for (int y = from; y < mask.Height(); ++y)
      for (int x = 0; x < mask.Width(); ++x)
        if (mask.Pixel(x, y) != kBlack) return y;
    return -1;
  };
  const int top0 = first_lit_row(0);
  EXPECT_GE(top0, 0);
  EXPECT_LT(top0, 8);
  EXPECT_EQ(first_lit_row(30), 40 + top0);
}

// A mask redrawn from its record, one step of editing after another, is the mask a drawing
// of every line gives: typing, lines coming and going, a longer line moving the others
// (centred), a taller font whose cells overlap, colour glyphs, stacked marks and a zoom.
TEST_F(TextMask, RedrawingOnlyTheChangedLinesGivesTheWholeDrawing) {
  struct Step {
    std::vector<std::string> lines;
    bool centre;
    int fontsize, zoom, H;
  };
  const Step steps[] = {
      {{"Home", "About", "Shop"}, false, 12, 100, 30},
      {{"Home", "Abouts", "Shop"}, false, 12, 100, 30},
      {{"Home", "Abouts", "", "Shop", "Home"}, false, 12, 100, 30},
      {{"Abouts", "Home", "Shop"}, false, 12, 100, 30},
      {{"Abouts", "Home", "Shop"}, true, 12, 100, 30},
      {{"Abouts and more", "Home", "Shop"}, true, 12, 100, 30},
      {{"Abouts and more", "Home \u2605\U0001F600", "Shop"}, true, 12, 100, 30},
      {{"Z\u0301\u0302\u0303\u0304", "Home", "Shop"}, true, 12, 100, 30},
      {{"Tall", "Tall gy", "Shop"}, false, 30, 100, 20},
      {{"Tall", "Tall gy", "Shops"}, false, 30, 100, 20},
      {{"Home", "About", "Shop"}, false, 12, 150, 30},
      {{"Home", "About", "Shop"}, false, 12, 100, 30},
  };
  Picture kept;
  TextMaskRecord record;
  for (const Step& step : steps) {
    TextMaskInput in = Input(step.lines, 200, step.H);
    in.centre = step.centre;
    in.fontsize = step.fontsize;
    in.fontzoom = step.zoom;
    Picture whole;
    const int B0 = BuildTextMask(in, whole);
    EXPECT_EQ(BuildTextMask(in, kept, &record), B0);
    EXPECT_TRUE(kept == whole) << step.lines[0] << " / " << step.lines[1];
  }
}

}  // namespace
}  // namespace corvanti
