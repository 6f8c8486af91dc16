#include <gtest/gtest.h>

#include <QLineEdit>

#include "app/controls.h"
#include "app_fixture.h"

namespace corvanti::test {
namespace {

TEST(PictureToImage, ReadsBlueGreenRedRowsAndMakesTheKeyColourTransparent) {
  Picture p(3, 2);
  p.Fill(MakeColour(9, 9, 9));  // the bottom-left pixel: the key colour
  p.SetPixel(0, 0, MakeColour(255, 0, 0));
  p.SetPixel(1, 0, MakeColour(0, 0, 255));
  const QImage opaque = PictureToImage(p, false);
  EXPECT_EQ(QColor(opaque.pixel(0, 0)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(opaque.pixel(1, 0)), QColor(0, 0, 255));
  EXPECT_EQ(qAlpha(opaque.pixel(0, 1)), 255);

  const QImage keyed = PictureToImage(p, true);
  EXPECT_EQ(qAlpha(keyed.pixel(0, 1)), 0);
  EXPECT_EQ(qAlpha(keyed.pixel(2, 0)), 0);
  EXPECT_EQ(keyed.pixel(0, 0), qRgba(255, 0, 0, 255));
  EXPECT_TRUE(PictureToImage(Picture(), true).isNull());
}

TEST(TextBytes, EveryTypedCharacterIsKept) {
  const QString typed = QString::fromUtf8("Caf\u00E9 \u20AC \u041A\u043E\u043D \u304A\u554F \U0001F600");
  EXPECT_EQ(FromBytes(ToBytes(typed)), typed);
}

TEST(SpinFieldTest, ButtonsStepTheValueAndTypingKeepsTheText) {
  EnsureApplication();
  NumericField field(0, 100, 5, 50);
  SpinField spin(&field, nullptr);
  int changes = 0;
  spin.SetOnChange([&] { ++changes; });
  EXPECT_EQ(spin.Edit()->text(), "50");
  spin.StepBy(1);
  EXPECT_EQ(field.Value(), 55);
  EXPECT_EQ(spin.Edit()->text(), "55");
  field.SetValue(100);
  spin.Refresh();
  spin.StepBy(1);  // already at the top: no change, no event
  EXPECT_EQ(changes, 1);
  field.SetText("250");
  spin.Refresh();
  EXPECT_EQ(spin.Edit()->text(), "250");
}

}  // namespace
}  // namespace corvanti::test
