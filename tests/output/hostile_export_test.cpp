// Hostile template files and exports: every file in tests/data/fuzz/template_loader and
// every export fuzz input is replayed through the code the fuzz programs run, and the
// hand-made hostile templates are checked for what they must do.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "output/export.h"
#include "render/regenerate.h"
#include "resources/builtin.h"
#include "support/fuzz_targets.h"
#include "support/test_support.h"
#include "templates/template_file.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

fs::path Hostile(const std::string& name) {
  return test::TestDataDir() / "fuzz" / "template_loader" / name;
}

class HostileTemplate : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureGuiApplication();
    fs::create_directories(exe.path() / "temp");
    fs::create_directories(exe.path() / "background");
    fs::copy_file(test::BinDir() / "script.txt", exe.path() / "script.txt");
    design = StartupDesign(exe.path());
  }
  // Loads as the window does: the error, if any, is the message the user sees.
  std::string Load(const std::string& name) {
    try {
      LoadTemplate(design, Hostile(name), [](Design& d) { Regenerate(d); });
    } catch (const Error& e) {
      return e.what();
    }
    return std::string();
  }
  test::TempDir exe;
  Design design;
};

TEST_F(HostileTemplate, HugeButtonSizeFailsTheLoadWithTheBudgetMessageAndStaysUsable) {
  EXPECT_NE(Load("hostile-huge-size.btt").find("Design too large to draw"), std::string::npos);
  EXPECT_EQ(design.Regenerating, 0);
  // The settings applied before the error stay, out of range as the file gave them.
  EXPECT_EQ(design.buttonwidth.Text(), "20000");
  EXPECT_EQ(design.edit1, "Home\r\nNews");
  // Committing the field brings it into range, and the design draws.
  design.buttonwidth.Commit();
  design.buttonheight.Commit();
  Regenerate(design);
  EXPECT_EQ(design.Image2.Width(), 400);
  EXPECT_EQ(fuzz::CheckPreviews(design), "");
}

TEST_F(HostileTemplate, OutOfRangeFieldsLoadAndDraw) {
  for (const char* name : {"hostile-negative-fields.btt", "hostile-fontx-beyond-button.btt",
                           "hostile-not-numbers.btt", "hostile-unclosed-tags.btt"}) {
    EXPECT_EQ(Load(name), "") << name;
    EXPECT_EQ(fuzz::CheckPreviews(design), "") << name;
  }
  // Field text stays as the file gave it; the values read as the fields read them.
  EXPECT_EQ(Load("hostile-negative-fields.btt"), "");
  EXPECT_EQ(design.fontx.Text(), "-7");
  EXPECT_EQ(design.bgleft.Value(), 0);      // a value set through the field is clamped
  EXPECT_EQ(design.bgtop.Value(), 2000);
  EXPECT_EQ(Load("hostile-not-numbers.btt"), "");
  EXPECT_EQ(design.buttonwidth.Value(), 0);  // not a number: the minimum, so no fitting
  EXPECT_EQ(design.Image2.Width(), 40);
}

TEST_F(HostileTemplate, FontPositionBeyondTheButtonDrawsNoCaption) {
  EXPECT_EQ(Load("hostile-fontx-beyond-button.btt"), "");
  const Picture with_caption_outside = design.Image2;
  design.tt.SetValue(0);
  Regenerate(design);
  EXPECT_EQ(design.Image2, with_caption_outside);
}

TEST_F(HostileTemplate, EmptyMismatchedAndZeroSizedPicturesLoad) {
  EXPECT_EQ(Load("hostile-empty-pictures.btt"), "");
  EXPECT_TRUE(design.Imagebackup.Empty());
  EXPECT_EQ(design.Image2.Width(), 0);
  EXPECT_EQ(Load("hostile-mismatched-pictures.btt"), "");
  EXPECT_EQ(design.ImageShadowBackup.Width(), 10);
  EXPECT_EQ(fuzz::CheckPreviews(design), "");
  EXPECT_EQ(Load("hostile-zero-button.btt"), "");
  EXPECT_EQ(design.Image2.Width(), 40);  // a zero size is not fitted
  EXPECT_EQ(design.Image2.Height(), 2 * 20 + 1);
}

TEST_F(HostileTemplate, LinesPastTheColourTableLoadWithoutReadingPastIt) {
  EXPECT_EQ(Load("hostile-1200-lines.btt"), "");
  EXPECT_EQ(design.LineColors[998], 998u * 7);
  EXPECT_EQ(design.LineColors[999], 999u * 7);
  EXPECT_EQ(design.Image2.Height(), 1200 * 12 + 1);
  // Saved again, the settings text names no colour past the table.
  EXPECT_EQ(design.Memo1.find("COLOR1000"), std::string::npos);
  EXPECT_NE(design.Memo1.find("COLOR999"), std::string::npos);
}

TEST_F(HostileTemplate, ABackgroundOfNoPixelsIsIgnoredByTheLoad) {
  const Picture before = design.Image7;
  EXPECT_EQ(Load("hostile-background-0x0.btt"), "");
  EXPECT_EQ(design.Image7, before);
  EXPECT_EQ(fuzz::CheckPreviews(design), "");
}

TEST_F(HostileTemplate, ACutMasterFailsTheLoadAndKeepsThePreviousTemplate) {
  const Picture before = design.Imagebackup;
  EXPECT_NE(Load("hostile-cut-master.btt"), "");
  EXPECT_EQ(design.Regenerating, 0);
  EXPECT_EQ(design.Imagebackup, before);
  Regenerate(design);
  EXPECT_EQ(fuzz::CheckPreviews(design), "");
}

TEST_F(HostileTemplate, APreviewTallerThanAGifCanHoldStopsTheExportAtTheWholePicture) {
  ASSERT_EQ(Load("hostile-tall-preview.btt"), "");
  ASSERT_EQ(design.Image2.Height(), 5500 * 12 + 1);
  const fs::path out = exe.path() / "out";
  fs::create_directories(out);
  // An earlier export under the name stays whole.
  WriteWholeFile("earlier", out / "nav.gif");
  try {
    ExportPicturesAndHtml(design, out / "nav.gif");
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_NE(std::string(e.what()).find("Picture too large for GIF (30 x 66001)"),
              std::string::npos)
        << e.what();
  }
  // The whole picture comes first, so nothing at all was written.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(out)) names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"nav.gif"});
  EXPECT_EQ(ReadWholeFile(out / "nav.gif"), "earlier");
}

TEST_F(HostileTemplate, AFailedSaveOrExportLeavesTheEarlierFilesWhole) {
  ASSERT_EQ(Load("hostile-mismatched-pictures.btt"), "");
  const fs::path out = exe.path() / "out";
  fs::create_directories(out);
  ExportPicturesAndHtml(design, out / "nav.gif");
  const std::string first_whole = ReadWholeFile(out / "nav.gif");
  const std::string first_strip = ReadWholeFile(out / "nav_2.gif");
  // The second export fails at the first strip: the whole picture is new and complete,
  // every later file is the earlier one, and no scratch file is left.
  fs::remove(out / "nav_1.gif");
  fs::create_directory(out / "nav_1.gif");
  design.edit1 = "Other\r\nWords";
  Regenerate(design);
  EXPECT_THROW(ExportPicturesAndHtml(design, out / "nav.gif"), Error);
  EXPECT_NE(ReadWholeFile(out / "nav.gif"), first_whole);
  EXPECT_NO_THROW(ReadGif(ReadWholeFile(out / "nav.gif")));
  EXPECT_EQ(ReadWholeFile(out / "nav_2.gif"), first_strip);
  for (const auto& entry : fs::directory_iterator(out)) {
    EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos);
  }
  // A template saved over a folder of the same name fails and leaves nothing beside it.
  fs::create_directory(out / "saved.btt");
  EXPECT_THROW(SaveTemplate(design, out / "saved.btt"), Error);
  EXPECT_TRUE(fs::is_directory(out / "saved.btt"));
}

// Every file kept for the template loader: fuzz findings and the hand-made hostile ones.
TEST(TemplateLoaderFuzzReplay, EveryKeptInputRunsClean) {
  test::EnsureGuiApplication();
  test::TempDir exe;
  fs::create_directories(exe.path() / "temp");
  fs::create_directories(exe.path() / "background");
  const Design startup = StartupDesign(exe.path());
  int count = 0;
  for (const auto& entry : fs::directory_iterator(test::TestDataDir() / "fuzz" / "template_loader")) {
    EXPECT_EQ(fuzz::RunTemplateLoaderInput(Bytes(entry.path()), startup, exe.path()), "")
        << entry.path();
    ++count;
  }
  EXPECT_GT(count, 0);
}

TEST(ExportFuzzReplay, EveryKeptInputRunsClean) {
  test::EnsureGuiApplication();
  test::TempDir scratch;
  const fs::path folder = scratch.path() / "export";
  const Design startup = StartupDesign(folder);
  int count = 0;
  for (const auto& entry : fs::directory_iterator(test::TestDataDir() / "fuzz" / "export")) {
    EXPECT_EQ(fuzz::RunExportInput(Bytes(entry.path()), startup, folder), "") << entry.path();
    ++count;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
}  // namespace corvanti
