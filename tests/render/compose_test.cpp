#include "render/compose.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace corvanti {
namespace {

using test::PhotoLikePicture;
using test::SolidPicture;

constexpr Colour kR = MakeColour(100, 100, 100);  // the master's reference colour
constexpr Colour kQ = MakeColour(0, 0, 0);        // the alpha's face colour

// A 5 x 5 button whose centre (2, 2) fixes r and q; (0, 0) lies outside the face and
// (1, 1) inside with the master colour under test.
struct Button {
  Picture M = SolidPicture(5, 5, kR);
  Picture A = SolidPicture(5, 5, kQ);
  Button(Colour face_master) {
    M.SetPixel(0, 0, MakeColour(1, 2, 3));
    A.SetPixel(0, 0, MakeColour(255, 255, 255));
    M.SetPixel(1, 1, face_master);
  }
  Picture Compose(int mouse_over, Colour c) const {
    Picture P = M;
    ComposeColor(P, A, M, mouse_over, c);
    return P;
  }
};

TEST(ComposeColor, ReliefIsAveragedAndBrightenedWhenMouseIsOver) {
  Button b(MakeColour(200, 200, 200));  // d = 100
  const Colour red = MakeColour(255, 0, 0);
  EXPECT_EQ(b.Compose(0, red).Pixel(1, 1), MakeColour(255, 100, 100));
  EXPECT_EQ(b.Compose(50, red).Pixel(1, 1), MakeColour(255, 150, 150));
  // Any mouse-over value above 0 brightens by exactly 50.
  EXPECT_EQ(b.Compose(7, red).Pixel(1, 1), MakeColour(255, 150, 150));
}

TEST(ComposeColor, FlatFaceIsExactlyTheColourInBothStates) {
  Button b(kR);
  const Colour c = MakeColour(10, 20, 30);
  EXPECT_EQ(b.Compose(0, c).Pixel(1, 1), c);
  EXPECT_EQ(b.Compose(50, c).Pixel(1, 1), c);
  EXPECT_EQ(b.Compose(50, c).Pixel(2, 2), c);
}

TEST(ComposeColor, SmallReliefTruncatesTowardZeroButStillBrightens) {
  Button b(MakeColour(100, 98, 100));  // d = -2 / 3 = 0
  const Colour c = MakeColour(10, 230, 30);
  EXPECT_EQ(b.Compose(0, c).Pixel(1, 1), c);
  EXPECT_EQ(b.Compose(50, c).Pixel(1, 1), MakeColour(60, 255, 80));
}

TEST(ComposeColor, DarkReliefIsClamped) {
  Button b(MakeColour(10, 10, 10));  // d = -90
  const Colour c = MakeColour(50, 50, 50);
  EXPECT_EQ(b.Compose(0, c).Pixel(1, 1), MakeColour(0, 0, 0));
  EXPECT_EQ(b.Compose(50, c).Pixel(1, 1), MakeColour(10, 10, 10));
}

TEST(ComposeColor, OutsideTheFaceKeepsTheMaster) {
  Button b(kR);
  for (int over : {0, 50}) {
    EXPECT_EQ(b.Compose(over, MakeColour(9, 9, 9)).Pixel(0, 0), MakeColour(1, 2, 3));
  }
}

TEST(ComposeColor, MismatchedAlphaLeavesTheButton) {
  const Picture M = PhotoLikePicture(6, 5);
  Picture P = M;
  ComposeColor(P, SolidPicture(5, 5, kQ), M, 50, MakeColour(1, 1, 1));
  EXPECT_EQ(P, M);
}

// A master that is flat face everywhere, so the button shows the background unchanged.
struct FlatButton {
  Picture M, A;
  FlatButton(int w, int h) : M(SolidPicture(w, h, kR)), A(SolidPicture(w, h, kQ)) {}
  Picture Compose(int mouse_over, int xoff, int yoff, const Picture& G) const {
    Picture P = M;
    ComposeBackground(P, A, M, mouse_over, yoff, xoff, G);
    return P;
  }
};

Picture Block(const Picture& p, int x0, int y0, int w, int h) {
  Picture piece(w, h);
  piece.CopyFrom(p, x0, y0, w, h, 0, 0);
  return piece;
}

TEST(ComposeBackground, OffsetsAreMovedBackInsideThePicture) {
  const Picture G = PhotoLikePicture(100, 100, 4);
  const FlatButton b(80, 30);
  EXPECT_EQ(b.Compose(0, 50, 0, G), Block(G, 20, 0, 80, 30));
  // Successive bands down the picture: rows 0, 30, 60, then 70 for button 3 and beyond.
  EXPECT_EQ(b.Compose(0, 0, 30, G), Block(G, 0, 30, 80, 30));
  EXPECT_EQ(b.Compose(0, 0, 90, G), Block(G, 0, 70, 80, 30));
  EXPECT_EQ(b.Compose(0, 0, 120, G), Block(G, 0, 70, 80, 30));
  // Offsets below 0 count as 0.
  EXPECT_EQ(b.Compose(0, -5, -9, G), Block(G, 0, 0, 80, 30));
}

TEST(ComposeBackground, FlatFaceIsBrightenedWhenMouseIsOver) {
  const Picture G = PhotoLikePicture(100, 100, 4);
  const FlatButton b(80, 30);
  const Picture over = b.Compose(50, 0, 0, G);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 80; ++x) {
      const Colour g = G.Pixel(x, y);
      auto up = [](int v) { return v + 50 > 255 ? 255 : v + 50; };
      ASSERT_EQ(over.Pixel(x, y), MakeColour(up(RedOf(g)), up(GreenOf(g)), up(BlueOf(g))));
    }
  }
}

TEST(ComposeBackground, ReliefAndOutsideAsForColour) {
  Button b(MakeColour(200, 200, 200));  // d = 100
  const Picture G = SolidPicture(5, 5, MakeColour(40, 0, 200));
  Picture normal = b.M, over = b.M;
  ComposeBackground(normal, b.A, b.M, 0, 0, 0, G);
  ComposeBackground(over, b.A, b.M, 50, 0, 0, G);
  EXPECT_EQ(normal.Pixel(1, 1), MakeColour(140, 100, 255));
  EXPECT_EQ(over.Pixel(1, 1), MakeColour(190, 150, 255));
  EXPECT_EQ(normal.Pixel(0, 0), MakeColour(1, 2, 3));
  EXPECT_EQ(over.Pixel(0, 0), MakeColour(1, 2, 3));
}

TEST(ComposeBackground, TooSmallBackgroundLeavesTheMaster) {
  const FlatButton b(80, 30);
  EXPECT_EQ(b.Compose(0, 0, 0, PhotoLikePicture(60, 20)), b.M);
  EXPECT_EQ(b.Compose(50, 0, 0, PhotoLikePicture(79, 100)), b.M);
  EXPECT_EQ(b.Compose(50, 0, 0, Picture()), b.M);
}

}  // namespace
}  // namespace corvanti

namespace corvanti {
namespace {

TEST(ComposeLayout, BothStatesInOnePassMatchTheSingleCalls) {
  const Picture M = test::PhotoLikePicture(30, 12, 2);
  Picture A = test::SolidPicture(30, 12, kQ);
  for (int x = 0; x < 30; x += 4) A.SetPixel(x, 3, MakeColour(9, 9, 9));  // holes in the face
  const Picture G = test::PhotoLikePicture(50, 40, 3);
  const FaceLayout face = PrepareFace(A, M);
  ASSERT_TRUE(face.usable);
  // The rows start black: what lies outside the face comes from the master.
  Picture normal(30, 2 * 12 + 1), over(30, 2 * 12 + 1);
  ComposeBackground(normal, over, 12, face, 33, 7, G, M);
  Picture want_normal = M, want_over = M;
  ComposeBackground(want_normal, A, M, 0, 33, 7, G);
  ComposeBackground(want_over, A, M, 50, 33, 7, G);
  Picture got(30, 12);
  got.CopyFrom(normal, 0, 12, 30, 12, 0, 0);
  EXPECT_EQ(got, want_normal);
  got.CopyFrom(over, 0, 12, 30, 12, 0, 0);
  EXPECT_EQ(got, want_over);
  EXPECT_EQ(normal.Pixel(0, 0), MakeColour(0, 0, 0));  // rows outside the button untouched
  EXPECT_EQ(normal.Pixel(0, 24), MakeColour(0, 0, 0));
  // A button that does not fit in the stack is left alone.
  Picture small(30, 20);
  ComposeBackground(small, small, 12, face, 0, 0, G, M);
  EXPECT_EQ(small, Picture(30, 20));
}

}  // namespace
}  // namespace corvanti
