#include "output/export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/picture_loader.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;

constexpr int kW = 6;
constexpr int kH = 4;

// Colours far enough apart to come back exactly through the GIF writer's colour reduction.
Colour NormalColour(int line) { return MakeColour(16 + 40 * (line % 6), 200, 32); }
Colour HoverColour(int line) { return MakeColour(248, 24 + 40 * (line % 6), 88); }
const Colour kKey = MakeColour(8, 16, 24);

// A stack of `lines` buttons of kW x kH, each a solid colour with a different corner pixel
// (so a strip's own corner index differs from the whole picture's), then the key row.
Picture Stack(int lines, Colour (*colour)(int)) {
  Picture p(kW, lines * kH + 1);
  p.Fill(kKey);
  for (int i = 0; i < lines; ++i) {
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) p.SetPixel(x, i * kH + y, colour(i));
    }
    p.SetPixel(0, i * kH, MakeColour(0, 0, 255 - 40 * (i % 6)));
  }
  return p;
}

Picture ExpectedStrip(const Picture& stack, int k) {
  Picture s(kW, kH);
  s.CopyFrom(stack, 0, (k - 1) * kH, kW, kH, 0, 0);
  return s;
}

// The exe folder (with script.txt) and a design of `caption`'s lines drawn without the
// regeneration: only what the export reads is set.
struct ExportSetup {
  test::TempDir exe;
  Design design;

  explicit ExportSetup(const std::string& caption, const std::string& script = "A[imagelist]B[testhtmlcode]C") {
    design.exeFolder = exe.path();
    if (!script.empty()) WriteWholeFile(script, exe / "script.txt");
    fs::create_directory(exe / "out");
    SetCaption(caption);
    design.buttonwidth.SetValue(120);
    design.tbg = false;
    design.Regenerating = kBusy;
  }
  void SetCaption(const std::string& caption) {
    design.edit1 = caption;
    const int n = static_cast<int>(CaptionLines(caption).size());
    design.ImageSource = Picture(kW, kH);
    design.Image2 = Stack(n, NormalColour);
    design.Image8 = Stack(n, HoverColour);
  }
  fs::path Out(const std::string& name) const { return exe / "out" / name; }
  std::set<std::string> OutFiles() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(exe / "out")) names.insert(e.path().filename().string());
    return names;
  }
};

// The graphic control extension of a GIF file, if it has one.
struct Gce {
  bool present = false;
  int flags = 0;
  int delay = 0;
  int index = 0;
};

Gce ReadGce(const std::string& gif) {
  Gce gce;
  std::size_t p = 13;
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(gif.at(i)); };
  if (byte(10) & 0x80) p += 3u << ((byte(10) & 7) + 1);
  while (p < gif.size() && byte(p) == 0x21) {
    if (byte(p + 1) == 0xF9) {
      gce.present = true;
      gce.flags = byte(p + 3);
      gce.delay = byte(p + 4) | (byte(p + 5) << 8);
      gce.index = byte(p + 6);
    }
    p += 2;
    while (byte(p) != 0) p += byte(p) + 1;
    ++p;
  }
  return gce;
}

std::string ExpectedEntry(bool column, const std::string& base, int k) {
  const std::string id = std::string(column ? "image99" : "image") + "120" + std::to_string(k);
  const std::string line = std::to_string(k);
  return "<A href=\"#\" onmouseover=\"MM_swapImage('" + id + "','','" + base + "_" + line +
         "_mouseover.gif',1)\" onmouseout=MM_swapImgRestore() ><img src=\"" + base + "_" + line +
         ".gif\" Border=\"0\" name=\"" + id + (column ? "\"></A><br>" : "\"></A>");
}

const char kTableOpen[] = "<table width=\"200\" border=\"0\"><tr><td>";
const char kTableClose[] = "</td></tr></table>";

TEST(Export, WritesTheWholePictureEveryStripAndThePageFromScriptTxt) {
  // An empty line among the captions counts; the empty last line after the final break does not.
  ExportSetup s("Home\r\n\r\nNews\r\n");
  s.design.SelectedLine = 2;
  ExportPicturesAndHtml(s.design, s.Out("nav.gif"));

  EXPECT_EQ(s.OutFiles(), (std::set<std::string>{"nav.gif", "nav_1.gif", "nav_2.gif", "nav_3.gif",
                                                  "nav_1_mouseover.gif", "nav_2_mouseover.gif",
                                                  "nav_3_mouseover.gif", "nav.htm"}));
  EXPECT_EQ(ToPicture24(LoadPicture(s.Out("nav.gif"))), s.design.Image2);
  for (int k = 1; k <= 3; ++k) {
    const std::string n = std::to_string(k);
    EXPECT_EQ(ToPicture24(LoadPicture(s.Out("nav_" + n + ".gif"))), ExpectedStrip(s.design.Image2, k));
    EXPECT_EQ(ToPicture24(LoadPicture(s.Out("nav_" + n + "_mouseover.gif"))),
              ExpectedStrip(s.design.Image8, k));
  }

  std::string row, column;
  for (int k = 1; k <= 3; ++k) {
    row += ExpectedEntry(false, "nav", k);
    column += ExpectedEntry(true, "nav", k);
  }
  EXPECT_EQ(ReadWholeFile(s.Out("nav.htm")),
            "A'nav_1_mouseover.gif','nav_2_mouseover.gif','nav_3_mouseover.gif'B" +
                std::string(kTableOpen) + row + kTableClose + "<hr>" + kTableOpen + column +
                kTableClose + "C");
  EXPECT_EQ(s.design.Regenerating, 0);
  EXPECT_EQ(s.design.SelectedLine, 2);  // the export itself leaves the selection alone
}

TEST(Export, PageBytesOfOneLineAreTheLiteralTable) {
  ExportSetup s("Home", "[testhtmlcode]");
  ExportPicturesAndHtml(s.design, s.Out("nav.gif"));
  EXPECT_EQ(ReadWholeFile(s.Out("nav.htm")),
            "<table width=\"200\" border=\"0\"><tr><td>"
            "<A href=\"#\" onmouseover=\"MM_swapImage('image1201','','nav_1_mouseover.gif',1)\" "
            "onmouseout=MM_swapImgRestore() ><img src=\"nav_1.gif\" Border=\"0\" name=\"image1201\"></A>"
            "</td></tr></table><hr><table width=\"200\" border=\"0\"><tr><td>"
            "<A href=\"#\" onmouseover=\"MM_swapImage('image991201','','nav_1_mouseover.gif',1)\" "
            "onmouseout=MM_swapImgRestore() ><img src=\"nav_1.gif\" Border=\"0\" name=\"image991201\">"
            "</A><br></td></tr></table>");
}

TEST(Export, FilesAreWrittenWholePictureFirstThenStripsThenMouseOverThenPage) {
  ExportSetup s("a\r\nb\r\nc");
  ExportPicturesAndHtml(s.design, s.Out("nav.gif"));
  const char* order[] = {"nav.gif", "nav_1.gif", "nav_2.gif", "nav_3.gif", "nav_1_mouseover.gif",
                         "nav_2_mouseover.gif", "nav_3_mouseover.gif", "nav.htm"};
  auto mtime = [&](const char* name) {
    struct stat st {};
    EXPECT_EQ(::stat(s.Out(name).c_str(), &st), 0);
    return std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
  };
  for (std::size_t i = 1; i < std::size(order); ++i) {
    EXPECT_LE(mtime(order[i - 1]), mtime(order[i])) << order[i - 1] << " before " << order[i];
  }
}

TEST(Export, AFailureKeepsWhatWasWrittenAndWritesNothingAfter) {
  {
    // A folder in the way of the second normal strip.
    ExportSetup s("a\r\nb\r\nc");
    fs::create_directory(s.Out("nav_2.gif"));
    try {
      ExportPicturesAndHtml(s.design, s.Out("nav.gif"));
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot create file " + s.Out("nav_2.gif").string());
    }
    EXPECT_EQ(s.OutFiles(), (std::set<std::string>{"nav.gif", "nav_1.gif", "nav_2.gif"}));
  }
  {
    // In the way of the second mouse-over strip: every normal strip came before it.
    ExportSetup s("a\r\nb\r\nc");
    fs::create_directory(s.Out("nav_2_mouseover.gif"));
    EXPECT_THROW(ExportPicturesAndHtml(s.design, s.Out("nav.gif")), Error);
    EXPECT_EQ(s.OutFiles(), (std::set<std::string>{"nav.gif", "nav_1.gif", "nav_2.gif", "nav_3.gif",
                                                    "nav_1_mouseover.gif", "nav_2_mouseover.gif"}));
  }
}

TEST(Export, MissingScriptTxtStopsAfterAllPictures) {
  ExportSetup s("a\r\nb", "");
  try {
    ExportPicturesAndHtml(s.design, s.Out("nav.gif"));
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + (s.exe / "script.txt").string());
  }
  EXPECT_EQ(s.OutFiles(), (std::set<std::string>{"nav.gif", "nav_1.gif", "nav_2.gif",
                                                  "nav_1_mouseover.gif", "nav_2_mouseover.gif"}));
}

TEST(Export, MissingFolderIsCannotCreateTheFirstPicture) {
  ExportSetup s("a");
  const fs::path target = s.exe / "nowhere" / "nav.gif";
  try {
    ExportPicturesAndHtml(s.design, target);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + target.string());
  }
  EXPECT_FALSE(fs::exists(s.exe / "nowhere"));
}

TEST(Export, ReplacesEarlierFilesAndLeavesHigherLineNumbers) {
  ExportSetup s("a\r\nb\r\nc");
  ExportPicturesAndHtml(s.design, s.Out("nav.gif"));
  s.SetCaption("x");
  s.design.Image2.Fill(MakeColour(7, 7, 7));
  ExportPicturesAndHtml(s.design, s.Out("nav.gif"));
  EXPECT_EQ(ToPicture24(LoadPicture(s.Out("nav_1.gif"))), test::SolidPicture(kW, kH, MakeColour(7, 7, 7)));
  EXPECT_TRUE(FileExists(s.Out("nav_3_mouseover.gif")));
  EXPECT_EQ(ReadWholeFile(s.Out("nav.htm")).find("nav_2"), std::string::npos);
  // Nothing of the writes beside the targets is left over.
  EXPECT_EQ(s.OutFiles().size(), 8u);
}

TEST(Export, TransparencyFollowsTbg) {
  ExportSetup s("a\r\nb");
  ExportPicturesAndHtml(s.design, s.Out("off.gif"));
  for (const char* name : {"off.gif", "off_1.gif", "off_2.gif", "off_1_mouseover.gif"}) {
    EXPECT_FALSE(ReadGce(ReadWholeFile(s.Out(name))).present) << name;
  }

  s.design.tbg = true;
  ExportPicturesAndHtml(s.design, s.Out("on.gif"));
  // The whole picture: its key colour (the bottom-left pixel) is the transparent one.
  const std::string whole = ReadWholeFile(s.Out("on.gif"));
  const Gce gce = ReadGce(whole);
  ASSERT_TRUE(gce.present);
  EXPECT_EQ(gce.flags & 1, 1);
  const DecodedPicture decoded = ReadGif(whole);
  const int bottom = decoded.height - 1;
  for (int x = 0; x < decoded.width; ++x) {
    EXPECT_EQ(decoded.indices[static_cast<std::size_t>(bottom * decoded.width + x)], gce.index);
  }
  EXPECT_EQ(std::count(decoded.indices.begin(), decoded.indices.end(), gce.index), decoded.width);

  // Every strip: delay 3000 and its own top-left pixel's index.
  for (const char* name : {"on_1.gif", "on_2.gif", "on_1_mouseover.gif", "on_2_mouseover.gif"}) {
    const std::string bytes = ReadWholeFile(s.Out(name));
    const Gce g = ReadGce(bytes);
    ASSERT_TRUE(g.present) << name;
    EXPECT_EQ(g.flags & 1, 1) << name;
    EXPECT_EQ(g.delay, 3000) << name;
    const DecodedPicture strip = ReadGif(bytes);
    ASSERT_FALSE(strip.indices.empty());
    EXPECT_EQ(g.index, strip.indices[0]) << name;
  }
}

TEST(Export, NoCaptionLinesWritesThePictureAndAPageWithEmptyTables) {
  ExportSetup s("", "[imagelist]|[testhtmlcode]|[imagelist]");
  ExportPicturesAndHtml(s.design, s.Out("nav.gif"));
  EXPECT_EQ(s.OutFiles(), (std::set<std::string>{"nav.gif", "nav.htm"}));
  EXPECT_EQ(ReadWholeFile(s.Out("nav.htm")),
            std::string("|") + kTableOpen + kTableClose + "<hr>" + kTableOpen + kTableClose + "|");
}

TEST(Export, LineNumbersOfTwoDigits) {
  std::string caption;
  for (int i = 1; i <= 11; ++i) caption += "line " + std::to_string(i) + "\r\n";
  ExportSetup s(caption, "[imagelist][testhtmlcode]");
  ExportPicturesAndHtml(s.design, s.Out("nav.gif"));
  EXPECT_EQ(s.OutFiles().size(), 1u + 11 + 11 + 1);
  EXPECT_EQ(ToPicture24(LoadPicture(s.Out("nav_10.gif"))), ExpectedStrip(s.design.Image2, 10));
  EXPECT_EQ(ToPicture24(LoadPicture(s.Out("nav_11_mouseover.gif"))), ExpectedStrip(s.design.Image8, 11));
  const std::string page = ReadWholeFile(s.Out("nav.htm"));
  EXPECT_NE(page.find(",'nav_9_mouseover.gif','nav_10_mouseover.gif','nav_11_mouseover.gif'<table"),
            std::string::npos);
  EXPECT_NE(page.find(ExpectedEntry(false, "nav", 10) + ExpectedEntry(false, "nav", 11) + kTableClose),
            std::string::npos);
  EXPECT_NE(page.find(ExpectedEntry(true, "nav", 10) + ExpectedEntry(true, "nav", 11) + kTableClose),
            std::string::npos);
}

TEST(Export, NamesComeFromTheLastComponentOnly) {
  ExportSetup s("a", "[testhtmlcode]");
  // A dot in the base name stays; only the last one starts the extension.
  ExportPicturesAndHtml(s.design, s.Out("my.nav.gif"));
  EXPECT_TRUE(FileExists(s.Out("my.nav_1.gif")));
  EXPECT_TRUE(FileExists(s.Out("my.nav_1_mouseover.gif")));
  EXPECT_EQ(ReadWholeFile(s.Out("my.nav.htm")), kTableOpen + ExpectedEntry(false, "my.nav", 1) +
                                                   kTableClose + "<hr>" + kTableOpen +
                                                   ExpectedEntry(true, "my.nav", 1) + kTableClose);

  // A dot in a folder name is no extension; a name without one is taken whole.
  fs::create_directory(s.exe / "site.v2");
  ExportPicturesAndHtml(s.design, s.exe / "site.v2" / "menu");
  EXPECT_TRUE(FileExists(s.exe / "site.v2" / "menu"));
  EXPECT_TRUE(FileExists(s.exe / "site.v2" / "menu_1.gif"));
  EXPECT_TRUE(FileExists(s.exe / "site.v2" / "menu.htm"));
}

TEST(Export, AChosenNameThatIsNotGif) {
  ExportSetup s("a", "page");
  ExportPicturesAndHtml(s.design, s.Out("nav.png"));
  EXPECT_EQ(ReadWholeFile(s.Out("nav.png")).substr(0, 3), "GIF");
  EXPECT_EQ(s.OutFiles(), (std::set<std::string>{"nav.png", "nav_1.gif", "nav_1_mouseover.gif", "nav.htm"}));

  // nav.htm: the whole picture goes there first, then the page replaces it.
  ExportSetup t("a", "page");
  ExportPicturesAndHtml(t.design, t.Out("nav.htm"));
  EXPECT_EQ(ReadWholeFile(t.Out("nav.htm")), "page");
  EXPECT_EQ(t.OutFiles(), (std::set<std::string>{"nav.htm", "nav_1.gif", "nav_1_mouseover.gif"}));
}

TEST(Export, HostileBaseNamesArePercentEncodedInThePageOnly) {
  ExportSetup s("a\r\nb", "[imagelist]|[testhtmlcode]");
  const std::string name = "it's \"<b>&\\ [imagelist] 100%";
  ExportPicturesAndHtml(s.design, s.Out(name + ".gif"));
  // The files keep the real name.
  EXPECT_TRUE(FileExists(s.Out(name + ".gif")));
  EXPECT_TRUE(FileExists(s.Out(name + "_2.gif")));
  EXPECT_TRUE(FileExists(s.Out(name + "_2_mouseover.gif")));
  const std::string page = ReadWholeFile(s.Out(name + ".htm"));
  const std::string encoded = "it%27s %22%3Cb%3E%26%5C [imagelist] 100%";
  std::string row, column;
  for (int k = 1; k <= 2; ++k) {
    row += ExpectedEntry(false, encoded, k);
    column += ExpectedEntry(true, encoded, k);
  }
  // Inserted text is not searched again: the marker inside the name stays.
  EXPECT_EQ(page, "'" + encoded + "_1_mouseover.gif','" + encoded + "_2_mouseover.gif'|" +
                      kTableOpen + row + kTableClose + "<hr>" + kTableOpen + column + kTableClose);
}

TEST(Export, AStackShorterThanItsLinesGivesBlackStrips) {
  ExportSetup s("a\r\nb\r\nc");
  s.design.Image2 = Stack(1, NormalColour);
  s.design.Image8 = Picture(kW, 2);
  ExportPicturesAndHtml(s.design, s.Out("nav.gif"));
  EXPECT_EQ(ToPicture24(LoadPicture(s.Out("nav_3.gif"))), Picture(kW, kH));
  EXPECT_EQ(ToPicture24(LoadPicture(s.Out("nav_1.gif"))), ExpectedStrip(s.design.Image2, 1));
}

// --- the browser preview ---

struct Calls {
  std::vector<std::string> log;
  int selectedAtRegeneration = -1;
  fs::path opened;
};

void Preview(ExportSetup& s, Calls& calls, bool open_fails = false) {
  PreviewInBrowser(
      s.design,
      [&](Design& d) {
        calls.log.push_back("regenerate");
        calls.selectedAtRegeneration = d.SelectedLine;
      },
      [&] { calls.log.push_back("events"); },
      [&](const fs::path& page) {
        calls.log.push_back("open");
        calls.opened = page;
        EXPECT_TRUE(FileExists(page));
        if (open_fails) throw Error("no browser");
      });
}

TEST(Preview, ExportsToTempTestGifAndOpensTheWrittenPage) {
  ExportSetup s("a\r\nb\r\nc\r\nd\r\ne\r\nf");
  fs::create_directory(s.exe / "temp");
  s.design.SelectedLine = 3;
  Calls calls;
  Preview(s, calls);
  EXPECT_EQ(calls.log, (std::vector<std::string>{"regenerate", "events", "open"}));
  EXPECT_EQ(calls.selectedAtRegeneration, kNoLineSelected);
  EXPECT_EQ(s.design.SelectedLine, kNoLineSelected);
  EXPECT_EQ(calls.opened, s.exe / "temp" / "test.htm");
  EXPECT_TRUE(FileExists(s.exe / "temp" / "test.gif"));
  EXPECT_TRUE(FileExists(s.exe / "temp" / "test_6_mouseover.gif"));

  // A second preview with fewer lines replaces the files; the old higher ones stay unnamed.
  s.SetCaption("a\r\nb\r\nc");
  Calls again;
  Preview(s, again, /*open_fails=*/true);  // a failure to open is not reported
  EXPECT_EQ(again.log.back(), "open");
  EXPECT_TRUE(FileExists(s.exe / "temp" / "test_6.gif"));
  const std::string page = ReadWholeFile(s.exe / "temp" / "test.htm");
  EXPECT_NE(page.find("test_3_mouseover.gif"), std::string::npos);
  EXPECT_EQ(page.find("test_4"), std::string::npos);
  EXPECT_EQ(s.OutFiles().size(), 0u);  // nothing outside temp/
}

TEST(Preview, MissingTempOrScriptStopsBeforeOpening) {
  {
    ExportSetup s("a");
    Calls calls;
    try {
      Preview(s, calls);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot create file " + (s.exe / "temp" / "test.gif").string());
    }
    EXPECT_EQ(calls.log, (std::vector<std::string>{"regenerate", "events"}));
  }
  {
    ExportSetup s("a", "");
    fs::create_directory(s.exe / "temp");
    Calls calls;
    try {
      Preview(s, calls);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot open file " + (s.exe / "script.txt").string());
    }
    EXPECT_TRUE(FileExists(s.exe / "temp" / "test_1_mouseover.gif"));
    EXPECT_FALSE(FileExists(s.exe / "temp" / "test.htm"));
    EXPECT_EQ(calls.opened, fs::path());
  }
}

}  // namespace
}  // namespace corvanti
