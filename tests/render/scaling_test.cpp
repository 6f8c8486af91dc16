#include "render/scaling.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace corvanti {
namespace {

using test::PhotoLikePicture;

Picture Columns(const Picture& p, int x0, int w) {
  Picture piece(w, p.Height());
  piece.CopyFrom(p, x0, 0, w, p.Height(), 0, 0);
  return piece;
}

Picture Block(const Picture& p, int x0, int y0, int w, int h) {
  Picture piece(w, h);
  piece.CopyFrom(p, x0, y0, w, h, 0, 0);
  return piece;
}

TEST(StretchPicture, SamplesNearestNeighbourBothWays) {
  const Picture source = PhotoLikePicture(7, 5, 3);
  for (auto [a, b] : {std::pair{17, 12}, std::pair{3, 2}, std::pair{7, 9}}) {
    Picture p = source;
    StretchPicture(p, a, b);
    ASSERT_EQ(p.Width(), a);
    ASSERT_EQ(p.Height(), b);
    for (int y = 0; y < b; ++y) {
      for (int x = 0; x < a; ++x) {
        ASSERT_EQ(p.Pixel(x, y), source.Pixel(x * 7 / a, y * 5 / b)) << x << "," << y;
      }
    }
  }
}

TEST(StretchPicture, ZeroOrNegativeSizeGivesEmptyPicture) {
  Picture p = PhotoLikePicture(4, 4);
  StretchPicture(p, 0, 5);
  EXPECT_EQ(p.Width(), 0);
  EXPECT_EQ(p.Height(), 5);
  Picture q = PhotoLikePicture(4, 4);
  StretchPicture(q, -3, -1);
  EXPECT_TRUE(q.Empty());
}

TEST(FitTemplate, WideTemplateIsCutIntoCapsAndMiddle) {
  const Picture source = PhotoLikePicture(203, 19, 5);
  Picture p = source;
  Picture left, right, middle;
  FitTemplate(p, 300, 30, &left, &right, &middle);
  ASSERT_EQ(p.Width(), 300);
  ASSERT_EQ(p.Height(), 30);

  Picture want_left = Columns(source, 0, 19);
  StretchPicture(want_left, 30, 30);
  Picture want_right = Columns(source, 203 - 19, 19);
  StretchPicture(want_right, 30, 30);
  Picture want_middle = Columns(source, 19, 165);
  StretchPicture(want_middle, 240, 30);
  EXPECT_EQ(left, want_left);
  EXPECT_EQ(right, want_right);
  EXPECT_EQ(middle, want_middle);
  EXPECT_EQ(Block(p, 0, 0, 30, 30), want_left);
  EXPECT_EQ(Block(p, 30, 0, 240, 30), want_middle);
  EXPECT_EQ(Block(p, 270, 0, 30, 30), want_right);
}

TEST(FitTemplate, DeclinesWhereTheRulesSaySo) {
  const Picture wide = PhotoLikePicture(203, 19, 5);
  const Picture square = PhotoLikePicture(40, 40, 6);
  struct Case {
    const Picture* source;
    int W, H;
  } cases[] = {
      {&wide, 50, 30},    // a wide template only fits a wide button
      {&wide, 60, 30},    // W = 2H is not wide
      {&square, 10, 50},  // 10 is the largest size that does not fit
      {&square, 50, 10}, {&square, 0, 0},
  };
  for (const Case& c : cases) {
    Picture p = *c.source;
    Picture pieces;
    FitTemplate(p, c.W, c.H, &pieces, nullptr, nullptr);
    EXPECT_EQ(p, *c.source) << c.W << "x" << c.H;
    EXPECT_TRUE(pieces.Empty());
  }
}

TEST(FitTemplate, NarrowTemplateIsStretched) {
  const Picture source = PhotoLikePicture(40, 40, 6);
  Picture p = source;
  FitTemplate(p, 100, 20);
  Picture want = source;
  StretchPicture(want, 100, 20);
  EXPECT_EQ(p, want);

  Picture smallest = source;
  FitTemplate(smallest, 11, 11);
  EXPECT_EQ(smallest.Width(), 11);
  EXPECT_EQ(smallest.Height(), 11);
}

TEST(FitTemplate, OneColumnMiddleIsRepeated) {
  const Picture source = PhotoLikePicture(2 * 19 + 1, 19, 8);
  Picture p = source;
  FitTemplate(p, 100, 20);
  ASSERT_EQ(p.Width(), 100);
  for (int y = 0; y < 20; ++y) {
    const Colour middle = source.Pixel(19, y * 19 / 20);
    for (int x = 20; x < 80; ++x) ASSERT_EQ(p.Pixel(x, y), middle) << x << "," << y;
  }
}

}  // namespace
}  // namespace corvanti
