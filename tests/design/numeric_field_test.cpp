#include "design/numeric_field.h"

#include <gtest/gtest.h>

#include "codecs/error.h"
#include "design/design.h"

namespace corvanti {
namespace {

TEST(ParseInteger, AcceptsDecimalHexSignsAndBlanks) {
  int v = 0;
  EXPECT_TRUE(ParseInteger("42", &v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(ParseInteger(" -17 ", &v));
  EXPECT_EQ(v, -17);
  EXPECT_TRUE(ParseInteger("+5", &v));
  EXPECT_EQ(v, 5);
  EXPECT_TRUE(ParseInteger("$FF", &v));
  EXPECT_EQ(v, 255);
  EXPECT_TRUE(ParseInteger("0x10", &v));
  EXPECT_EQ(v, 16);
  EXPECT_TRUE(ParseInteger("$FFFFFFFF", &v));
  EXPECT_EQ(v, -1);
  EXPECT_TRUE(ParseInteger("-2147483648", &v));
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_TRUE(ParseInteger("2147483647", &v));
  EXPECT_EQ(v, INT32_MAX);
}

TEST(ParseInteger, RefusesEverythingElseAndLeavesTheValue) {
  int v = 7;
  for (const char* text : {"", " ", "-", "12a", "1 2", "2147483648", "-2147483649",
                           "99999999999999999999", "$", "$100000000", "1.5", "y"}) {
    EXPECT_FALSE(ParseInteger(text, &v)) << text;
  }
  EXPECT_EQ(v, 7);
}

TEST(StrToInt, ReportsTheTextItCouldNotRead) {
  EXPECT_EQ(StrToInt("300"), 300);
  try {
    StrToInt("");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid integer value");
  }
  try {
    StrToInt("abc");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

TEST(NumericField, TextIsKeptUntilCommittedValueIsClamped) {
  NumericField width{0, 400, 1, 0};
  EXPECT_TRUE(width.SetText("500"));
  EXPECT_EQ(width.Text(), "500");
  EXPECT_EQ(width.Value(), 500);
  EXPECT_TRUE(width.Commit());
  EXPECT_EQ(width.Text(), "400");

  EXPECT_TRUE(width.SetValue(-3));
  EXPECT_EQ(width.Text(), "0");
  EXPECT_FALSE(width.SetValue(0));  // unchanged text raises no change

  NumericField zoom{75, 1000, 5, 100};
  zoom.SetText("wide");
  EXPECT_EQ(zoom.Value(), 75);  // not an integer: the minimum
  EXPECT_TRUE(zoom.Commit());
  EXPECT_EQ(zoom.Text(), "75");
  EXPECT_TRUE(zoom.StepUp());
  EXPECT_EQ(zoom.Value(), 80);

  NumericField size{8, 96, 2, 200};  // a start value out of range is brought in
  EXPECT_EQ(size.Text(), "96");
  EXPECT_FALSE(size.StepUp());
}

TEST(CaptionLines, SplitsAtEveryLineEndAndDropsOnlyTheLastEmptyLine) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(CaptionLines(""), Lines{});
  EXPECT_EQ(CaptionLines("a"), Lines{"a"});
  EXPECT_EQ(CaptionLines("a\r\n"), Lines{"a"});
  EXPECT_EQ(CaptionLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(CaptionLines("a\r\n\r\nb\r\n\r\n"), (Lines{"a", "", "b", ""}));
  EXPECT_EQ(CaptionLines("\n"), Lines{""});
  EXPECT_EQ(CaptionLines("\n\r"), (Lines{"", ""}));  // LF then a lone CR: two line ends
}

}  // namespace
}  // namespace corvanti
