#include "codecs/file_io.h"
#include "templates/template_file.h"

#include <gtest/gtest.h>

#include "codecs/bmp_writer.h"
#include "codecs/error.h"
#include "support/test_support.h"
#include "templates/background.h"
#include "templates/tagged_text.h"

namespace corvanti {
namespace {

using test::ErrorOf;

namespace fs = std::filesystem;
using test::PhotoLikePicture;
using test::SolidPicture;

// Counts regenerations and notes whether the busy flag was clear when each ran.
struct RegenerateSpy {
  int calls = 0;
  bool busyDuringCall = false;
  RegenerateFn Fn() {
    return [this](Design& d) {
      ++calls;
      if (d.Regenerating != 0) busyDuringCall = true;
    };
  }
};

// An app folder with temp/ and background/, and a design that lives in it.
struct AppFolder {
  test::TempDir dir;
  fs::path exe = dir.path() / "app";
  AppFolder() {
    fs::create_directories(exe / "temp");
    fs::create_directories(exe / "background");
  }
  Design NewDesign() const {
    Design d;
    d.exeFolder = exe;
    return d;
  }
};

std::string Element(const std::string& key, const std::string& value) {
  return SetTagValue("", key, value);
}

std::string Embedded(const std::string& settings, const std::string& master,
                     const std::string& alpha, const std::string& background = "") {
  return settings + "<BmpImage>" + master + "</BmpImage>\r\n<BmpShadowImage>" + alpha +
         "</BmpShadowImage>\r\n<BmpBGImage>" + background + "</BmpBGImage>";
}

const std::string kInside = Element("Button1-Openfile", "InsideXMLFile");

TEST(TemplateSettingsText, DefaultDesignGivesTheDocumentedBytes) {
  Design d;
  BuildTemplateSettingsText(d);
  std::string expected;
  auto add = [&](const char* key, const char* value) { expected += Element(key, value); };
  add("Button1-Openfile", "InsideXMLFile");
  add("Button1-Text", "Button Test1\r\nButton Test2\r\nButton Test3\r\nButton Test4\r\n"
                      "Button Test5\r\nButton Test6");
  add("Button1-Text.left", "0");
  add("Button1-Text.top", "0");
  add("Button1-Text.width", "0");
  add("Button1-Text.height", "0");
  add("Button1-Text.transparency.left", "0");
  add("Button1-Text.transparency.right", "0");
  add("Button1-Text.transparency", "100");
  add("Button1-Text.color", "16777215");
  add("Button1-Text.size", "16");
  add("Button1-Text.zoom", "100");
  add("Button1-Text.fontname", "MS Sans Serif");
  add("Button1-Text.style.bold", "N");
  add("Button1-Text.style.italic", "N");
  add("Button1-Text.style.underline", "N");
  add("Button1-Text.style.shadow", "N");
  add("Button1-Text.style.shadow.colortransparency", "50");
  add("Button1-Text.style.shadow.color", "16777215");
  add("Button1-Text.style.shadow.strong", "Y");
  add("Button1-Text.style.left", "Y");
  add("Button1-Text.style.center", "N");
  add("Button1-Text.style.right", "N");
  add("Button1-Text.tbg", "Y");
  add("Button1-Text.bgpicture", "Y");
  add("Button1-Text.bgpicture.left", "0");
  add("Button1-Text.bgpicture.top", "0");
  add("Button1-Text.bgpicture.h", "Y");
  add("Button1-Text.bgpicture.v", "N");
  add("Button1-Text.bgpicture.s", "N");
  add("Button1-Text.bgpicture.filename", "");
  for (int line = 0; line < 6; ++line) {
    add(("Button1-Text.style.color" + std::to_string(line)).c_str(), "0");
  }
  EXPECT_EQ(d.Memo1, expected);
  EXPECT_EQ(d.Memo1.substr(0, 52), "<BUTTON1-OPENFILE>InsideXMLFile</BUTTON1-OPENFILE>\r\n");
}

TEST(TemplateSettingsText, WritesValuesSignedColoursAndTheFontNameBeforeEquals) {
  Design d;
  d.fontname = "Arial=Western";
  d.fontcolor = 0xFFFFFFFFu;  // a colour with its high byte set reads back as -1
  d.buttonwidth.SetText("500");  // out of range until committed: its value is written
  d.fontzoom.SetText("wide");    // not an integer: the field's minimum is its value
  d.edit1 = "One\r\n";          // a last empty line gets no colour element
  d.LineColors[0] = 255;
  BuildTemplateSettingsText(d);
  EXPECT_EQ(GetTagValue(d.Memo1, "Button1-Text.fontname"), "Arial");
  EXPECT_EQ(GetTagValue(d.Memo1, "Button1-Text.color"), "-1");
  EXPECT_EQ(GetTagValue(d.Memo1, "Button1-Text.width"), "500");
  EXPECT_EQ(GetTagValue(d.Memo1, "Button1-Text.zoom"), "75");
  EXPECT_EQ(GetTagValue(d.Memo1, "Button1-Text.style.color0"), "255");
  EXPECT_EQ(d.Memo1.find("STYLE.COLOR1"), std::string::npos);
}

TEST(TemplateSettingsText, ACaptionHoldingATagTakesThatElementsPlace) {
  Design d;
  d.edit1 = "x<BUTTON1-TEXT.LEFT>1</BUTTON1-TEXT.LEFT>\r\ny";
  d.fontx.SetValue(5);
  BuildTemplateSettingsText(d);
  // Values are not escaped: the element is replaced where it is first found.
  EXPECT_EQ(GetTagValue(d.Memo1, "Button1-Text"), "x<BUTTON1-TEXT.LEFT>5</BUTTON1-TEXT.LEFT>\r\ny");
  EXPECT_EQ(d.Memo1.find("<BUTTON1-TEXT.LEFT>"), d.Memo1.rfind("<BUTTON1-TEXT.LEFT>"));
}

TEST(TemplateSettingsText, MatchesElementByElementEditingWhateverTheCaptionsHold) {
  // The text must equal what SetTagValue gives when every element goes through it, also
  // when caption lines carry colour tags, whole or without their closing tags.
  const std::string captions[] = {
      "a\r\nb\r\nc",
      "<BUTTON1-TEXT.STYLE.COLOR1>7</BUTTON1-TEXT.STYLE.COLOR1>\r\nb\r\nc",
      "x<BUTTON1-TEXT.STYLE.COLOR2>\r\n<BUTTON1-TEXT.STYLE.COLOR0>\r\nz",
      "</BUTTON1-TEXT.STYLE.COLOR1>\r\n<button1-text.style.color1>\r\n<BUTTON1-TEXT.STYLE.COLOR1>",
  };
  int compared = 0;
  for (const std::string& caption : captions) {
    Design d;
    d.edit1 = caption;
    for (int i = 0; i < 3; ++i) d.LineColors[i] = static_cast<Colour>(100 + i);
    BuildTemplateSettingsText(d);
    const std::string fast = d.Memo1;

    std::string reference;
    const std::pair<const char*, std::string> head[] = {{"Button1-Openfile", "InsideXMLFile"},
                                                        {"Button1-Text", d.edit1}};
    for (const auto& [key, value] : head) reference = SetTagValue(reference, key, value);
    // The remaining rows are those of the fast text, in its order.
    std::string rest = TextAfter(fast, "</BUTTON1-TEXT>\r\n");
    reference += TextBefore(rest, "<BUTTON1-TEXT.STYLE.COLOR0>");
    if (GetTagValue(reference, "Button1-Text") != d.edit1) continue;  // caption rewritten in place
    for (int line = 0; line < 3; ++line) {
      reference = SetTagValue(reference, "Button1-Text.style.color" + std::to_string(line),
                              std::to_string(100 + line));
    }
    EXPECT_EQ(fast, reference) << caption;
    ++compared;
  }
  EXPECT_EQ(compared, 4);
}

TEST(TemplateSettingsText, WritesNoColourPastTheTable) {
  Design d;
  d.edit1.clear();
  for (int i = 0; i < 1200; ++i) d.edit1 += "L" + std::to_string(i) + "\r\n";
  BuildTemplateSettingsText(d);
  EXPECT_NE(d.Memo1.find("<BUTTON1-TEXT.STYLE.COLOR999>"), std::string::npos);
  EXPECT_EQ(d.Memo1.find("<BUTTON1-TEXT.STYLE.COLOR1000>"), std::string::npos);
}

// A design that differs from the defaults in every stored setting.
void ChangeEverySetting(Design& d) {
  d.edit1 = "Home\r\nProducts & more\r\n\r\nContact";
  d.fontx.SetValue(7);
  d.fonty.SetValue(3);
  d.buttonwidth.SetValue(120);
  d.buttonheight.SetValue(25);
  d.tleft.SetValue(10);
  d.tright.SetValue(15);
  d.tt.SetValue(85);
  d.fontcolor = MakeColour(10, 20, 30);
  d.fontsize.SetValue(22);
  d.fontzoom.SetValue(120);
  d.fontname = "Liberation Sans";
  d.ToolButton1 = true;
  d.ToolButton2 = true;
  d.ToolButton3 = true;
  d.ToolButton7 = true;
  d.shadowcolort.SetValue(35);
  d.shadowcolor = MakeColour(1, 2, 3);
  d.StrongShadow = false;
  d.ToolButton9 = false;
  d.ToolButton10 = true;
  d.ToolButton11 = false;
  d.tbg = false;
  d.bgpicture = true;
  d.bgleft.SetValue(44);
  d.bgtop.SetValue(55);
  d.bghorizontal = false;
  d.bgvertical = true;
  d.bgsame = false;
  for (int i = 0; i < 4; ++i) d.LineColors[i] = MakeColour(40 * i, 255 - i, 7);
}

TEST(TemplateFile, SaveThenLoadBringsBackTheWholeDesign) {
  AppFolder app;
  const fs::path work = app.dir.path() / "work";
  fs::create_directories(work);
  const Picture master = PhotoLikePicture(30, 12, 3);
  const Picture alpha = SolidPicture(30, 12, MakeColour(0, 0, 0));
  const Picture background = PhotoLikePicture(50, 40, 9);
  WriteBmpFile(master, work / "btn.bmp");
  WriteBmpFile(alpha, work / "btn_shadow.bmp");
  WriteBmpFile(background, work / "sky.bmp");

  Design saved = app.NewDesign();
  ChangeEverySetting(saved);
  saved.filepath = work.string() + "/";
  saved.filename = "btn";
  saved.bgfilename = (work / "sky.bmp").string();
  BuildTemplateSettingsText(saved);
  SaveTemplate(saved, app.dir / "design.btt");

  const std::string bytes = ReadWholeFile(app.dir / "design.btt");
  EXPECT_EQ(bytes, Embedded(saved.Memo1, EncodeBmp24(master), EncodeBmp24(alpha),
                            EncodeBmp24(background)));

  Design loaded = app.NewDesign();
  loaded.SelectedLine = 2;
  RegenerateSpy spy;
  LoadTemplate(loaded, app.dir / "design.btt", spy.Fn());

  EXPECT_EQ(spy.calls, 1);
  EXPECT_FALSE(spy.busyDuringCall);
  EXPECT_EQ(loaded.Regenerating, 0);
  EXPECT_EQ(loaded.SelectedLine, kNoLineSelected);
  EXPECT_EQ(loaded.edit1, saved.edit1);
  for (auto field : {&Design::fontx, &Design::fonty, &Design::buttonwidth, &Design::buttonheight,
                     &Design::tleft, &Design::tright, &Design::tt, &Design::fontsize,
                     &Design::fontzoom, &Design::shadowcolort, &Design::bgleft, &Design::bgtop}) {
    EXPECT_EQ((loaded.*field).Text(), (saved.*field).Text());
  }
  // The size comes from the settings, not from the pictures.
  EXPECT_EQ(loaded.buttonwidth.Value(), 120);
  EXPECT_EQ(loaded.fontcolor, saved.fontcolor);
  EXPECT_EQ(loaded.shadowcolor, saved.shadowcolor);
  EXPECT_EQ(loaded.fontname, "Liberation Sans");
  EXPECT_EQ(loaded.captionFont.name, "Liberation Sans");
  EXPECT_TRUE(loaded.captionFont.bold && loaded.captionFont.italic && loaded.captionFont.underline);
  for (auto flag : {&Design::ToolButton1, &Design::ToolButton2, &Design::ToolButton3,
                    &Design::ToolButton7, &Design::ToolButton9, &Design::ToolButton10,
                    &Design::ToolButton11, &Design::StrongShadow, &Design::tbg, &Design::bgpicture,
                    &Design::bghorizontal, &Design::bgvertical, &Design::bgsame}) {
    EXPECT_EQ(loaded.*flag, saved.*flag);
  }
  for (int i = 0; i < 4; ++i) EXPECT_EQ(loaded.LineColors[i], saved.LineColors[i]) << i;
  const Colour centre = master.Pixel(15, 6);
  EXPECT_EQ(loaded.frontcolordefault, centre);
  EXPECT_EQ(loaded.LineColors[4], centre);
  EXPECT_EQ(loaded.LineColors[999], centre);

  // The pictures come back at the size they were made from.
  EXPECT_EQ(loaded.Imagebackup, master);
  EXPECT_EQ(loaded.ImageSource, master);
  EXPECT_EQ(loaded.ImageShadowBackup, alpha);
  EXPECT_EQ(loaded.ImageShadow, alpha);
  EXPECT_EQ(loaded.Image7, TileBackground(background));
  EXPECT_EQ(loaded.bgfilename, (app.exe / "temp" / "bg.bmp").string());
  EXPECT_EQ(fs::path(loaded.filepath + loaded.filename + ".bmp"), app.exe / "temp" / "xml.bmp");
  EXPECT_EQ(ReadWholeFile(app.exe / "temp" / "xml_shadow.bmp"), EncodeBmp24(alpha));

  // The loaded design saves the same pictures again.
  BuildTemplateSettingsText(loaded);
  EXPECT_EQ(loaded.Memo1, TextBefore(bytes, "<BmpImage>").replace(
                              bytes.find(GetTagValue(bytes, "Button1-Text.bgpicture.filename")),
                              saved.bgfilename.size(), loaded.bgfilename));
  EXPECT_EQ(TemplateFileBytes(loaded),
            Embedded(loaded.Memo1, EncodeBmp24(master), EncodeBmp24(alpha), EncodeBmp24(background)));
}

TEST(TemplateFile, SavingWithoutPictureFilesLeavesTheirPartsEmptyOrCopied) {
  AppFolder app;
  WriteBmpFile(SolidPicture(4, 4, 0x123456), app.dir / "m.bmp");
  Design d = app.NewDesign();
  d.Memo1 = Element("A", "1");
  d.filepath = app.dir.path().string() + "/";
  d.filename = "m";
  d.bgfilename = (app.dir / "gone.jpg").string();
  const std::string master = ReadWholeFile(app.dir / "m.bmp");
  EXPECT_EQ(TemplateFileBytes(d), Embedded(d.Memo1, master, master, ""));
  d.filename = "none";
  EXPECT_EQ(TemplateFileBytes(d), Embedded(d.Memo1, "", "", ""));
  EXPECT_EQ(ErrorOf([&] { SaveTemplate(d, app.dir / "missing" / "x.btt"); }),
            "Path not found (" + (app.dir / "missing" / "x.btt").string() + ")");
}

class LoadTemplateTest : public ::testing::Test {
 protected:
  AppFolder app;
  Design design = app.NewDesign();
  RegenerateSpy spy;
  const Picture master = PhotoLikePicture(24, 10, 5);
  const std::string masterBmp = EncodeBmp24(master);

  fs::path Write(const std::string& bytes, const std::string& name = "t.btt") {
    WriteWholeFile(bytes, app.dir / name);
    return app.dir / name;
  }
  void Load(const fs::path& path) { LoadTemplate(design, path, spy.Fn()); }
  void LoadEmbedded(const std::string& settings, const std::string& background = "") {
    Load(Write(Embedded(kInside + settings, masterBmp, masterBmp, background)));
  }
  std::string LoadError(const fs::path& path) {
    return ErrorOf([&] { Load(path); });
  }
};

TEST_F(LoadTemplateTest, ANonIntegerFontColourEndsTheSettingsSilently) {
  design.tbg = false;
  design.bgpicture = true;
  design.fontcolor = 77;
  LoadEmbedded(Element("Button1-Text", "A\r\nB") + Element("Button1-Text.left", "9") +
               Element("Button1-Text.zoom", "150") + Element("Button1-Text.transparency", "40") +
               Element("Button1-Text.color", "white") + Element("Button1-Text.fontname", "Serif") +
               Element("Button1-Text.style.bold", "Y") + Element("Button1-Text.tbg", "Y") +
               Element("Button1-Text.style.color1", "4242"));
  EXPECT_EQ(design.fontx.Text(), "9");
  EXPECT_EQ(design.fontzoom.Text(), "150");
  EXPECT_EQ(design.tt.Text(), "40");
  EXPECT_EQ(design.fontcolor, 77u);
  EXPECT_EQ(design.fontname, "MS Sans Serif");
  EXPECT_FALSE(design.ToolButton1);
  // The defaults for missing elements are never reached either.
  EXPECT_FALSE(design.tbg);
  EXPECT_TRUE(design.bgpicture);
  EXPECT_EQ(design.edit1, "A\r\nB");
  EXPECT_EQ(design.LineColors[1], 4242u);
  EXPECT_EQ(design.LineColors[0], design.frontcolordefault);
  EXPECT_EQ(spy.calls, 1);
  EXPECT_EQ(design.Regenerating, 0);
}

TEST_F(LoadTemplateTest, MissingElementsKeepTheirControlsExceptTbgAndBgpicture) {
  design.tbg = false;
  design.bgpicture = true;
  design.fontx.SetValue(12);
  design.edit1 = "Keep";
  LoadEmbedded(Element("Button1-Text.width", "500") + "<Button1-Text.top>9</Button1-Text.top>\r\n" +
               "<Button1-Text.bgpicture>Y</Button1-Text.bgpicture>\r\n");
  EXPECT_TRUE(design.tbg);
  EXPECT_FALSE(design.bgpicture);  // the mixed-case element is not found
  EXPECT_EQ(design.fonty.Text(), "0");
  EXPECT_EQ(design.fontx.Text(), "12");
  EXPECT_EQ(design.edit1, "Keep");
  EXPECT_EQ(design.buttonwidth.Text(), "500");  // as written, until the field is committed
  EXPECT_EQ(design.buttonheight.Text(), "10");  // from the picture
}

TEST_F(LoadTemplateTest, ValuesAreReadTheWayTheFieldsTakeThem) {
  LoadEmbedded(Element("Button1-Text.left", "99999999999") + Element("Button1-Text.size", "-4") +
               Element("Button1-Text.style.shadow.colortransparency", "1000") +
               Element("Button1-Text.style.shadow.color", "$FF") +
               Element("Button1-Text.bgpicture.top", "-5") +
               Element("Button1-Text.bgpicture.left", "2147483647") +
               Element("Button1-Text.bgpicture.h", "N") + Element("Button1-Text.bgpicture.v", "Y") +
               Element("Button1-Text.bgpicture.s", "N") +
               Element("Button1-Text.fontname", "Nowhere Sans=1"));
  EXPECT_EQ(design.fontx.Text(), "99999999999");
  EXPECT_EQ(design.fontx.Value(), 0);
  EXPECT_EQ(design.fontsize.Text(), "-4");
  EXPECT_EQ(design.shadowcolort.Text(), "100");
  EXPECT_EQ(design.shadowcolor, 255u);
  EXPECT_EQ(design.bgtop.Text(), "0");
  EXPECT_EQ(design.bgleft.Text(), "2000");
  EXPECT_FALSE(design.bghorizontal);
  EXPECT_TRUE(design.bgvertical);
  EXPECT_FALSE(design.bgsame);
  EXPECT_EQ(design.captionFont.name, "Nowhere Sans");
}

TEST_F(LoadTemplateTest, UnlistedFontsChangeOnlyTheCaptionFont) {
  design.isFontListed = [](const std::string& name) { return name == "Listed"; };
  LoadEmbedded(Element("Button1-Text.fontname", "Unlisted"));
  EXPECT_EQ(design.captionFont.name, "Unlisted");
  EXPECT_EQ(design.fontname, "MS Sans Serif");
  LoadEmbedded(Element("Button1-Text.fontname", "Listed"));
  EXPECT_EQ(design.fontname, "Listed");
}

TEST_F(LoadTemplateTest, RadioButtonsTakeTheLastYesAndMayAllBeOff) {
  LoadEmbedded(Element("Button1-Text.bgpicture.h", "Y") + Element("Button1-Text.bgpicture.v", "N") +
               Element("Button1-Text.bgpicture.s", "Y"));
  EXPECT_FALSE(design.bghorizontal);
  EXPECT_TRUE(design.bgsame);
  LoadEmbedded(Element("Button1-Text.bgpicture.h", "N") + Element("Button1-Text.bgpicture.v", "N") +
               Element("Button1-Text.bgpicture.s", "N"));
  EXPECT_FALSE(design.bghorizontal || design.bgvertical || design.bgsame);
}

TEST_F(LoadTemplateTest, LineOneFoundInsideLineTenFailsTheLoad) {
  std::string captions;
  for (int i = 0; i < 11; ++i) captions += "L" + std::to_string(i) + "\r\n";
  const fs::path path = Write(Embedded(kInside + Element("Button1-Text", captions) +
                                           Element("Button1-Text.style.color0", "5") +
                                           Element("Button1-Text.style.color10", "6"),
                                       masterBmp, masterBmp));
  EXPECT_EQ(LoadError(path), "'' is not a valid integer value");
  EXPECT_EQ(design.Regenerating, 0);
  EXPECT_EQ(spy.calls, 0);
  EXPECT_EQ(design.LineColors[0], 5u);
  EXPECT_EQ(design.edit1, captions);
}

TEST_F(LoadTemplateTest, MemoTakesCrLfLineEnds) {
  LoadEmbedded("\n" + Element("Button1-Text", "a\nb\rc") + "\r");
  EXPECT_EQ(design.edit1, "a\r\nb\r\nc");
}

TEST_F(LoadTemplateTest, ColoursOfLinesPastTheTableAreNotRead) {
  std::string captions;
  for (int i = 0; i < 1005; ++i) captions += "x\r\n";
  std::string settings = Element("Button1-Text", captions);
  for (int i = 0; i < 1005; ++i) {
    settings += Element("Button1-Text.style.color" + std::to_string(i), std::to_string(i));
  }
  LoadEmbedded(settings);
  EXPECT_EQ(design.LineColors[999], 999u);
  EXPECT_EQ(spy.calls, 1);
}

TEST_F(LoadTemplateTest, ExternalFormReadsPicturesBesideTheTemplate) {
  const Picture alpha = SolidPicture(24, 10, 0x00FF00);
  WriteBmpFile(master, app.dir / "pic.bmp");
  const fs::path path = Write(Element("Button1-Openfile", "pic") + Element("Button1-Text", "Ext"),
                              "old.btt");
  Load(path);
  EXPECT_EQ(design.Imagebackup, master);
  EXPECT_EQ(design.ImageShadowBackup, master);  // no _shadow.bmp: a copy of the master
  EXPECT_EQ(design.filepath, app.dir.path().string() + "/");
  EXPECT_EQ(design.filename, "old");
  EXPECT_EQ(design.edit1, "Ext");

  WriteBmpFile(alpha, app.dir / "pic_shadow.bmp");
  Load(path);
  EXPECT_EQ(design.ImageShadowBackup, alpha);
  EXPECT_EQ(design.ImageShadow, alpha);
  EXPECT_EQ(spy.calls, 2);
  // Nothing was written to the scratch folder.
  EXPECT_FALSE(fs::exists(app.exe / "temp" / "xml.bmp"));
}

TEST_F(LoadTemplateTest, ExternalFormBackgroundsByRelativeOrFullName) {
  WriteBmpFile(master, app.dir / "pic.bmp");
  const Picture big = PhotoLikePicture(400, 400, 2);
  WriteBmpFile(big, app.exe / "background" / "wall.bmp");
  const std::string head = Element("Button1-Openfile", "pic");
  Load(Write(head + Element("Button1-Text.bgpicture.filename", "wall.bmp")));
  EXPECT_EQ(design.Image7, big);
  EXPECT_EQ(design.bgfilename, (app.exe / "background" / "wall.bmp").string());

  fs::create_directories(app.exe / "background" / "sub");
  WriteBmpFile(big, app.exe / "background" / "sub" / "deep.bmp");
  Load(Write(head + Element("Button1-Text.bgpicture.filename", "sub\\deep.bmp")));
  EXPECT_EQ(design.Image7, big);
  EXPECT_EQ(design.bgfilename, (app.exe / "background" / "sub" / "deep.bmp").string());

  const Picture small = SolidPicture(10, 10, 0x0000FF);
  WriteBmpFile(small, app.dir / "own.bmp");
  Load(Write(head + Element("Button1-Text.bgpicture.filename", (app.dir / "own.bmp").string())));
  EXPECT_EQ(design.Image7, TileBackground(small));
  EXPECT_EQ(design.bgfilename, (app.dir / "own.bmp").string());

  // A name that does not exist leaves the background as it was.
  Load(Write(head + Element("Button1-Text.bgpicture.filename", "gone.bmp")));
  EXPECT_EQ(design.Image7, TileBackground(small));
  EXPECT_EQ(design.bgfilename, (app.dir / "own.bmp").string());
}

TEST_F(LoadTemplateTest, AFileWithoutAMasterPictureChangesNothingAndSaysWhichFile) {
  Load(Write(Embedded(kInside + Element("Button1-Text.left", "3"), masterBmp, masterBmp)));
  const Design before = design;
  const std::string scratch = ReadWholeFile(app.exe / "temp" / "xml.bmp");
  design.SelectedLine = 2;
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"notes.btt", "Shopping list:\r\nmilk\r\n"},
      {"external.btt", Element("Button1-Openfile", "absent") + Element("Button1-Text.left", "9")},
      {"cut.btt", kInside + Element("Button1-Text.left", "9") + "<BmpShadowImage></BmpShadowImage>"},
  };
  for (const auto& c : cases) {
    const fs::path path = Write(c.bytes, c.name);
    EXPECT_EQ(LoadError(path), "Cannot use " + path.string() + " as a template: it holds no master picture");
    EXPECT_EQ(design.Memo1, before.Memo1) << c.name;
    EXPECT_EQ(design.filepath + design.filename, before.filepath + before.filename) << c.name;
    EXPECT_EQ(design.fontx.Text(), "3") << c.name;
    EXPECT_EQ(design.SelectedLine, 2) << c.name;
    EXPECT_EQ(design.masterBmp, before.masterBmp) << c.name;
    EXPECT_EQ(design.Regenerating, 0) << c.name;
  }
  EXPECT_EQ(ReadWholeFile(app.exe / "temp" / "xml.bmp"), scratch);
  EXPECT_EQ(spy.calls, 1);
}

TEST_F(LoadTemplateTest, SavingEmbedsTheLoadedPicturesWhateverTheScratchFilesHoldNow) {
  const std::string alphaBmp = EncodeBmp24(SolidPicture(24, 10, 0x00FF00));
  Load(Write(Embedded(kInside, masterBmp, alphaBmp)));
  // Another window or run loads another template into the same scratch folder.
  Design other = app.NewDesign();
  const std::string otherBmp = EncodeBmp24(SolidPicture(7, 5, 0x0000FF));
  LoadTemplate(other, Write(Embedded(kInside, otherBmp, otherBmp), "b.btt"), spy.Fn());
  ASSERT_EQ(ReadWholeFile(app.exe / "temp" / "xml.bmp"), otherBmp);
  EXPECT_EQ(TemplateFileBytes(design), Embedded(design.Memo1, masterBmp, alphaBmp, ""));

  // The external form keeps its files' bytes too; without an alpha file the master's.
  WriteWholeFile(masterBmp, app.dir / "ext.bmp");
  Load(Write(Element("Button1-Openfile", "ext"), "ext.btt"));
  WriteWholeFile(otherBmp, app.dir / "ext.bmp");
  EXPECT_EQ(TemplateFileBytes(design), Embedded(design.Memo1, masterBmp, masterBmp, ""));
}

TEST_F(LoadTemplateTest, TextIsWindows1252UnlessItNeedsUtf8) {
  // Every byte a stored caption can hold reads back and writes back unchanged.
  std::string all_high;
  for (int b = 0x80; b <= 0xFF; ++b) all_high += static_cast<char>(b);
  LoadEmbedded(Element("Button1-Text", "\x80 \x9F " + all_high) +
               Element("Button1-Text.fontname", "Caf\xE9"));
  EXPECT_EQ(design.edit1.rfind("\u20AC \u0178 ", 0), 0u);
  EXPECT_EQ(design.captionFont.name, "Caf\u00E9");
  BuildTemplateSettingsText(design);
  EXPECT_EQ(GetTagValue(design.Memo1, "Button1-Text"), "\x80 \x9F " + all_high);
  EXPECT_EQ(design.Memo1.find("CHARSET"), std::string::npos);

  // A caption Windows-1252 cannot hold is stored as UTF-8, and says so.
  const std::string scripts = "\u041A\u043E\u043D\u0442\u0430\u043A\u0442\u044B\r\n"
                              "\u304A\u554F\u3044\u5408\u308F\u305B\r\nCaf\u00E9 \u2615";
  design.edit1 = scripts;
  BuildTemplateSettingsText(design);
  EXPECT_EQ(GetTagValue(design.Memo1, "Button1-Text.charset"), "UTF-8");
  EXPECT_EQ(GetTagValue(design.Memo1, "Button1-Text"), scripts);
  Load(Write(Embedded(design.Memo1, masterBmp, masterBmp)));
  EXPECT_EQ(design.edit1, scripts);
  // A file that claims UTF-8 but is not is read byte by byte.
  LoadEmbedded(Element("Button1-Text", "\xE9t\xE9") + Element("Button1-Text.charset", "UTF-8"));
  EXPECT_EQ(design.edit1, "\u00E9t\u00E9");
}

TEST_F(LoadTemplateTest, LinksAreElementsOfTheirOwnForTheLinesThatHaveOne) {
  design.edit1 = "A\r\nB\r\nC\r\nD\r\nE\r\nF\r\nG\r\nH\r\nI\r\nJ\r\nK";
  design.links = "https://a.example/\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n/k\r\nno line";
  BuildTemplateSettingsText(design);
  EXPECT_EQ(GetTagValue(design.Memo1, "Button1-Text.link0"), "https://a.example/");
  EXPECT_EQ(GetTagValue(design.Memo1, "Button1-Text.link10"), "/k");
  EXPECT_EQ(design.Memo1.find("LINK1>"), std::string::npos);
  EXPECT_EQ(design.Memo1.find("no line"), std::string::npos);
  const std::string memo = design.Memo1;
  design.links = "stale";
  Load(Write(Embedded(memo, masterBmp, masterBmp)));
  EXPECT_EQ(design.links, "https://a.example/\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n/k");
  // Without links a design keeps its old bytes, and a load clears the links before.
  design.links.clear();
  BuildTemplateSettingsText(design);
  EXPECT_EQ(design.Memo1.find("LINK"), std::string::npos);
}

TEST_F(LoadTemplateTest, EmbeddedBackgroundIsRestoredByItsNameOnly) {
  const Picture before = SolidPicture(3, 3, 1);
  design.Image7 = before;
  design.bgfilename = "kept";
  const std::string bmp = EncodeBmp24(SolidPicture(20, 20, 0x00AA00));
  LoadEmbedded(Element("Button1-Text.bgpicture.filename", "C:\\pics\\sky.jpeg"), bmp);
  EXPECT_EQ(design.Image7, before);
  EXPECT_EQ(design.bgfilename, "kept");

  LoadEmbedded(Element("Button1-Text.bgpicture.filename", "C:\\pics\\sky.BMP"), "");
  EXPECT_EQ(design.Image7, before);  // no bytes carried: nothing to restore

  // Written as bg.bmp and read; then written as bg.gif, whose reading fails and is ignored.
  LoadEmbedded(Element("Button1-Text.bgpicture.filename", "a.gif.bmp") +
                   Element("Button1-Text.style.color0", "31"),
               bmp);
  EXPECT_EQ(design.Image7, TileBackground(SolidPicture(20, 20, 0x00AA00)));
  EXPECT_EQ(design.bgfilename, (app.exe / "temp" / "bg.bmp").string());
  EXPECT_EQ(ReadWholeFile(app.exe / "temp" / "bg.gif"), bmp);
  EXPECT_EQ(design.LineColors[0], 31u);
  EXPECT_EQ(spy.calls, 3);
}

TEST_F(LoadTemplateTest, EmptyEmbeddedPicturesLoadEmpty) {
  design.frontcolordefault = 0x010203;
  Load(Write(Embedded(kInside + Element("Button1-Text", "A"), "", "")));
  EXPECT_TRUE(design.Imagebackup.Empty());
  EXPECT_TRUE(design.ImageShadow.Empty());
  EXPECT_EQ(design.buttonwidth.Text(), "0");
  EXPECT_EQ(design.frontcolordefault, 0x010203u);  // no centre pixel to take
  EXPECT_EQ(design.LineColors[500], 0x010203u);
  EXPECT_EQ(spy.calls, 1);
}

TEST_F(LoadTemplateTest, HostilePicturesGiveErrorsAndLeaveTheFlagClear) {
  const Picture before = SolidPicture(2, 2, 9);
  design.Imagebackup = before;
  // The message names the template the picture came in.
  const fs::path path = app.dir / "t.btt";
  EXPECT_EQ(LoadError(Write(Embedded(kInside, "GIF89a not a bitmap", masterBmp))),
            "Bitmap image is not valid (" + path.string() + ")");
  EXPECT_EQ(LoadError(Write(Embedded(kInside, masterBmp, "BMx"))),
            "Bitmap image is not valid (" + path.string() + ")");
  EXPECT_EQ(design.Imagebackup, before);  // a bad alpha picture keeps both pictures

  std::string huge = masterBmp;
  huge[18] = huge[19] = huge[20] = 0x7F;  // width
  huge[22] = huge[23] = huge[24] = 0x7F;  // height
  EXPECT_NE(LoadError(Write(Embedded(kInside, huge, huge))), "(no error)");

  // Truncated pictures and files: an error or a smaller picture, never a crash.
  for (std::size_t cut : {std::size_t{20}, std::size_t{60}, masterBmp.size() - 7}) {
    try {
      Load(Write(Embedded(kInside, masterBmp.substr(0, cut), masterBmp)));
    } catch (const Error&) {
    }
    const std::string whole = Embedded(kInside + Element("Button1-Text", "T"), masterBmp, masterBmp);
    try {
      Load(Write(whole.substr(0, whole.find("<BmpImage>") + cut)));
    } catch (const Error&) {
    }
  }
  // Mismatched sizes load as they are; the renderer fits both.
  Load(Write(Embedded(kInside, masterBmp, EncodeBmp24(SolidPicture(3, 40, 0)))));
  EXPECT_EQ(design.ImageShadow.Width(), 3);
  EXPECT_EQ(design.Regenerating, 0);
}

TEST_F(LoadTemplateTest, FileErrorsEndTheLoad) {
  EXPECT_EQ(LoadError(app.dir / "nothing.btt"),
            "Cannot open file " + (app.dir / "nothing.btt").string());
  EXPECT_EQ(design.Regenerating, 0);
  fs::remove_all(app.exe / "temp");
  EXPECT_EQ(LoadError(Write(Embedded(kInside, masterBmp, masterBmp))),
            "Path not found (" + (app.exe / "temp" / "xml.bmp").string() + ")");
  EXPECT_EQ(design.Regenerating, 0);
  EXPECT_EQ(spy.calls, 0);
}

TEST_F(LoadTemplateTest, RegenerateErrorsStillClearTheFlag) {
  const fs::path path = Write(Embedded(kInside, masterBmp, masterBmp));
  EXPECT_THROW(LoadTemplate(design, path, [](Design&) { throw Error("boom"); }), Error);
  EXPECT_EQ(design.Regenerating, 0);
}

}  // namespace
}  // namespace corvanti
