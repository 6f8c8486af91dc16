// The window under a long run of random control changes: typing into the numeric fields
// (in and out of range), stepping them, replacing the caption (up to 1200 lines), the
// style toggles, check boxes, background modes, colour panels, the font chooser, drags and
// clicks on the previews. Every change must leave the window usable, with `Regenerating`
// clear and previews that match the design. Memory is sampled as it goes.
//
// About 200 changes normally; CORVANTI_SOAK_FULL=1 runs 10,000 (CORVANTI_SOAK_CHANGES=N
// sets any count).
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLabel>
#include <QElapsedTimer>
#include <QFontComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app_fixture.h"
#include "codecs/file_io.h"
#include "support/fuzz_targets.h"
#include "templates/tagged_text.h"

namespace corvanti::test {
namespace {

namespace fs = std::filesystem;

int ChangeCount() {
  if (const char* n = std::getenv("CORVANTI_SOAK_CHANGES")) return std::max(1, std::atoi(n));
  if (const char* full = std::getenv("CORVANTI_SOAK_FULL"); full && std::string(full) == "1") {
    return 10000;
  }
  return 200;
}

// Resident memory now, in MB.
double ResidentMb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// The highest resident memory so far, in MB.
double PeakMb() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::string RandomCaption(std::mt19937& random) {
  static const char* const kWords[] = {"Home", "News", "", "About us", "W", "\xC4rger",
                                       "A much longer caption than the button"};
  int lines = static_cast<int>(random() % 12);
  if (random() % 150 == 0) lines = static_cast<int>(random() % 1201);
  std::string text;
  for (int i = 0; i < lines; ++i) {
    if (i > 0) text += random() % 3 == 0 ? "\n" : "\r\n";
    text += kWords[random() % (sizeof kWords / sizeof kWords[0])];
  }
  return text;
}

TEST(WindowSoak, RandomControlChangesKeepTheWindowUsableAndMemoryFlat) {
  EnsureApplication();
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  Design& d = w.window->design();

  const char* const kFields[] = {"buttonwidth", "buttonheight", "fontx",  "fonty",
                                 "fontzoom",    "tleft",        "tright", "tt",
                                 "fontsize",    "shadowcolort", "bgleft", "bgtop"};
  const char* const kTyped[] = {"0", "1", "7", "11", "40", "100", "203", "400", "401",
                                "999", "5000", "-", "-7", "65535", "2147483647"};
  const char* const kToolButtons[] = {"ToolButton1", "ToolButton2",  "ToolButton3", "ToolButton7",
                                      "ToolButton9", "ToolButton10", "ToolButton11"};
  const char* const kChecks[] = {"tbg", "bgpicture", "StrongShadow"};
  const char* const kRadios[] = {"bghorizontal", "bgvertical", "bgsame"};
  const char* const kPanels[] = {"fontcolor", "shadowcolor", "frontcolor", "frontcolordefault"};
  auto* edit1 = w.Child<QPlainTextEdit>("edit1");
  auto* fontname = w.Child<QFontComboBox>("fontname");
  ASSERT_NE(edit1, nullptr);
  ASSERT_NE(fontname, nullptr);

  std::mt19937 random(20261207);
  const int changes = ChangeCount();
  int errors_seen = 0;
  std::set<std::string> messages;
  bool stale = false;
  std::vector<double> resident;  // sampled at every tenth of the run
  for (int step = 1; step <= changes; ++step) {
    if (step % std::max(1, changes / 10) == 0) {
      // Measured on the same small design each time, so the figure shows what is left
      // behind rather than the size of whatever design the run has reached.
      const qsizetype errors_then = w.dialogs.errors.size();
      edit1->setPlainText(QStringLiteral("Home\r\nNews"));
      d.fontzoom.SetValue(100);
      d.fontsize.SetValue(16);
      w.Child<QPushButton>("suiButton5")->click();
      w.window->suitempedit1Change();
      resident.push_back(ResidentMb());
      stale = w.dialogs.errors.size() != errors_then;
    }
    const qsizetype errors_before = w.dialogs.errors.size();
    switch (random() % 12) {
      case 0:
      case 1: {
        auto* field = w.Child<SpinField>(kFields[random() % 12]);
        field->Edit()->setFocus();
        field->Edit()->selectAll();
        QTest::keyClicks(field->Edit(), kTyped[random() % (sizeof kTyped / sizeof kTyped[0])]);
        break;
      }
      case 2:
        w.Child<SpinField>(kFields[random() % 12])->StepBy(random() % 2 ? 1 : -1);
        break;
      case 3:
        edit1->setPlainText(QString::fromLatin1(RandomCaption(random).c_str()));
        break;
      case 4:
        w.Child<QToolButton>(kToolButtons[random() % 7])->click();
        break;
      case 5:
        w.Child<QCheckBox>(kChecks[random() % 3])->click();
        break;
      case 6:
        w.Child<QRadioButton>(kRadios[random() % 3])->click();
        break;
      case 7: {
        // A colour, or the dialog cancelled.
        if (random() % 4 == 0) {
          w.dialogs.colourAnswers.push_back(std::nullopt);
        } else {
          w.dialogs.colourAnswers.push_back(
              QColor(static_cast<int>(random() % 256), static_cast<int>(random() % 256),
                     static_cast<int>(random() % 256)));
        }
        w.Child<QPushButton>(kPanels[random() % 4])->click();
        w.dialogs.colourAnswers.clear();
        break;
      }
      case 8:
        if (fontname->count() > 0) emit fontname->activated(static_cast<int>(random() % fontname->count()));
        break;
      case 9: {
        // A drag that may leave the preview far behind, then a click on a line.
        const int x = static_cast<int>(random() % 600) - 100;
        const int y = static_cast<int>(random() % 3000) - 100;
        w.window->Image2MouseDown(x, y);
        w.window->Image2MouseMove(x + static_cast<int>(random() % 400) - 200,
                                  y + static_cast<int>(random() % 400) - 200);
        w.window->Image2MouseUp();
        if (random() % 2) w.window->Image2Click();
        break;
      }
      case 10:
        w.window->Image7MouseUp(static_cast<int>(random() % 3000) - 500,
                                static_cast<int>(random() % 3000) - 500);
        break;
      default:
        w.Child<QPushButton>("suiButton5")->click();
        break;
    }
    ASSERT_EQ(d.Regenerating, 0) << "step " << step;
    // Typed changes report in the message line, everything else in a box.
    const QString line = w.Child<QLabel>("MessageLine")->toolTip();
    if (w.dialogs.errors.size() != errors_before || !line.isEmpty()) {
      ++errors_seen;
      messages.insert((line.isEmpty() ? w.dialogs.errors.back() : line).toStdString());
      // The previews still show the last design that could be drawn.
      stale = true;
      continue;
    }
    if (stale) {
      // A change that does not regenerate (a cancelled colour, a press without a drag)
      // leaves the previews of the last good design: bring them up to date first.
      w.window->suitempedit1Change();
      if (w.dialogs.errors.size() != errors_before) continue;
      stale = false;
    }
    ASSERT_EQ(fuzz::CheckPreviews(d), "")
        << "step " << step << ": Image2 " << d.Image2.Width() << " x " << d.Image2.Height()
        << ", ImageSource " << d.ImageSource.Width() << " x " << d.ImageSource.Height()
        << ", lines " << CaptionLines(d.edit1).size();
  }

  std::printf("soak: %d changes, %d reported errors, resident MB at each tenth:", changes,
              errors_seen);
  for (double mb : resident) std::printf(" %.0f", mb);
  std::printf("; peak %.0f MB\n", PeakMb());
  for (const std::string& m : messages) std::printf("soak: message \"%s\"\n", m.c_str());
  ::testing::Test::RecordProperty("changes", changes);
  ::testing::Test::RecordProperty("peak_mb", static_cast<int>(PeakMb()));
  // Flat: once warm (the allocator's quarantine filled, fonts cached), the last tenth
  // holds no more than the second tenth plus the largest design's share. Only a long run
  // says anything about a trend.
  if (changes >= 2000 && resident.size() >= 3) {
    EXPECT_LT(resident.back(), resident[1] + 400.0);
  }
}

// Errors from deep inside (libjpeg, the GIF writer, the BMP reader of a template) reach the
// user as their own message, and the window goes on: `Regenerating` clear, the next change
// draws again.
TEST(WindowHostileInput, DeepErrorsReachTheUserAndTheWindowGoesOn) {
  EnsureApplication();
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  Design& d = w.window->design();
  ASSERT_TRUE(w.dialogs.errors.isEmpty());

  // A JPEG whose data libjpeg refuses.
  WriteWholeFile(std::string("\xFF\xD8\xFF\xC0\x00\x03\x08", 7) + std::string(64, '\0'),
                 app.exe / "background" / "damaged.jpg");
  w.window->PointBackgroundList(QString::fromStdString((app.exe / "background" / "damaged.jpg").string()));
  auto* backgrounds = w.Child<FileList>("FileListBox2");
  ASSERT_TRUE(WaitFor([&] { return backgrounds->currentIndex().data().toString() == "damaged.jpg"; }));
  const Picture background = d.Image7;
  w.window->FileListBox2Click();
  ASSERT_EQ(w.dialogs.errors.size(), 1);
  EXPECT_TRUE(w.dialogs.errors[0].startsWith("JPEG error #")) << w.dialogs.errors[0].toStdString();
  EXPECT_EQ(d.Image7, background);
  EXPECT_EQ(d.Regenerating, 0);

  // A template whose master picture is cut short.
  fs::copy_file(TestDataDir() / "fuzz" / "template_loader" / "hostile-cut-master.btt",
                app.exe / "media" / "button" / "cut.btt");
  w.window->PointTemplateList(QString::fromStdString((app.exe / "media" / "button" / "cut.btt").string()));
  auto* templates = w.Child<FileList>("FileListBox1");
  ASSERT_TRUE(WaitFor([&] { return templates->currentIndex().data().toString() == "cut.btt"; }));
  w.window->FileListBox1Click();
  ASSERT_EQ(w.dialogs.errors.size(), 2);
  EXPECT_EQ(d.Regenerating, 0);
  const Picture before = d.Image2;
  w.Child<QToolButton>("ToolButton1")->click();
  EXPECT_EQ(w.dialogs.errors.size(), 2);
  EXPECT_NE(d.Image2, before);

  // More rows than a GIF can hold: the export stops at the whole picture with the GIF
  // writer's message and writes nothing.
  std::string many;
  for (int i = 0; i < 5500; ++i) many += i ? "\r\nx" : "x";
  w.Child<QPlainTextEdit>("edit1")->setPlainText(QString::fromLatin1(many.c_str()));
  const int rows = d.Image2.Height();
  ASSERT_GT(rows, 65535);
  const fs::path out = app.dir.path() / "tall.gif";
  w.dialogs.saveAnswers.push_back(QString::fromStdString(out.string()));
  w.Child<QPushButton>("suiButton2")->click();
  ASSERT_EQ(w.dialogs.errors.size(), 3);
  EXPECT_TRUE(w.dialogs.errors[2].startsWith("Picture too large for GIF (" +
                                             QString::number(d.Image2.Width()) + " x " +
                                             QString::number(rows) + ")"))
      << w.dialogs.errors[2].toStdString();
  EXPECT_FALSE(fs::exists(out));
  EXPECT_FALSE(fs::exists(app.dir.path() / "tall_1.gif"));
  EXPECT_EQ(d.Regenerating, 0);
}

}  // namespace
}  // namespace corvanti::test
