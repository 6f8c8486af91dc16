// Designs no control could set, as template files and typed text can: the regeneration
// either draws them within its memory budget or fails with the program's message, and
// never reads or writes outside a picture. Also replays every regeneration fuzz finding.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "codecs/error.h"
#include "render/caption.h"
#include "render/regenerate.h"
#include "render/scaling.h"
#include "resources/builtin.h"
#include "support/fuzz_targets.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

class HostileDesign : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureGuiApplication();
    design = StartupDesign(std::filesystem::temp_directory_path());
    design.SelectedLine = kNoLineSelected;
    design.bgpicture = false;
  }
  Design design;
};

TEST_F(HostileDesign, SizesPastTheBudgetFailBeforeAllocatingAndKeepThePreviews) {
  Regenerate(design);
  const Picture before = design.Image2;
  // The start-up template is wide: it is fitted only to buttons more than twice as wide
  // as high.
  const struct {
    const char *width, *height, *message;
  } cases[] = {
      {"60000", "20000", "Design too large to draw (60000 x 20000 pixels, 6 lines)"},
      {"2147483647", "20000", "Button too large (2147483647 x 20000 pixels)"},
      {"65535", "30000", "Design too large to draw"},
  };
  for (const auto& c : cases) {
    design.buttonwidth.SetText(c.width);
    design.buttonheight.SetText(c.height);
    try {
      Regenerate(design);
      FAIL() << c.width;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_EQ(design.Regenerating, 0);
    EXPECT_EQ(design.Image2, before);
  }
  // A wide button of many lines: the fit alone is fine, the stacks are not.
  design.buttonwidth.SetText("20000");
  design.buttonheight.SetText("400");
  design.edit1 = std::string(300, '\n');
  EXPECT_THROW(Regenerate(design), Error);
  // Back in range, the next change draws again.
  design.buttonwidth.Commit();
  design.buttonheight.SetText("100");
  design.edit1 = "Home";
  Regenerate(design);
  EXPECT_EQ(design.Image2.Width(), 400);
  EXPECT_EQ(design.Image2.Height(), 101);
}

TEST_F(HostileDesign, AZoomThatWouldOutgrowTheBudgetFails) {
  design.fontzoom.SetText("2000000000");
  EXPECT_THROW(Regenerate(design), Error);
  EXPECT_EQ(design.Regenerating, 0);
}

TEST_F(HostileDesign, CaptionPositionsAndOpacitiesOutOfRangeAreSafe) {
  design.edit1 = "Home\r\nNews\r\nAbout";
  design.ToolButton7 = true;
  design.tt.SetValue(0);
  Regenerate(design);
  const Picture no_caption = design.Image2;

  // Past the button's right edge or below the stack: nothing is drawn.
  design.tt.SetValue(100);
  for (const char* x : {"203", "1000", "2147483647"}) {
    design.fontx.SetText(x);
    Regenerate(design);
    EXPECT_EQ(design.Image2, no_caption) << x;
  }
  design.fontx.SetText("0");
  design.fonty.SetText("100000");
  Regenerate(design);
  EXPECT_EQ(design.Image2, no_caption);

  // Negative positions count as 0; odd opacities, fades, sizes and zooms just draw.
  struct Case {
    const char *fontx, *fonty, *tt, *tleft, *tright, *size, *zoom, *shadow;
  } const cases[] = {
      {"-7", "-2147483648", "100", "-3", "-3", "8", "100", "50"},
      {"0", "0", "-5", "0", "0", "96", "75", "-20"},
      {"5", "3", "500", "5000", "5000", "-100", "0", "500"},
      {"abc", "", "75", "2147483647", "2147483647", "99999", "-50", "abc"},
      {"1", "1", "51", "1", "1", "2147483647", "1000", "100"},
  };
  for (const Case& c : cases) {
    design.fontx.SetText(c.fontx);
    design.fonty.SetText(c.fonty);
    design.tt.SetText(c.tt);
    design.tleft.SetText(c.tleft);
    design.tright.SetText(c.tright);
    design.fontsize.SetText(c.size);
    design.fontzoom.SetText(c.zoom);
    design.shadowcolort.SetText(c.shadow);
    Regenerate(design);
    EXPECT_EQ(fuzz::CheckPreviews(design), "") << c.fontx << " " << c.zoom;
  }
}

TEST_F(HostileDesign, SelectedLinePastTheTableOrNegativeFramesNothing) {
  design.edit1 = "Home\r\nNews";
  Regenerate(design);
  const Picture unframed = design.Image2;
  const Colour front = design.frontcolor;
  for (int line : {-1, 2, 999, 1000, 5000, INT32_MIN, INT32_MAX}) {
    design.SelectedLine = line;
    Regenerate(design);
    EXPECT_EQ(design.Image2, unframed) << line;
    EXPECT_EQ(design.frontcolor, front);
    EXPECT_EQ(design.SelectedLine, line);
  }
}

TEST_F(HostileDesign, EmptyMismatchedAndZeroSizedPicturesGiveMasterCopies) {
  design.edit1 = "Home\r\nNews";
  // An alpha of another size: no face, every button is the master.
  design.ImageShadowBackup = test::SolidPicture(7, 5, 0);
  Regenerate(design);
  EXPECT_EQ(fuzz::CheckPreviews(design), "");
  Picture top(203, 19);
  top.CopyFrom(design.Image2, 0, 0, 203, 19, 0, 0);
  Picture master = design.ImageSource;
  // The caption is drawn over the master; compare where no text falls (the right end).
  Picture right_end(20, 19), master_end(20, 19);
  right_end.CopyFrom(top, 183, 0, 20, 19, 0, 0);
  master_end.CopyFrom(master, 183, 0, 20, 19, 0, 0);
  EXPECT_EQ(right_end, master_end);

  // An empty master (and alpha), at any requested size, zero included.
  design.Imagebackup = Picture();
  design.ImageShadowBackup = Picture();
  for (const char* side : {"0", "-5", "40", "400"}) {
    design.buttonwidth.SetText(side);
    design.buttonheight.SetText(side);
    Regenerate(design);
    EXPECT_EQ(design.Image2.Width(), 0);
    EXPECT_EQ(design.Image5.Width(), 0);
    EXPECT_EQ(fuzz::CheckPreviews(design), "");
  }

  // A master of one row or one column, stretched and not.
  design.Imagebackup = test::SolidPicture(1, 30, 0x0000FF);
  design.ImageShadowBackup = design.Imagebackup;
  design.buttonwidth.SetText("60");
  design.buttonheight.SetText("20");
  Regenerate(design);
  EXPECT_EQ(fuzz::CheckPreviews(design), "");
  EXPECT_EQ(design.Image2.Width(), 60);
}

TEST_F(HostileDesign, BackgroundsOfNoPixelsOrTooSmallLeaveTheMaster) {
  design.edit1 = "Home\r\nNews";
  design.bgpicture = true;
  design.Image7 = Picture();
  Regenerate(design);
  const Picture with_none = design.Image2;
  design.Image7 = test::SolidPicture(3, 2, 0xFF00FF);
  Regenerate(design);
  EXPECT_EQ(design.Image2, with_none);
  design.Image7 = Picture(500, 0);
  Regenerate(design);
  EXPECT_EQ(design.Image2, with_none);
  // Offsets far past the picture are moved back inside it.
  design.Image7 = test::PhotoLikePicture(300, 300);
  design.bgleft.SetText("2147483647");
  design.bgtop.SetText("-2147483648");
  design.edit1 = std::string(1200, '\n');
  Regenerate(design);
  EXPECT_EQ(fuzz::CheckPreviews(design), "");
}

TEST(ZoomedMask, PastTheControlsOnlyTheDrawableColumnsAreMadeAsAWholeStretchGivesThem) {
  test::EnsureGuiApplication();
  TextMaskInput in;
  in.lines = {"Zoomed", "text"};
  in.W = 40;
  in.H = 20;
  Picture plain;
  const int B0 = BuildTextMask(in, plain);
  in.fontzoom = 5000;  // only a template file can carry this
  Picture zoomed;
  EXPECT_EQ(BuildTextMask(in, zoomed), std::min(5000 * B0 / 100, 2000));
  EXPECT_EQ(zoomed.Width(), 400);
  StretchPicture(plain, 2000, plain.Height());
  Picture kept(400, plain.Height());
  kept.CopyFrom(plain, 0, 0, 400, plain.Height(), 0, 0);
  EXPECT_EQ(zoomed, kept);
}

TEST(FittedSize, AgreesWithTheFitItself) {
  for (int w : {0, 1, 10, 19, 38, 39, 40, 203}) {
    for (int h : {0, 1, 11, 19, 20}) {
      for (int W : {-5, 0, 10, 11, 30, 38, 39, 41, 400}) {
        for (int H : {-1, 0, 10, 11, 19, 20, 200}) {
          Picture p = w > 0 && h > 0 ? test::PhotoLikePicture(w, h) : Picture(w, h);
          FitTemplate(p, W, H);
          int fw = 0, fh = 0;
          FittedSize(w, h, W, H, &fw, &fh);
          EXPECT_EQ(fw, p.Width()) << w << "x" << h << " to " << W << "x" << H;
          EXPECT_EQ(fh, p.Height()) << w << "x" << h << " to " << W << "x" << H;
        }
      }
    }
  }
}

// Every input kept in tests/data/fuzz/regenerate: fuzz findings, and designs made by hand
// to reach the awkward corners.
TEST(RegenerateFuzzReplay, EveryKeptInputRunsClean) {
  test::EnsureGuiApplication();
  const Design startup = StartupDesign(std::filesystem::temp_directory_path());
  const std::filesystem::path folder = test::TestDataDir() / "fuzz" / "regenerate";
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(fuzz::RunRegenerateInput(bytes, startup), "") << entry.path();
    ++count;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
}  // namespace corvanti
