#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "codecs/bmp_writer.h"
#include "codecs/file_io.h"
#include "codecs/picture_loader.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

struct CliRun {
  int status;
  std::string err;
};

// Runs the built corvanti-cli with the arguments, capturing stderr.
CliRun RunCli(const test::TempDir& dir, const std::string& args) {
  const std::string err_file = (dir / "stderr.txt").string();
  const std::string command =
      "'" + (test::BinDir() / "corvanti-cli").string() + "' " + args + " 2>'" + err_file + "'";
  int raw = std::system(command.c_str());
  CliRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ""};
  if (FileExists(err_file)) run.err = ReadWholeFile(err_file);
  return run;
}

std::string Q(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

TEST(CliConvert, BmpToGifAndBackKeepsEveryPixelOfAFewColours) {
  test::TempDir dir;
  Picture p = test::SolidPicture(7, 5, MakeColour(200, 30, 40));
  p.SetPixel(3, 2, MakeColour(0, 0, 255));
  WriteBmpFile(p, dir / "in.bmp");

  CliRun gif = RunCli(dir, "convert " + Q(dir / "in.bmp") + " " + Q(dir / "out.gif"));
  ASSERT_EQ(gif.status, 0) << gif.err;
  CliRun bmp = RunCli(dir, "convert " + Q(dir / "out.gif") + " " + Q(dir / "back.BMP"));
  ASSERT_EQ(bmp.status, 0) << bmp.err;
  EXPECT_EQ(ToPicture24(ReadBmpFile(dir / "back.BMP")), p);
}

TEST(CliConvert, TransparencyKindsReachTheFile) {
  test::TempDir dir;
  WriteBmpFile(test::SolidPicture(4, 4, MakeColour(9, 9, 9)), dir / "in.bmp");
  ASSERT_EQ(RunCli(dir, "convert " + Q(dir / "in.bmp") + " " + Q(dir / "n.gif")).status, 0);
  ASSERT_EQ(RunCli(dir, "convert " + Q(dir / "in.bmp") + " " + Q(dir / "c.gif") +
                            " --transparency corner").status, 0);
  ASSERT_EQ(RunCli(dir, "convert --transparency=key " + Q(dir / "in.bmp") + " " +
                            Q(dir / "k.gif")).status, 0);
  const std::string gce = "\x21\xF9\x04";
  EXPECT_EQ(ReadWholeFile(dir / "n.gif").find(gce), std::string::npos);
  EXPECT_NE(ReadWholeFile(dir / "c.gif").find(gce + "\x01\xB8\x0B"), std::string::npos);
  EXPECT_NE(ReadWholeFile(dir / "k.gif").find(gce + std::string("\x01\x00\x00", 3)),
            std::string::npos);
}

TEST(CliConvert, UsageErrorsExitTwoAndFailuresExitOne) {
  test::TempDir dir;
  WriteBmpFile(test::SolidPicture(2, 2, 0), dir / "in.bmp");
  EXPECT_EQ(RunCli(dir, "").status, 2);
  EXPECT_EQ(RunCli(dir, "frobnicate").status, 2);
  EXPECT_EQ(RunCli(dir, "convert " + Q(dir / "in.bmp")).status, 2);
  EXPECT_EQ(RunCli(dir, "convert " + Q(dir / "in.bmp") + " " + Q(dir / "o.png")).status, 2);
  EXPECT_EQ(RunCli(dir, "convert " + Q(dir / "in.bmp") + " " + Q(dir / "o.gif") +
                            " --transparency maybe").status, 2);
  EXPECT_EQ(RunCli(dir, "convert " + Q(dir / "in.bmp") + " " + Q(dir / "o.gif") + " --bogus")
                .status, 2);

  CliRun missing = RunCli(dir, "convert " + Q(dir / "nope.bmp") + " " + Q(dir / "o.gif"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Cannot open file " + (dir / "nope.bmp").string()), std::string::npos);

  WriteWholeFile("not a bitmap at all", dir / "bad.bmp");
  CliRun bad = RunCli(dir, "convert " + Q(dir / "bad.bmp") + " " + Q(dir / "o.gif"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("Bitmap image is not valid"), std::string::npos);
  EXPECT_FALSE(FileExists(dir / "o.gif"));

  WriteWholeFile("II*", dir / "x.tif");
  CliRun unknown = RunCli(dir, "convert " + Q(dir / "x.tif") + " " + Q(dir / "o.gif"));
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("Unknown picture file extension (.tif)"), std::string::npos);

  CliRun nofolder = RunCli(dir, "convert " + Q(dir / "in.bmp") + " " + Q(dir / "no" / "o.gif"));
  EXPECT_EQ(nofolder.status, 1);
  EXPECT_NE(nofolder.err.find("Cannot create file"), std::string::npos);
}

}  // namespace
}  // namespace corvanti
