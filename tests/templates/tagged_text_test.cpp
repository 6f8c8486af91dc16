#include "templates/tagged_text.h"

#include <gtest/gtest.h>

#include <fstream>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

TEST(TaggedText, UpperCasingTouchesOnlyAsciiLetters) {
  std::string text("ab\0z\xe4{`", 7);
  EXPECT_EQ(UpperAscii(text), std::string("AB\0Z\xe4{`", 7));
}

TEST(TaggedText, TextAfterAndBeforeIgnoreCaseAndUseTheFirstMarker) {
  EXPECT_EQ(TextAfter("HEAD<BMPIMAGE>one<BMPIMAGE>two", "<BmpImage>"), "one<BMPIMAGE>two");
  EXPECT_EQ(TextBefore("HEAD<BMPIMAGE>one<BMPIMAGE>two", "<bmpimage>"), "HEAD");
  EXPECT_EQ(TextAfter("no marker here", "<x>"), "no marker here");
  EXPECT_EQ(TextBefore("no marker here", "<x>"), "no marker here");
  EXPECT_EQ(TextBefore("Arial=0", "="), "Arial");
  EXPECT_EQ(TextBefore("=x", "="), "");
  EXPECT_EQ(TextAfter("x=", "="), "");
}

TEST(TaggedText, TextBetweenIsCaseSensitiveAndNeedsOpenBeforeClose) {
  EXPECT_EQ(TextBetween("<A>1</A><A>2</A>", "<A>", "</A>"), "1");
  EXPECT_EQ(TextBetween("</A>x<A>y</A>", "<A>", "</A>"), "");  // first close stands first
  EXPECT_EQ(TextBetween("<a>1</a>", "<A>", "</A>"), "");
  EXPECT_EQ(TextBetween("<A>1", "<A>", "</A>"), "");
  EXPECT_EQ(TextBetween("<A></A>", "<A>", "</A>"), "");
  // The close marker found inside the open one's span gives nothing, not a negative count.
  EXPECT_EQ(TextBetween("<AB>", "<AB>", "B>"), "");
  const std::string bytes("\0\r\n\xff", 4);
  EXPECT_EQ(TextBetween("<A>" + bytes + "</A>", "<A>", "</A>"), bytes);
}

TEST(TaggedText, ReplaceAllNeverSearchesWhatItInserted) {
  EXPECT_EQ(ReplaceAll("a-a-a", "a", "aa"), "aa-aa-aa");
  EXPECT_EQ(ReplaceAll("xxxx", "xx", "x"), "xx");
  EXPECT_EQ(ReplaceAll("[imagelist]", "[imagelist]", "<img>[imagelist]"), "<img>[imagelist]");
  EXPECT_EQ(ReplaceAll("abc", "", "z"), "abc");
  EXPECT_EQ(ReplaceAll("aBa", "b", "z"), "aBa");
}

TEST(TaggedText, SetTagValueAppendsOrReplacesInPlace) {
  EXPECT_EQ(SetTagValue("", "Button1-Text.left", "5"),
            "<BUTTON1-TEXT.LEFT>5</BUTTON1-TEXT.LEFT>\r\n");
  std::string text = SetTagValue("", "a", "1");
  text = SetTagValue(text, "b", "2");
  text = SetTagValue(text, "c", "3");
  text = SetTagValue(text, "B", "two");
  EXPECT_EQ(text, "<A>1</A>\r\n<B>two</B>\r\n<C>3</C>\r\n");
  // A caption with line ends is stored and read back unchanged.
  text = SetTagValue(text, "Button1-Text", "One\r\nTwo\r\n");
  EXPECT_EQ(GetTagValue(text, "button1-text"), "One\r\nTwo\r\n");
  EXPECT_EQ(GetTagValue(text, "b"), "two");
}

TEST(TaggedText, SetTagValueWithoutAWholeElementKeepsTheTextBefore) {
  const std::string text = "lead<A>broken";
  const std::string result = SetTagValue(text, "a", "new");
  EXPECT_EQ(result.rfind("lead<A>new</A>\r\n", 0), 0u);
}

TEST(TaggedText, GetTagValueFindsOnlyUpperCaseTags) {
  EXPECT_EQ(GetTagValue("<BUTTON1-TEXT.LEFT>7</BUTTON1-TEXT.LEFT>\r\n", "Button1-Text.left"), "7");
  EXPECT_EQ(GetTagValue("<Button1-Text.left>7</Button1-Text.left>\r\n", "Button1-Text.left"), "");
  EXPECT_EQ(GetTagValue("<BUTTON1-TEXT.LEFT>7", "Button1-Text.left"), "");
  EXPECT_EQ(GetTagValue("", "x"), "");
  // The first element of a key wins.
  EXPECT_EQ(GetTagValue("<K>1</K>\r\n<K>2</K>\r\n", "k"), "1");
}

TEST(TaggedText, YesIsExactlyOneCapitalY) {
  EXPECT_EQ(BoolToYN(true), "Y");
  EXPECT_EQ(BoolToYN(false), "N");
  EXPECT_TRUE(IsYes("Y"));
  EXPECT_FALSE(IsYes("y"));
  EXPECT_FALSE(IsYes("Yes"));
  EXPECT_FALSE(IsYes(""));
  EXPECT_FALSE(IsYes("N"));
}

TEST(TaggedText, WholeFilesKeepEveryByte) {
  test::TempDir dir;
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i % 256);
  WriteWholeFile(bytes, dir / "f.bin");
  const std::string back = ReadWholeFile(dir / "f.bin");
  EXPECT_EQ(back.size(), bytes.size());
  EXPECT_EQ(back, bytes);
  WriteWholeFile("", dir / "f.bin");
  EXPECT_EQ(ReadWholeFile(dir / "f.bin"), "");
}

TEST(TaggedText, FileErrorsCarryTheProgramsMessages) {
  test::TempDir dir;
  try {
    ReadWholeFile(dir / "missing.btt");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + (dir / "missing.btt").string());
  }
  // A folder that does not exist cannot take the file; nothing is created.
  EXPECT_THROW(WriteWholeFile("x", dir / "no" / "f.bin"), Error);
  EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

}  // namespace
}  // namespace corvanti
