#include "render/interaction.h"

#include <gtest/gtest.h>

namespace corvanti {
namespace {

TEST(PreviewDrag, MovesTheCaptionRelativeToThePress) {
  Design design;
  design.fontx.SetValue(20);
  design.fonty.SetValue(20);
  PreviewMouseDown(design, 100, 50);
  EXPECT_EQ(PreviewMouseMove(design, 110, 45), 3);
  EXPECT_EQ(design.fontx.Value(), 30);
  EXPECT_EQ(design.fonty.Value(), 15);
  EXPECT_EQ(PreviewMouseMove(design, 110, 20), 2);
  EXPECT_EQ(design.fonty.Value(), 0);
  EXPECT_EQ(PreviewMouseMove(design, -5000, -5000), 1);
  EXPECT_EQ(design.fontx.Value(), 0);
  EXPECT_EQ(PreviewMouseMove(design, 100000, 50), 3);
  EXPECT_EQ(design.fontx.Value(), 1000);  // the field's range
  PreviewMouseUp(design);
  EXPECT_EQ(design.PreviewDragging, 0);
  EXPECT_EQ(PreviewMouseMove(design, 0, 0), 0);
  EXPECT_EQ(design.fontx.Value(), 1000);
}

TEST(PreviewDrag, IgnoredWithoutPressOrWhileBusy) {
  Design design;
  EXPECT_EQ(PreviewMouseMove(design, 40, 40), 0);
  EXPECT_EQ(design.fontx.Value(), 0);
  design.Regenerating = kBusy;
  PreviewMouseDown(design, 0, 0);  // still recorded
  EXPECT_EQ(design.PreviewDragging, kBusy);
  EXPECT_EQ(PreviewMouseMove(design, 40, 40), 0);
  design.Regenerating = 0;
  EXPECT_EQ(PreviewMouseMove(design, 40, 40), 3);
}

TEST(PreviewClick, SelectsTheLineUnderThePress) {
  Design design;
  design.ImageSource = Picture(50, 20);
  for (auto [y, line] : {std::pair{45, 2}, {0, 0}, {19, 0}, {60, 3}, {-7, 0}}) {
    PreviewMouseDown(design, 3, y);
    PreviewMouseUp(design);
    EXPECT_EQ(PreviewClick(design), line) << y;
    EXPECT_EQ(design.SelectedLine, line);
  }
  design.ImageSource = Picture();
  PreviewMouseDown(design, 3, 45);
  EXPECT_EQ(PreviewClick(design), 0);
}

TEST(Image7MouseUp, SetsTheBackgroundOffset) {
  Design design;
  EXPECT_TRUE(Image7MouseUp(design, 120, 33));
  EXPECT_EQ(design.bgleft.Value(), 120);
  EXPECT_EQ(design.bgtop.Value(), 33);
  EXPECT_FALSE(Image7MouseUp(design, 120, 33));
  EXPECT_TRUE(Image7MouseUp(design, -4, 5000));
  EXPECT_EQ(design.bgleft.Value(), 0);
  EXPECT_EQ(design.bgtop.Value(), 2000);
}

}  // namespace
}  // namespace corvanti
