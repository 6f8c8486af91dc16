#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "codecs/bmp_writer.h"
#include "codecs/file_io.h"
#include "codecs/picture_loader.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string err;
};

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

// Runs a corvanti-cli (the built one unless told otherwise) with no display in reach and a
// platform that would need one: render must choose the offscreen platform itself.
Result Render(const test::TempDir& dir, const std::string& args, const fs::path& cli) {
  const std::string err_file = (dir / "stderr.txt").string();
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " + Q(cli) +
                              " render " + args + " 2>'" + err_file + "'";
  const int raw = std::system(command.c_str());
  Result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ""};
  if (FileExists(err_file)) r.err = ReadWholeFile(err_file);
  return r;
}

// A template with embedded pictures: a framed 60 x 14 button and the given settings.
void WriteTemplate(const fs::path& path, const std::string& settings) {
  Picture master(60, 14);
  master.Fill(MakeColour(40, 90, 160));
  for (int x = 0; x < 60; ++x) {
    master.SetPixel(x, 0, MakeColour(200, 200, 200));
    master.SetPixel(x, 13, MakeColour(10, 10, 10));
  }
  const std::string bmp = EncodeBmp24(master);
  WriteWholeFile("<BUTTON1-OPENFILE>InsideXMLFile</BUTTON1-OPENFILE>\r\n" + settings + "<BmpImage>" +
                     bmp + "</BmpImage>\r\n<BmpShadowImage>" + bmp +
                     "</BmpShadowImage>\r\n<BmpBGImage></BmpBGImage>",
                 path);
}

const char kThreeLines[] =
    "<BUTTON1-TEXT>Home\r\n\r\nNews</BUTTON1-TEXT>\r\n<BUTTON1-TEXT.TBG>Y</BUTTON1-TEXT.TBG>\r\n";

std::set<std::string> Files(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

// The program in an app folder of its own: every load writes its scratch pictures into
// temp/, and tests running side by side must not read each other's.
fs::path PrivateCli(const fs::path& app, bool with_temp = true, bool with_script = true) {
  fs::create_directories(app);
  for (const char* file : {"corvanti-cli", "corvanti-render.so"}) {
    std::error_code ec;
    fs::create_hard_link(test::BinDir() / file, app / file, ec);
    if (ec) fs::copy_file(test::BinDir() / file, app / file);
  }
  if (with_temp) fs::create_directory(app / "temp");
  if (with_script) fs::copy_file(test::BinDir() / "script.txt", app / "script.txt");
  fs::create_directory_symlink(test::BinDir() / "background", app / "background");
  return app / "corvanti-cli";
}

struct RenderSetup {
  test::TempDir dir;
  fs::path out = dir / "out";
  fs::path cli = PrivateCli(dir / "app");
  RenderSetup() {
    fs::create_directory(out);
    WriteTemplate(dir / "t.btt", kThreeLines);
  }
  std::string Template() const { return Q(dir / "t.btt"); }
  Result Run(const std::string& args) const { return Render(dir, args, cli); }
};

TEST(CliRender, RendersATemplateAsSavePictureAndHtmlDoes) {
  RenderSetup s;
  Result r = s.Run(s.Template() + " -o " + Q(s.out / "nav.gif"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Files(s.out), (std::set<std::string>{"nav.gif", "nav_1.gif", "nav_2.gif", "nav_3.gif",
                                                 "nav_1_mouseover.gif", "nav_2_mouseover.gif",
                                                 "nav_3_mouseover.gif", "nav.htm"}));
  const Picture strip = ToPicture24(LoadPicture(s.out / "nav_2.gif"));
  EXPECT_EQ(strip.Width(), 60);
  EXPECT_EQ(strip.Height(), 14);
  const std::string page = ReadWholeFile(s.out / "nav.htm");
  EXPECT_NE(page.find("['nav_1_mouseover.gif','nav_2_mouseover.gif','nav_3_mouseover.gif']"),
            std::string::npos);
  EXPECT_NE(page.find("name=\"image99603\"></A><br>"), std::string::npos);
  // tbg on: strips carry the corner transparency with its delay.
  EXPECT_NE(ReadWholeFile(s.out / "nav_1.gif").find("\x21\xF9\x04\x01\xB8\x0B"), std::string::npos);
}

TEST(CliRender, TextFileAndSettingsOverrideTheTemplate) {
  RenderSetup s;
  WriteWholeFile("One\rTwo\nThree\r\nFour\r\n", s.dir / "caption.txt");
  Result r = s.Run(s.Template() + " --text-file " + Q(s.dir / "caption.txt") +
                               " --set button1-text.TBG=N --set Button1-Text.width=150" +
                               " --set Button1-Text.style.color3=255 -o " + Q(s.out / "nav.gif"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(FileExists(s.out / "nav_4_mouseover.gif"));
  EXPECT_FALSE(FileExists(s.out / "nav_5.gif"));
  EXPECT_EQ(ToPicture24(LoadPicture(s.out / "nav_1.gif")).Width(), 150);
  EXPECT_NE(ReadWholeFile(s.out / "nav.htm").find("name=\"image1504\""), std::string::npos);
  EXPECT_EQ(ReadWholeFile(s.out / "nav_1.gif").find("\x21\xF9\x04"), std::string::npos);
  // Line 4's face is red.
  const Picture four = ToPicture24(LoadPicture(s.out / "nav_4.gif"));
  const Colour face = four.Pixel(four.Width() / 2, four.Height() / 2);
  EXPECT_GT(RedOf(face), 150);
  EXPECT_LT(BlueOf(face), 80);

  // The caption itself, and a background picture by its path.
  Picture wall(40, 40);
  wall.Fill(MakeColour(250, 250, 0));
  WriteBmpFile(wall, s.dir / "wall.bmp");
  r = s.Run(s.Template() + " --set Button1-Text=Solo --set Button1-Text.bgpicture=Y" +
                        " --set Button1-Text.bgpicture.filename=" + Q(s.dir / "wall.bmp") + " -o " +
                        Q(s.out / "solo.gif"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(FileExists(s.out / "solo_1.gif"));
  EXPECT_FALSE(FileExists(s.out / "solo_2.gif"));
  const Picture solo = ToPicture24(LoadPicture(s.out / "solo_1.gif"));
  EXPECT_GT(GreenOf(solo.Pixel(solo.Width() - 3, solo.Height() / 2)), 150);
}

TEST(CliRender, UsageErrorsExitTwoAndWriteNothing) {
  RenderSetup s;
  const std::string out = " -o " + Q(s.out / "nav.gif");
  for (const std::string& args :
       {std::string(), s.Template(), out, s.Template() + " " + s.Template() + out,
        s.Template() + out + " --set Button1-Openfile=x.bmp",
        s.Template() + out + " --set Button1-Text.colour=1",
        s.Template() + out + " --set Button1-Text.style.color1000=1",
        s.Template() + out + " --set Button1-Text.width", s.Template() + out + " --bogus",
        s.Template() + out + " --text-file"}) {
    Result r = s.Run(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find("usage: corvanti-cli render"), std::string::npos) << args;
  }
  EXPECT_TRUE(Files(s.out).empty());
}

TEST(CliRender, FailuresExitOneWithTheMessage) {
  RenderSetup s;
  const std::string out = " -o " + Q(s.out / "nav.gif");

  Result r = s.Run(Q(s.dir / "none.btt") + out);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "corvanti-cli: Cannot open file " + (s.dir / "none.btt").string() + "\n");

  // An older template naming a master picture that is not there.
  WriteWholeFile("<BUTTON1-OPENFILE>gone</BUTTON1-OPENFILE>\r\n", s.dir / "old.btt");
  r = s.Run(Q(s.dir / "old.btt") + out);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "corvanti-cli: Cannot use " + (s.dir / "old.btt").string() +
                       " as a template: it holds no master picture\n");

  r = s.Run(s.Template() + out + " --set Button1-Text.color=red");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("'red' is not a valid integer value"), std::string::npos) << r.err;

  r = s.Run(s.Template() + out + " --text-file " + Q(s.dir / "none.txt"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot open file " + (s.dir / "none.txt").string()), std::string::npos);

  r = s.Run(s.Template() + out + " --set Button1-Text.bgpicture.filename=no-such.jpg");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot open file " + (s.dir / "app" / "background" / "no-such.jpg").string()),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(Files(s.out).empty());

  r = s.Run(s.Template() + " -o " + Q(s.dir / "missing" / "nav.gif"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "corvanti-cli: Cannot create file " + (s.dir / "missing" / "nav.gif").string() + "\n");

  // Without its renderer module the program still converts, and says what render lacks.
  fs::remove(s.dir / "app" / "corvanti-render.so");
  r = s.Run(s.Template() + out);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("corvanti-cli: Cannot load the renderer " + (s.dir / "app" / "corvanti-render.so").string(), 0),
            0u)
      << r.err;
  EXPECT_TRUE(Files(s.out).empty());
}

TEST(CliRender, AnAppFolderWithoutScriptTxtFailsAndTempIsNeverTouched) {
  RenderSetup s;
  const fs::path app = s.dir / "bare";
  const fs::path cli = PrivateCli(app, /*with_temp=*/false, /*with_script=*/false);
  const std::string out = " -o " + Q(s.out / "nav.gif");
  // The run's scratch files go to a folder of its own, gone when it ends.
  const fs::path tmp = s.dir / "tmp";
  fs::create_directory(tmp);
  ::setenv("TMPDIR", tmp.c_str(), 1);

  // No script.txt: every picture, then the message, and no page.
  Result r = Render(s.dir, s.Template() + out, cli);
  ::unsetenv("TMPDIR");
  EXPECT_FALSE(fs::exists(app / "temp"));
  for (const std::string& name : Files(tmp)) EXPECT_NE(name.rfind("corvanti-cli-", 0), 0u) << name;
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "corvanti-cli: Cannot open file " + (app / "script.txt").string() + "\n");
  EXPECT_EQ(Files(s.out), (std::set<std::string>{"nav.gif", "nav_1.gif", "nav_2.gif", "nav_3.gif",
                                                 "nav_1_mouseover.gif", "nav_2_mouseover.gif",
                                                 "nav_3_mouseover.gif"}));
}

TEST(CliRender, WebWritesPngsStyleAndPageWithTheLinks) {
  RenderSetup s;
  WriteWholeFile("https://example.com/\n\n", s.dir / "links.txt");
  Result r = s.Run(s.Template() + " -o " + Q(s.out / "nav.html") + " --web --links " +
                   Q(s.dir / "links.txt") + " --set Button1-Text.link2=/news");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Files(s.out).size(), 3 * 4 + 3u);
  const std::string page = ReadWholeFile(s.out / "nav.html");
  EXPECT_NE(page.find("href=\"https://example.com/\""), std::string::npos);
  EXPECT_NE(page.find("href=\"/news\""), std::string::npos);

  r = s.Run(s.Template() + " -o " + Q(s.out / "x.gif") + " --links " + Q(s.dir / "links.txt"));
  EXPECT_EQ(r.status, 2);
  WriteWholeFile("javascript:void(0)\n", s.dir / "bad.txt");
  r = s.Run(s.Template() + " -o " + Q(s.out / "y.html") + " --web --links " + Q(s.dir / "bad.txt"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("would run a script"), std::string::npos) << r.err;
}

TEST(CliRender, TheShippedTemplateRendersWithoutADisplay) {
  const fs::path shipped = test::BinDir() / "media" / "button" / "zuri-color.btt";
  if (!FileExists(shipped)) GTEST_SKIP() << "no shipped template at " << shipped;
  test::TempDir dir;
  Result r = Render(dir, Q(shipped) + " -o " + Q(dir / "buttons.gif"), PrivateCli(dir / "app"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(FileExists(dir / "buttons.htm"));
  EXPECT_TRUE(FileExists(dir / "buttons_1_mouseover.gif"));
}

}  // namespace
}  // namespace corvanti
