#include <QImage>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codecs/bmp_writer.h"
#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/picture.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

using test::ErrorOf;
using test::TempDir;

TEST(Picture, SizeCapIsCheckedBeforeAllocation) {
  EXPECT_THROW(Picture(-1, 5), Error);
  EXPECT_THROW(Picture(1 << 20, 1 << 20), Error);
  EXPECT_THROW(CheckPictureSize(kMaxPicturePixels, 2), Error);
  EXPECT_NO_THROW(CheckPictureSize(kMaxPicturePixels, 1));
  Picture empty(0, 7);
  EXPECT_TRUE(empty.Empty());
}

TEST(Picture, PixelsAreBlueGreenRedInRows) {
  Picture p(3, 2);
  p.SetPixel(2, 1, MakeColour(10, 20, 30));
  const std::uint8_t* row = p.Row(1);
  EXPECT_EQ(row[6], 30);  // blue first
  EXPECT_EQ(row[7], 20);
  EXPECT_EQ(row[8], 10);
  EXPECT_EQ(p.Pixel(2, 1), MakeColour(10, 20, 30));
  EXPECT_EQ(RedOf(p.Pixel(2, 1)), 10);
}

TEST(Picture, CopyFromClipsAtEveryEdge) {
  Picture src = test::SolidPicture(4, 4, MakeColour(255, 0, 0));
  Picture dst(5, 5);
  dst.CopyFrom(src, -1, -1, 10, 10, 2, 2);  // source clipped on the left/top, target on the right
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(dst.Pixel(x, y), (x >= 3 && y >= 3) ? MakeColour(255, 0, 0) : 0u) << x << "," << y;
  dst.CopyFrom(src, 0, 0, 4, 4, -10, -10);  // wholly outside: nothing happens
  dst.CopyFrom(src, 0, 0, 4, 4, 7, 0);
  EXPECT_EQ(dst.Pixel(0, 0), 0u);
}

TEST(FileIo, ReadsEveryByteAndReportsMissingFiles) {
  TempDir dir;
  const std::string bytes("a\0b\r\n\xff", 6);
  WriteWholeFile(bytes, dir / "x.bin");
  EXPECT_EQ(ReadWholeFile(dir / "x.bin"), bytes);
  try {
    ReadWholeFile(dir / "missing.bin");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + (dir / "missing.bin").string());
  }
  EXPECT_THROW(ReadWholeFile(dir.path()), Error);  // a folder is not a file
}

TEST(FileIo, ReplaceKeepsTheOldFileWhenTheNewOneCannotBeWritten) {
  TempDir dir;
  WriteWholeFile("old", dir / "a.txt");
  WriteWholeFile("new contents", dir / "a.txt");
  EXPECT_EQ(ReadWholeFile(dir / "a.txt"), "new contents");
  WriteWholeFile("", dir / "a.txt");
  EXPECT_EQ(ReadWholeFile(dir / "a.txt"), "");

  try {
    WriteWholeFile("x", dir / "no-such-folder" / "b.gif", CreateFailure::kCannotCreate);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file " + (dir / "no-such-folder" / "b.gif").string());
  }
  try {
    WriteWholeFile("x", dir / "no-such-folder" / "b.htm", CreateFailure::kIoError);
    FAIL();
  } catch (const Error& e) {
    // The system's text names the file it is about.
    EXPECT_EQ(std::string(e.what()),
              "Path not found (" + (dir / "no-such-folder" / "b.htm").string() + ")");
  }
  // No scratch file is left behind.
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(FileIo, ReadOnlyTargetIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes any file";
  TempDir dir;
  WriteWholeFile("keep", dir / "ro.gif");
  ::chmod((dir / "ro.gif").c_str(), 0444);
  EXPECT_THROW(WriteWholeFile("new", dir / "ro.gif", CreateFailure::kCannotCreate), Error);
  StagedFile staged("new", dir / "ro.gif");
  staged.Stage();
  EXPECT_THROW(staged.Commit(CreateFailure::kCannotCreate), Error);
  EXPECT_EQ(ReadWholeFile(dir / "ro.gif"), "keep");
}

// A staged file is in the folder only once committed, whole; an existing target is
// replaced, and a failure reads as WriteWholeFile's.
TEST(FileIo, StagedFileAppearsOnlyWhenCommitted) {
  TempDir dir;
  auto names = [&] {
    std::vector<std::string> found;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) found.push_back(e.path().filename());
    std::sort(found.begin(), found.end());
    return found;
  };
  {
    StagedFile dropped("never", dir / "dropped.gif");
    dropped.Stage();
  }
  StagedFile fresh("fresh", dir / "new.gif");
  StagedFile again("second", dir / "old.gif");
  fresh.Stage();
  again.Stage();
  WriteWholeFile("first", dir / "old.gif");
  EXPECT_EQ(names(), std::vector<std::string>{"old.gif"});
  fresh.Commit(CreateFailure::kCannotCreate);
  again.Commit(CreateFailure::kCannotCreate);
  EXPECT_EQ(names(), (std::vector<std::string>{"new.gif", "old.gif"}));
  EXPECT_EQ(ReadWholeFile(dir / "new.gif"), "fresh");
  EXPECT_EQ(ReadWholeFile(dir / "old.gif"), "second");
  StagedFile lost("x", dir / "no-such-folder" / "b.gif");
  lost.Stage();
  EXPECT_EQ(ErrorOf([&] { lost.Commit(CreateFailure::kCannotCreate); }),
            "Cannot create file " + (dir / "no-such-folder" / "b.gif").string());
}

TEST(BmpWriter, WritesWhatAnIndependentReaderSees) {
  test::EnsureGuiApplication();
  TempDir dir;
  for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {5, 7}, {64, 3}}) {
    Picture p = test::PhotoLikePicture(w, h, static_cast<unsigned>(w * 31 + h));
    WriteBmpFile(p, dir / "p.bmp");
    QImage image(QString::fromStdString((dir / "p.bmp").string()), "BMP");
    ASSERT_FALSE(image.isNull()) << w << "x" << h;
    ASSERT_EQ(image.width(), w);
    ASSERT_EQ(image.height(), h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        QRgb q = image.pixel(x, y);
        EXPECT_EQ(p.Pixel(x, y), MakeColour(qRed(q), qGreen(q), qBlue(q)));
      }
  }
}

}  // namespace
}  // namespace corvanti
