// The window as a desktop program: undo and redo over the design, the recent templates,
// the question before unsaved changes are closed away, a template given at start, and the
// web export from the menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app_fixture.h"
#include "codecs/bmp_writer.h"
#include "codecs/file_io.h"
#include "templates/tagged_text.h"

namespace corvanti {
namespace {

using namespace test;
namespace fs = std::filesystem;

class WindowHistory : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApplication(); }
  QAction* Action(WindowUnderTest& w, const char* name) {
    return w.window->findChild<QAction*>(QString::fromLatin1(name));
  }
};

TEST_F(WindowHistory, EveryKindOfChangeIsOneStepThatUndoesAndRedoesExactly) {
  AppFolder app;
  WriteTemplate(app.exe / "media" / "button" / "other.btt", TestTemplate::Captioned("Other", 3, 4));
  WriteWholeFile(EncodeBmp24(SolidPicture(8, 8, 0x204060)), app.exe / "background" / "tile.bmp");
  WindowUnderTest w(app.exe);
  w.LoadNow();
  Design& d = w.window->design();
  QUndoStack& stack = w.window->History().Stack();
  ASSERT_FALSE(stack.canUndo());

  // Each change, and what tells that it happened.
  const struct {
    const char* what;
    std::function<void()> change;
  } changes[] = {
      {"toggle", [&] { w.Child<QToolButton>("ToolButton1")->click(); }},
      {"colour", [&] {
         w.dialogs.colourAnswers.push_back(QColor(1, 2, 3));
         w.Child<QPushButton>("fontcolor")->click();
       }},
      {"drag", [&] {
         w.window->Image2MouseDown(10, 5);
         w.window->Image2MouseMove(20, 6);
         w.window->Image2MouseMove(30, 8);
         w.window->Image2MouseUp();
       }},
      {"default size", [&] {
         d.buttonwidth.SetText("150");
         w.window->suitempedit1Change();
         w.Child<QPushButton>("suiButton5")->click();
       }},
      {"background", [&] {
         w.window->PointBackgroundList(QString::fromStdString((app.exe / "background" / "tile.bmp").string()));
         WaitFor([&] { return w.Child<FileList>("FileListBox2")->currentIndex().isValid(); });
         w.window->FileListBox2Click();
       }},
      {"template load", [&] {
         w.window->PointTemplateList(QString::fromStdString((app.exe / "media" / "button" / "other.btt").string()));
         WaitFor([&] { return w.Child<FileList>("FileListBox1")->currentIndex().isValid(); });
         w.window->FileListBox1Click();
       }},
  };
  for (const auto& c : changes) {
    const std::string memo = d.Memo1;
    const Picture image2 = d.Image2;
    const auto colours = d.LineColors;
    const int steps = stack.count();
    c.change();
    EXPECT_EQ(stack.count(), steps + (std::string(c.what) == "default size" ? 2 : 1)) << c.what;
    const std::string changed = d.Memo1;
    const Picture changed2 = d.Image2;
    if (std::string(c.what) == "default size") stack.undo();  // the Default Size step
    stack.undo();
    EXPECT_EQ(d.Memo1, memo) << c.what;
    EXPECT_TRUE(d.Image2 == image2) << c.what;
    EXPECT_TRUE(d.LineColors == colours) << c.what;
    stack.redo();
    if (std::string(c.what) == "default size") stack.redo();
    EXPECT_EQ(d.Memo1, changed) << c.what;
    EXPECT_TRUE(d.Image2 == changed2) << c.what;
  }
  EXPECT_EQ(d.edit1, "Other");
  EXPECT_TRUE(w.dialogs.errors.isEmpty()) << w.dialogs.errors.join('\n').toStdString();

  // Typing without a pause is one step; after a pause it is the next.
  auto* edit1 = w.Child<QPlainTextEdit>("edit1");
  edit1->moveCursor(QTextCursor::End);
  const int steps = stack.count();
  QTest::keyClicks(edit1, "abc");
  EXPECT_EQ(stack.count(), steps + 1);
  QTest::qWait(1100);
  QTest::keyClicks(edit1, "d");
  EXPECT_EQ(stack.count(), steps + 2);
  stack.undo();
  stack.undo();
  EXPECT_EQ(d.edit1, "Other");
  EXPECT_EQ(edit1->toPlainText(), "Other");
}

TEST_F(WindowHistory, RecentTemplatesOutliveTheWindowAndOpenAgain) {
  AppFolder app;
  const fs::path other = app.dir.path() / "elsewhere.btt";
  WriteTemplate(other, TestTemplate::Captioned("Far", 1, 1));
  {
    WindowUnderTest first(app.exe);
    first.LoadNow();
    first.dialogs.openAnswers.push_back(QString::fromStdString(other.string()));
    first.window->suiButton7Click();
  }
  WindowUnderTest second(app.exe);
  const QStringList recent = second.window->RecentTemplates();
  ASSERT_GE(recent.size(), 2);
  EXPECT_EQ(recent[0].toStdString(), other.string());
  EXPECT_EQ(recent[1].toStdString(), (app.exe / "media" / "button" / "zuri-color.btt").string());
  second.LoadNow();  // the start-up template comes first again
  auto* menu = second.window->findChild<QMenu*>("RecentMenu");
  emit menu->aboutToShow();
  ASSERT_GE(menu->actions().size(), 2);
  EXPECT_EQ(menu->actions()[0]->text(), "zuri-color.btt");
  menu->actions()[1]->trigger();
  EXPECT_EQ(second.window->design().edit1, "Far");
}

TEST_F(WindowHistory, ClosingOverUnsavedChangesAsks) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  // Nothing changed: no question.
  EXPECT_TRUE(w.window->close());
  EXPECT_EQ(w.dialogs.saveChangesAsked, 0);

  w.window->show();
  w.Child<QToolButton>("ToolButton2")->click();
  EXPECT_NE(w.Child<QLabel>("DocumentName")->text().indexOf("unsaved"), -1);
  w.dialogs.saveChangesAnswer = Dialogs::SaveAnswer::kCancel;
  EXPECT_FALSE(w.window->close());
  EXPECT_TRUE(w.window->isVisible());

  const fs::path saved = app.dir.path() / "saved.btt";
  w.dialogs.saveChangesAnswer = Dialogs::SaveAnswer::kSave;
  w.dialogs.saveAnswers.push_back(std::nullopt);  // the save dialog cancelled: stays open
  EXPECT_FALSE(w.window->close());
  w.dialogs.saveAnswers.push_back(QString::fromStdString(saved.string()));
  EXPECT_TRUE(w.window->close());
  EXPECT_EQ(GetTagValue(ReadWholeFile(saved), "Button1-Text.style.italic"), "Y");

  w.window->show();
  w.Child<QToolButton>("ToolButton2")->click();
  w.dialogs.saveChangesAnswer = Dialogs::SaveAnswer::kDiscard;
  const std::string before = ReadWholeFile(saved);
  EXPECT_TRUE(w.window->close());
  EXPECT_EQ(ReadWholeFile(saved), before);
  EXPECT_EQ(w.dialogs.saveChangesAsked, 4);
}

TEST_F(WindowHistory, ATemplateGivenAtStartIsLoadedInsteadAndABadOneIsReported) {
  AppFolder app;
  const fs::path given = app.dir.path() / "given.btt";
  WriteTemplate(given, TestTemplate::Captioned("Given", 2, 2));
  {
    WindowUnderTest w(app.exe);
    w.window->SetStartupTemplate(QString::fromStdString(given.string()));
    w.LoadNow();
    EXPECT_EQ(w.window->design().edit1, "Given");
    EXPECT_FALSE(w.window->History().Stack().canUndo());
  }
  WriteWholeFile("not a template", app.dir.path() / "bad.btt");
  WindowUnderTest w(app.exe);
  w.window->SetStartupTemplate(QString::fromStdString((app.dir.path() / "bad.btt").string()));
  w.LoadNow();
  ASSERT_EQ(w.dialogs.errors.size(), 1);
  w.Child<QToolButton>("ToolButton1")->click();
  EXPECT_TRUE(w.window->design().ToolButton1);
}

TEST_F(WindowHistory, ExportForWebFromTheMenuWritesThePageWithTheLinks) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  auto* links = w.Child<QPlainTextEdit>("links");
  links->setPlainText("https://example.com/one\n\n/three");
  EXPECT_EQ(w.window->design().links, "https://example.com/one\r\n\r\n/three");
  const fs::path page = app.dir.path() / "web" / "nav.html";
  fs::create_directories(page.parent_path());
  w.dialogs.saveAnswers.push_back(QString::fromStdString(page.string()));
  Action(w, "ExportForWeb")->trigger();
  EXPECT_EQ(w.dialogs.saveFilters.back(), "Web page (*.html)");
  ASSERT_TRUE(w.dialogs.errors.isEmpty()) << w.dialogs.errors.join('\n').toStdString();
  const std::string html = ReadWholeFile(page);
  EXPECT_NE(html.find("href=\"https://example.com/one\""), std::string::npos);
  EXPECT_NE(html.find("href=\"/three\""), std::string::npos);
  EXPECT_TRUE(FileExists(page.parent_path() / "nav_3_hover@2x.png"));
}

TEST_F(WindowHistory, InstalledTheListsShowTheUsersOwnTemplatesBesideTheShippedOnes) {
  // An installed layout: an empty bin/ beside share/corvanti/ with the shipped files.
  AppFolder app;
  const fs::path prefix = app.dir.path() / "prefix";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share");
  fs::rename(app.exe, prefix / "share" / "corvanti");
  const fs::path home = app.dir.path() / "home";
  fs::create_directories(home / "data" / "corvanti" / "media" / "button");
  WriteTemplate(home / "data" / "corvanti" / "media" / "button" / "mine.btt", TestTemplate::Captioned("Mine", 1, 1));
  ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
  {
    WindowUnderTest w(prefix / "bin");
    w.LoadNow();
    EXPECT_TRUE(w.dialogs.errors.isEmpty()) << w.dialogs.errors.join('\n').toStdString();
    // Scratch files go to the user's cache, not into the install.
    EXPECT_TRUE(FileExists(home / "cache" / "corvanti" / "temp" / "xml.bmp"));
    auto* list = w.Child<FileList>("FileListBox1");
    QStringList names;
    for (int r = 0; r < list->model()->rowCount(list->rootIndex()); ++r) {
      names << list->model()->index(r, 0, list->rootIndex()).data().toString();
    }
    EXPECT_EQ(names.join(' '), "mine.btt zuri-color.btt");
    list->setCurrentIndex(list->model()->index(0, 0, list->rootIndex()));
    w.window->FileListBox1Click();
    EXPECT_EQ(w.window->design().edit1, "Mine");
  }
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace corvanti
