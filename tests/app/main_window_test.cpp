#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QAbstractItemView>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontComboBox>
#include <QLabel>
#include <QTabBar>
#include <QWheelEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>

#include "app/controls.h"
#include "app_fixture.h"
#include "codecs/bmp_writer.h"
#include "codecs/file_io.h"
#include "templates/tagged_text.h"

namespace corvanti::test {
namespace {

namespace fs = std::filesystem;

void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)),
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(target, &event);
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApplication(); }
};

TEST_F(MainWindowTest, WindowIsFixedWithItsPagesInOrderAndTheWorkingPageHidden) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  EXPECT_EQ(w.window->size(), QSize(852, 560));
  EXPECT_EQ(w.window->minimumSize(), w.window->maximumSize());
  EXPECT_EQ(w.window->windowTitle(), "Corvanti");
  EXPECT_EQ(w.window->palette().color(QPalette::Window), QColor(232, 232, 232));
  auto* pages = w.Child<QTabWidget>("suiPageControl1");
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(pages->count(), 4);
  EXPECT_EQ(pages->tabText(0), "Open Template");
  EXPECT_EQ(pages->tabText(1), "Font&&Text");
  EXPECT_EQ(pages->tabText(2), "BackGround");
  EXPECT_EQ(pages->tabText(3), "suiTabSheet7");
  EXPECT_FALSE(pages->isTabVisible(3));
  EXPECT_EQ(pages->currentIndex(), 0);
  // Neither keys nor the wheel ever reach the working page.
  w.window->show();
  for (int i = 0; i < 8; ++i) {
    QTest::keyClick(pages, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(pages, Qt::Key_PageDown, Qt::ControlModifier);
    QWheelEvent wheel(QPointF(10, 10), pages->tabBar()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(pages->tabBar(), &wheel);
    EXPECT_NE(pages->currentIndex(), 3);
  }
  pages->setCurrentIndex(0);
  // Pages and their groups are the window's grey, as drawn.
  // A point between two groups and an empty point inside one, on each page.
  const QPoint between[] = {{300, 100}, {196, 100}, {356, 100}};
  const QPoint inside[] = {{554, 145}, {400, 300}, {308, 238}};
  for (int page = 0; page < 3; ++page) {
    pages->setCurrentIndex(page);
    const QImage drawn = pages->grab().toImage();
    const QPoint origin = pages->currentWidget()->mapTo(pages, QPoint(0, 0));
    EXPECT_EQ(QColor(drawn.pixel(origin + between[page])), QColor(232, 232, 232)) << page;
    EXPECT_EQ(QColor(drawn.pixel(origin + inside[page])), QColor(232, 232, 232)) << page;
  }
  pages->setCurrentIndex(0);
  EXPECT_EQ(w.Child<QPushButton>("suiButton2")->text(), "Save Picture&&HTML");
  EXPECT_EQ(w.Child<QPushButton>("suiButton3")->geometry(), QRect(16, 16, 121, 43));

  // The style tool bar: seven toggles and a divider, in their order.
  auto* bar = w.Child<QToolBar>("ToolBar1");
  ASSERT_NE(bar, nullptr);
  QStringList order;
  for (QAction* action : bar->actions()) {
    if (action->isSeparator()) {
      order << "|";
    } else if (QWidget* button = bar->widgetForAction(action)) {
      order << button->objectName();
      EXPECT_TRUE(static_cast<QToolButton*>(button)->isCheckable());
      EXPECT_FALSE(static_cast<QToolButton*>(button)->icon().isNull());
    }
  }
  EXPECT_EQ(order.join(' '), "ToolButton1 ToolButton2 ToolButton3 ToolButton7 | ToolButton9 "
                             "ToolButton10 ToolButton11");
  // The font chooser lists the installed families, and the design asks it.
  auto* fonts = w.Child<QFontComboBox>("fontname");
  ASSERT_GT(fonts->count(), 0);
  const std::string listed = fonts->itemText(0).toStdString();
  EXPECT_TRUE(w.window->design().isFontListed(listed));
  EXPECT_FALSE(w.window->design().isFontListed("No Such Font Family 123"));
  EXPECT_EQ(fonts->currentText(), "MS Sans Serif");
  EXPECT_EQ(fonts->maxVisibleItems(), 12);
  // Before the start-up load the previews are empty.
  EXPECT_TRUE(w.Child<PictureView>("Image2")->Image().isNull());
}

TEST_F(MainWindowTest, StartUpLoadRunsOnceAfterHalfASecondAndFillsThePreviews) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  EXPECT_TRUE(w.window->Timer1().isActive());
  EXPECT_EQ(w.window->Timer1().interval(), 500);
  ASSERT_TRUE(WaitFor([&] { return w.window->StartupLoadDone(); }));
  EXPECT_FALSE(w.window->Timer1().isActive());
  EXPECT_TRUE(w.dialogs.errors.isEmpty()) << w.dialogs.errors.join("; ").toStdString();

  Design& d = w.window->design();
  EXPECT_EQ(d.edit1, "One\r\nTwo\r\nThree");
  EXPECT_EQ(w.Child<QPlainTextEdit>("edit1")->toPlainText(), "One\nTwo\nThree");
  EXPECT_EQ(w.Child<SpinField>("fontx")->Edit()->text(), "20");
  for (const char* name : {"Image2", "Image8", "Image5"}) {
    auto* view = w.Child<PictureView>(name);
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(view->Image().isNull()) << name;
    EXPECT_EQ(view->size(), view->Image().size()) << name;
    EXPECT_EQ(view->pos(), QPoint(8, 8)) << name;
  }
  EXPECT_EQ(w.Child<PictureView>("Image2")->Image().size(),
            QSize(d.Image2.Width(), d.Image2.Height()));
  EXPECT_EQ(w.Child<PictureView>("Image2")->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(w.Child<PictureView>("Image7")->cursor().shape(), Qt::CrossCursor);

  // With "Transparency BackGround" the key colour is see-through; without it, opaque.
  const QImage keyed = w.Child<PictureView>("Image2")->Image();
  EXPECT_EQ(qAlpha(keyed.pixel(0, keyed.height() - 1)), 0);
  QTest::mouseClick(w.Child<QCheckBox>("tbg"), Qt::LeftButton);
  EXPECT_FALSE(d.tbg);
  const QImage opaque = w.Child<PictureView>("Image2")->Image();
  EXPECT_EQ(qAlpha(opaque.pixel(0, opaque.height() - 1)), 255);

  // The timer does not come back.
  const std::string memo = d.Memo1;
  QTest::qWait(700);
  EXPECT_EQ(d.Memo1, memo);
}

TEST_F(MainWindowTest, MissingDefaultTemplateGivesOneMessageAndAUsableWindow) {
  AppFolder app(/*withDefaultTemplate=*/false);
  WindowUnderTest w(app.exe);
  ASSERT_TRUE(WaitFor([&] { return w.window->StartupLoadDone(); }));
  QTest::qWait(700);
  ASSERT_EQ(w.dialogs.errors.size(), 1);
  EXPECT_EQ(w.dialogs.errors[0].toStdString(),
            "Cannot open file " + (app.exe / "media" / "button" / "zuri-color.btt").string());
  EXPECT_TRUE(w.Child<PictureView>("Image2")->Image().isNull());
  auto* list = w.Child<FileList>("FileListBox1");
  EXPECT_EQ(list->model()->rowCount(list->rootIndex()), 0);

  // Still usable: typing draws the built-in template.
  auto* edit1 = w.Child<QPlainTextEdit>("edit1");
  edit1->moveCursor(QTextCursor::End);
  QTest::keyClicks(edit1, "7");
  EXPECT_FALSE(w.Child<PictureView>("Image2")->Image().isNull());
  EXPECT_EQ(w.dialogs.errors.size(), 1);
}

TEST_F(MainWindowTest, TypingInTheCaptionRegeneratesAllThreePreviews) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  const QImage before2 = w.Child<PictureView>("Image2")->Image();
  const QImage before8 = w.Child<PictureView>("Image8")->Image();
  const QImage before5 = w.Child<PictureView>("Image5")->Image();
  auto* edit1 = w.Child<QPlainTextEdit>("edit1");
  edit1->moveCursor(QTextCursor::End);
  QTest::keyClick(edit1, Qt::Key_Return);
  QTest::keyClicks(edit1, "Four");
  EXPECT_EQ(w.window->design().edit1, "One\r\nTwo\r\nThree\r\nFour");
  // Four buttons now: the stacks grow by one button, the strip by one button's width.
  const Design& d = w.window->design();
  const int h = d.ImageSource.Height();
  EXPECT_EQ(w.Child<PictureView>("Image2")->Image().height(), before2.height() + h);
  EXPECT_EQ(w.Child<PictureView>("Image8")->Image().height(), before8.height() + h);
  EXPECT_EQ(w.Child<PictureView>("Image5")->Image().width(),
            before5.width() + d.ImageSource.Width());

  // A typed euro sign is kept, and the template stores it as Windows-1252 does.
  QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)));
  QCoreApplication::sendEvent(edit1, &euro);
  EXPECT_EQ(d.edit1, "One\r\nTwo\r\nThree\r\nFour\u20AC");
  EXPECT_EQ(GetTagValue(d.Memo1, "Button1-Text"), "One\r\nTwo\r\nThree\r\nFour\x80");
}

TEST_F(MainWindowTest, KeyDownInTheCaptionSelectsTheCaretLineBeforeTheKeyActs) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  auto* edit1 = w.Child<QPlainTextEdit>("edit1");
  QTextCursor cursor(edit1->document()->findBlockByNumber(1));
  edit1->setTextCursor(cursor);
  QTest::keyClick(edit1, Qt::Key_Down);
  EXPECT_EQ(w.window->design().SelectedLine, 1);
  EXPECT_EQ(edit1->textCursor().blockNumber(), 2);
}

TEST_F(MainWindowTest, ClickOnAPreviewFramesThatLineAndSelectsItsText) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  Design& d = w.window->design();
  const int h = d.ImageSource.Height();
  ASSERT_GT(h, 0);
  auto* pages = w.Child<QTabWidget>("suiPageControl1");
  pages->setCurrentIndex(1);
  w.window->activateWindow();
  auto* image8 = w.Child<PictureView>("Image8");
  QTest::mouseClick(image8, Qt::LeftButton, Qt::NoModifier, QPoint(10, 2 * h + 3));
  EXPECT_EQ(d.SelectedLine, 2);
  auto* edit1 = w.Child<QPlainTextEdit>("edit1");
  EXPECT_EQ(edit1->textCursor().selectedText(), "Three");
  EXPECT_TRUE(WaitFor([&] { return edit1->hasFocus(); }, 1000));
  // The frame is red on the third button of the normal stack.
  const QImage shown = w.Child<PictureView>("Image2")->Image();
  EXPECT_EQ(QColor(shown.pixel(1, 2 * h + h / 2)), QColor(255, 0, 0));

  // The key row selects no line: nothing fails, nothing is framed, nothing is selected.
  QTest::mouseClick(w.Child<PictureView>("Image2"), Qt::LeftButton, Qt::NoModifier,
                    QPoint(10, 3 * h));
  EXPECT_EQ(d.SelectedLine, 3);
  EXPECT_FALSE(edit1->textCursor().hasSelection());
  EXPECT_TRUE(w.dialogs.errors.isEmpty());
}

TEST_F(MainWindowTest, DragOnAPreviewMovesTheCaptionAndNeverBelowZero) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  Design& d = w.window->design();
  auto* image2 = w.Child<PictureView>("Image2");
  SendMouse(image2, QEvent::MouseButtonPress, {50, 10}, Qt::LeftButton);
  SendMouse(image2, QEvent::MouseMove, {60, 5}, Qt::LeftButton);
  EXPECT_EQ(d.fontx.Value(), 30);
  EXPECT_EQ(d.fonty.Value(), 15);
  EXPECT_EQ(w.Child<SpinField>("fontx")->Edit()->text(), "30");
  EXPECT_EQ(w.Child<SpinField>("fonty")->Edit()->text(), "15");
  SendMouse(image2, QEvent::MouseMove, {60, -20}, Qt::LeftButton);
  EXPECT_EQ(d.fonty.Value(), 0);
  SendMouse(image2, QEvent::MouseButtonRelease, {60, 5}, Qt::NoButton);
  EXPECT_EQ(d.PreviewDragging, 0);
  // The click follows the drag's release and selects the line the drag started on.
  EXPECT_EQ(d.SelectedLine, 10 / d.ImageSource.Height());
  // A move without a press changes nothing.
  SendMouse(image2, QEvent::MouseMove, {90, 40}, Qt::NoButton);
  EXPECT_EQ(d.fontx.Value(), 30);
}

TEST_F(MainWindowTest, AlignmentTogglesStayConsistent) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  auto* left = w.Child<QToolButton>("ToolButton9");
  auto* centre = w.Child<QToolButton>("ToolButton10");
  auto* right = w.Child<QToolButton>("ToolButton11");
  QTest::mouseClick(centre, Qt::LeftButton);
  EXPECT_TRUE(centre->isChecked());
  EXPECT_FALSE(left->isChecked());
  EXPECT_FALSE(right->isChecked());
  const Design& d = w.window->design();
  EXPECT_TRUE(d.ToolButton10);
  EXPECT_FALSE(d.ToolButton9 || d.ToolButton11);
  // Releasing the pressed one presses the other two.
  QTest::mouseClick(centre, Qt::LeftButton);
  EXPECT_FALSE(centre->isChecked());
  EXPECT_TRUE(left->isChecked());
  EXPECT_TRUE(right->isChecked());
  EXPECT_TRUE(d.ToolButton9 && d.ToolButton11 && !d.ToolButton10);
  // Choosing a font in the chooser names the caption font.
  auto* fonts = w.Child<QFontComboBox>("fontname");
  const int last = fonts->count() - 1;
  fonts->setCurrentIndex(last);
  emit fonts->activated(last);
  EXPECT_EQ(d.fontname, fonts->itemText(last).toStdString());
  EXPECT_EQ(d.captionFont.name, d.fontname);
  // Bold sets only the bold bit of the caption font.
  QTest::mouseClick(w.Child<QToolButton>("ToolButton1"), Qt::LeftButton);
  EXPECT_TRUE(d.ToolButton1);
  EXPECT_TRUE(d.captionFont.bold);
  EXPECT_FALSE(d.captionFont.italic);
}

TEST_F(MainWindowTest, CategoryShowsItsTemplatesAndAListPickLoadsOne) {
  AppFolder app;
  WriteTemplate(app.exe / "media" / "toolbutton" / "b.btt", TestTemplate::Captioned("Bee", 1, 1));
  WriteTemplate(app.exe / "media" / "toolbutton" / "a.btt", TestTemplate::Captioned("Ay", 2, 2));
  fs::create_directories(app.exe / "media" / "toolbutton" / "sub.btt");
  WriteTemplate(app.exe / "media" / "toolbutton" / "note.txt", {});
  WindowUnderTest w(app.exe);
  w.LoadNow();
  const Design& d = w.window->design();
  const std::string memo = d.Memo1;
  const Picture image2 = d.Image2;

  QTest::mouseClick(w.Child<QRadioButton>("suiRadioButton2"), Qt::LeftButton);
  auto* list = w.Child<FileList>("FileListBox1");
  ASSERT_TRUE(WaitFor([&] { return list->model()->rowCount(list->rootIndex()) == 2; }));
  EXPECT_EQ(list->model()->index(0, 0, list->rootIndex()).data().toString(), "a.btt");
  EXPECT_EQ(list->model()->index(1, 0, list->rootIndex()).data().toString(), "b.btt");
  EXPECT_EQ(d.Memo1, memo);
  EXPECT_TRUE(d.Image2 == image2);

  // A click loads the entry; the arrow keys load every entry passed over.
  const QModelIndex first = list->model()->index(0, 0, list->rootIndex());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                    list->visualRect(first).center());
  EXPECT_EQ(d.edit1, "Ay");
  EXPECT_EQ(w.Child<QPlainTextEdit>("edit1")->toPlainText(), "Ay");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(d.edit1, "Bee");
  EXPECT_EQ(w.Child<SpinField>("fontx")->Edit()->text(), "1");
  // Selecting an entry from code loads nothing.
  w.window->PointTemplateList(QString::fromStdString((app.exe / "media" / "toolbutton" / "a.btt").string()));
  EXPECT_EQ(d.edit1, "Bee");
  EXPECT_EQ(list->currentIndex().data().toString(), "a.btt");
  // A category whose folder is missing shows nothing.
  fs::remove_all(app.exe / "media" / "round");
  QTest::mouseClick(w.Child<QRadioButton>("suiRadioButton3"), Qt::LeftButton);
  EXPECT_EQ(list->model()->rowCount(list->rootIndex()), 0);
  EXPECT_TRUE(w.dialogs.errors.isEmpty()) << w.dialogs.errors.join("; ").toStdString();
}

TEST_F(MainWindowTest, BrowseMovesTheListToTheFileAndLoadsItFromTheSelection) {
  AppFolder app;
  const fs::path elsewhere = app.dir.path() / "elsewhere";
  fs::create_directories(elsewhere);
  WriteTemplate(elsewhere / "far.btt", TestTemplate::Captioned("Far away", 5, 6));
  WindowUnderTest w(app.exe);
  w.LoadNow();
  w.dialogs.openAnswers.push_back(QString::fromStdString((elsewhere / "far.btt").string()));
  QTest::mouseClick(w.Child<QPushButton>("suiButton7"), Qt::LeftButton);
  EXPECT_EQ(w.dialogs.openFilters.value(0), "Button Template (*.btt)");
  EXPECT_EQ(w.window->design().edit1, "Far away");
  auto* list = w.Child<FileList>("FileListBox1");
  auto* model = static_cast<QFileSystemModel*>(list->model());
  EXPECT_EQ(model->filePath(list->currentIndex()).toStdString(), (elsewhere / "far.btt").string());
  // Cancel does nothing.
  QTest::mouseClick(w.Child<QPushButton>("suiButton7"), Qt::LeftButton);
  EXPECT_EQ(w.window->design().edit1, "Far away");
  EXPECT_TRUE(w.dialogs.errors.isEmpty());
  // A name that names no file is reported and changes nothing.
  const fs::path missing = elsewhere / "missing.btt";
  w.dialogs.openAnswers.push_back(QString::fromStdString(missing.string()));
  QTest::mouseClick(w.Child<QPushButton>("suiButton7"), Qt::LeftButton);
  ASSERT_EQ(w.dialogs.errors.size(), 1);
  EXPECT_EQ(w.dialogs.errors[0].toStdString(), "Cannot open file " + missing.string());
  EXPECT_EQ(w.window->design().edit1, "Far away");
  // ... and the list still shows the folder and file it showed.
  EXPECT_EQ(model->filePath(list->currentIndex()).toStdString(), (elsewhere / "far.btt").string());

  // A file that is no template: one message naming it, the design and its save unchanged.
  WriteWholeFile("Shopping list\r\n", elsewhere / "notes.btt");
  const std::string memo = w.window->design().Memo1;
  w.dialogs.openAnswers.push_back(QString::fromStdString((elsewhere / "notes.btt").string()));
  QTest::mouseClick(w.Child<QPushButton>("suiButton7"), Qt::LeftButton);
  ASSERT_EQ(w.dialogs.errors.size(), 2);
  EXPECT_EQ(w.dialogs.errors[1].toStdString(),
            "Cannot use " + (elsewhere / "notes.btt").string() + " as a template: it holds no master picture");
  EXPECT_EQ(w.window->design().Memo1, memo);
  EXPECT_EQ(w.window->design().filename, "xml");
}

TEST_F(MainWindowTest, TheOpenFontListPreviewsTheRowUnderTheCursor) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  auto* fonts = w.Child<FontChooser>("fontname");
  ASSERT_GT(fonts->count(), 2);
  FontPreview* preview = fonts->Preview();
  EXPECT_FALSE(preview->isVisible());
  fonts->showPopup();
  ASSERT_TRUE(WaitFor([&] { return preview->isVisible(); }, 2000));
  EXPECT_EQ(preview->size(), QSize(240, 60));
  const QRect list = fonts->view()->window()->geometry();
  EXPECT_TRUE(preview->x() == list.right() + 2 || preview->geometry().right() == list.left() - 2);

  // The row under the mouse, then the keyboard's row, with the caption's first line.
  QAbstractItemView* view = fonts->view();
  const QModelIndex row = view->model()->index(1, 0);
  SendMouse(view->viewport(), QEvent::MouseMove, view->visualRect(row).center(), Qt::NoButton);
  EXPECT_EQ(preview->Family(), fonts->itemText(1));
  EXPECT_EQ(preview->Text(), "One");
  QTest::keyClick(view, Qt::Key_Down);
  EXPECT_EQ(preview->Family(), fonts->itemText(2));
  fonts->hidePopup();
  EXPECT_FALSE(preview->isVisible());
}

TEST_F(MainWindowTest, BothBrowsersShowFileIconsWithoutAnIconTheme) {
  AppFolder app;
  WriteWholeFile(EncodeBmp24(test::SolidPicture(4, 4, 0)), app.exe / "background" / "tile.bmp");
  QIcon::setThemeName(QString());
  WindowUnderTest w(app.exe);
  for (const char* name : {"FileListBox1", "FileListBox2"}) {
    auto* list = w.Child<FileList>(name);
    ASSERT_TRUE(WaitFor([&] { return list->model()->rowCount(list->rootIndex()) == 1; })) << name;
    const QModelIndex entry = list->model()->index(0, 0, list->rootIndex());
    ASSERT_TRUE(WaitFor([&] { return !entry.data(Qt::DecorationRole).value<QIcon>().isNull(); })) << name;
  }
  // Each kind has its own.
  const FileIcons icons;
  const QImage templ = icons.icon(QFileInfo("a.btt")).pixmap(16).toImage();
  EXPECT_NE(templ, icons.icon(QFileInfo("a.jpg")).pixmap(16).toImage());
  EXPECT_NE(templ, icons.icon(QFileInfo("a.txt")).pixmap(16).toImage());
}

TEST_F(MainWindowTest, ErrorsOfTypedChangesGoToTheMessageLineWithoutTakingTheFocus) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.window->show();
  w.LoadNow();
  auto* width = w.Child<SpinField>("buttonwidth");
  width->Edit()->setFocus();
  ASSERT_TRUE(WaitFor([&] { return width->Edit()->hasFocus(); }, 1000));
  width->Edit()->selectAll();
  QTest::keyClicks(width->Edit(), "99999");
  auto* line = w.Child<QLabel>("MessageLine");
  EXPECT_TRUE(w.dialogs.errors.isEmpty());
  EXPECT_TRUE(line->toolTip().startsWith("Button too large")) << line->toolTip().toStdString();
  EXPECT_EQ(width->Edit()->text(), "99999");
  EXPECT_TRUE(width->Edit()->hasFocus());
  // The next run that succeeds clears it.
  QTest::keyClick(width->Edit(), Qt::Key_Backspace);
  QTest::keyClick(width->Edit(), Qt::Key_Backspace);
  EXPECT_TRUE(line->text().isEmpty());
  EXPECT_TRUE(w.dialogs.errors.isEmpty());
}

TEST_F(MainWindowTest, DefaultSizeRestoresTheTemplateSize) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  Design& d = w.window->design();
  auto* width = w.Child<SpinField>("buttonwidth");
  const int loaded = d.Imagebackup.Width();
  width->Edit()->setFocus();
  width->Edit()->selectAll();
  QTest::keyClicks(width->Edit(), "300");
  EXPECT_EQ(d.buttonwidth.Value(), 300);
  EXPECT_EQ(w.Child<PictureView>("Image2")->Image().width(), 300);
  QTest::mouseClick(w.Child<QPushButton>("suiButton5"), Qt::LeftButton);
  EXPECT_EQ(d.buttonwidth.Value(), loaded);
  EXPECT_EQ(width->Edit()->text(), QString::number(loaded));
  EXPECT_EQ(w.Child<PictureView>("Image2")->Image().width(), loaded);
}

TEST_F(MainWindowTest, NumericFieldsShowOutOfRangeTextUntilTheyLoseTheFocus) {
  AppFolder app;
  TestTemplate settings;
  settings.fontsizeText = "200";
  WriteTemplate(app.exe / "media" / "button" / "zuri-color.btt", settings);
  WindowUnderTest w(app.exe);
  w.LoadNow();
  auto* size = w.Child<SpinField>("fontsize");
  EXPECT_EQ(size->Edit()->text(), "200");
  w.Child<QTabWidget>("suiPageControl1")->setCurrentIndex(1);
  w.window->activateWindow();
  size->Edit()->setFocus();
  ASSERT_TRUE(WaitFor([&] { return size->Edit()->hasFocus(); }, 1000));
  w.Child<QPlainTextEdit>("edit1")->setFocus();
  ASSERT_TRUE(WaitFor([&] { return !size->Edit()->hasFocus(); }, 1000));
  EXPECT_EQ(size->Edit()->text(), "96");
  EXPECT_EQ(w.window->design().fontsize.Text(), "96");

  // Arrow keys step by the field's step and stay in range.
  size->Edit()->setFocus();
  QTest::keyClick(size->Edit(), Qt::Key_Down);
  EXPECT_EQ(size->Edit()->text(), "94");
  // Typing takes digits and the minus sign only.
  size->Edit()->selectAll();
  QTest::keyClicks(size->Edit(), "1x-");
  EXPECT_EQ(size->Edit()->text(), "1-");
}

TEST_F(MainWindowTest, ColourPanelsUseTheLastChosenColourAndCancelChangesNothing) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  Design& d = w.window->design();
  auto* fontcolor = w.Child<ColourPanel>("fontcolor");
  w.dialogs.colourAnswers.push_back(QColor(10, 20, 30));
  QTest::mouseClick(fontcolor, Qt::LeftButton);
  EXPECT_EQ(d.fontcolor, MakeColour(10, 20, 30));
  EXPECT_EQ(fontcolor->GetColour(), MakeColour(10, 20, 30));
  EXPECT_EQ(fontcolor->text(), "Font Color");

  // The next dialog opens with that colour; cancelling it leaves everything alone.
  const Picture before = d.Image2;
  QTest::mouseClick(w.Child<ColourPanel>("shadowcolor"), Qt::LeftButton);
  ASSERT_EQ(w.dialogs.colourInitials.size(), 2u);
  EXPECT_EQ(w.dialogs.colourInitials[1], QColor(10, 20, 30));
  EXPECT_TRUE(d.Image2 == before);

  // "Front Color" colours the selected line; after a load that is entry 999.
  EXPECT_EQ(d.SelectedLine, kNoLineSelected);
  w.dialogs.colourAnswers.push_back(QColor(0, 200, 0));
  QTest::mouseClick(w.Child<ColourPanel>("frontcolor"), Qt::LeftButton);
  EXPECT_EQ(d.LineColors[999], MakeColour(0, 200, 0));
  EXPECT_EQ(w.Child<ColourPanel>("frontcolor")->GetColour(), MakeColour(0, 200, 0));
  // "Default" gives the selected line the template's own colour.
  d.SelectedLine = 1;
  QTest::mouseClick(w.Child<ColourPanel>("frontcolordefault"), Qt::LeftButton);
  EXPECT_EQ(d.LineColors[1], d.frontcolordefault);
  EXPECT_EQ(d.frontcolor, d.frontcolordefault);
}

TEST_F(MainWindowTest, SavedTemplateLoadsBackToTheSameDesign) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  Design& d = w.window->design();
  auto* edit1 = w.Child<QPlainTextEdit>("edit1");
  edit1->moveCursor(QTextCursor::End);
  QTest::keyClicks(edit1, " more");
  QTest::mouseClick(w.Child<QToolButton>("ToolButton2"), Qt::LeftButton);
  QTest::mouseClick(w.Child<QCheckBox>("tbg"), Qt::LeftButton);
  EXPECT_FALSE(d.tbg);
  // A loaded template selects no line; compare like with like.
  d.SelectedLine = kNoLineSelected;
  w.window->suitempedit1Change();
  const std::string memo = d.Memo1;
  const Picture image2 = d.Image2;

  const fs::path saved = app.dir.path() / "saved.btt";
  w.dialogs.saveAnswers.push_back(QString::fromStdString(saved.string()));
  QTest::mouseClick(w.Child<QPushButton>("suiButton3"), Qt::LeftButton);
  EXPECT_EQ(w.dialogs.saveFilters.value(0), "*.btt (*.btt)");
  EXPECT_EQ(w.dialogs.saveSuffixes.value(0), "btt");
  ASSERT_TRUE(fs::exists(saved));

  // A fresh window loads it through "Browse".
  WindowUnderTest other(app.exe);
  other.LoadNow();
  other.dialogs.openAnswers.push_back(QString::fromStdString(saved.string()));
  QTest::mouseClick(other.Child<QPushButton>("suiButton7"), Qt::LeftButton);
  const Design& e = other.window->design();
  EXPECT_TRUE(other.dialogs.errors.isEmpty()) << other.dialogs.errors.join("; ").toStdString();
  EXPECT_EQ(e.edit1, "One\r\nTwo\r\nThree more");
  EXPECT_TRUE(e.ToolButton2);
  EXPECT_FALSE(other.Child<QCheckBox>("tbg")->isChecked());
  EXPECT_TRUE(other.Child<QToolButton>("ToolButton2")->isChecked());
  EXPECT_EQ(e.Memo1, memo);
  EXPECT_TRUE(e.Image2 == image2);
}

TEST_F(MainWindowTest, ExportAndBrowserPreviewGoThroughTheirDialogs) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  Design& d = w.window->design();
  d.SelectedLine = 1;
  const fs::path out = app.dir.path() / "nav.gif";
  w.dialogs.saveAnswers.push_back(QString::fromStdString(out.string()));
  QTest::mouseClick(w.Child<QPushButton>("suiButton2"), Qt::LeftButton);
  EXPECT_EQ(w.dialogs.saveFilters.value(0), "*.gif (*.gif)");
  EXPECT_EQ(w.dialogs.saveSuffixes.value(0), "gif");
  EXPECT_EQ(d.SelectedLine, kNoLineSelected);
  EXPECT_TRUE(fs::exists(out));
  EXPECT_TRUE(fs::exists(app.dir.path() / "nav_3_mouseover.gif"));
  EXPECT_TRUE(fs::exists(app.dir.path() / "nav.htm"));

  QTest::mouseClick(w.Child<QPushButton>("suiButton4"), Qt::LeftButton);
  ASSERT_EQ(w.dialogs.opened.size(), 1u);
  EXPECT_EQ(w.dialogs.opened[0].toLocalFile().toStdString(),
            (app.exe / "temp" / "test.htm").string());
  EXPECT_TRUE(w.dialogs.errors.isEmpty()) << w.dialogs.errors.join("; ").toStdString();
}

TEST_F(MainWindowTest, AFailingHandlerShowsItsMessageAndTheWindowGoesOn) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  // No temp folder: the browser preview cannot write its first picture.
  fs::remove_all(app.exe / "temp");
  QTest::mouseClick(w.Child<QPushButton>("suiButton4"), Qt::LeftButton);
  ASSERT_EQ(w.dialogs.errors.size(), 1);
  EXPECT_TRUE(w.dialogs.errors[0].startsWith("Cannot create file"))
      << w.dialogs.errors[0].toStdString();
  EXPECT_TRUE(w.dialogs.opened.empty());
  EXPECT_EQ(w.window->design().Regenerating, 0);
  // And it still responds.
  QTest::mouseClick(w.Child<QToolButton>("ToolButton1"), Qt::LeftButton);
  EXPECT_TRUE(w.window->design().ToolButton1);
}

TEST_F(MainWindowTest, BackgroundPickSetsTheFileResetsTheOffsetAndLoadsIt) {
  AppFolder app;
  WindowUnderTest w(app.exe);
  w.LoadNow();
  Design& d = w.window->design();
  // A click on Image7 sets the offset first.
  w.Child<QTabWidget>("suiPageControl1")->setCurrentIndex(2);
  QTest::mouseClick(w.Child<PictureView>("Image7"), Qt::LeftButton, Qt::NoModifier, {30, 40});
  EXPECT_EQ(d.bgleft.Value(), 30);
  EXPECT_EQ(d.bgtop.Value(), 40);
  EXPECT_EQ(w.Child<SpinField>("bgtop")->Edit()->text(), "40");

  WriteWholeFile("not a picture", app.exe / "background" / "broken.gif");
  w.window->PointBackgroundList(QString::fromStdString((app.exe / "background").string()));
  auto* list = w.Child<FileList>("FileListBox2");
  ASSERT_TRUE(WaitFor([&] { return list->model()->rowCount(list->rootIndex()) == 1; }));
  const QModelIndex entry = list->model()->index(0, 0, list->rootIndex());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                    list->visualRect(entry).center());
  // The damaged picture: its name is shown and the offsets are reset, then its error.
  EXPECT_EQ(w.Child<QLineEdit>("bgfilename")->text().toStdString(),
            (app.exe / "background" / "broken.gif").string());
  EXPECT_EQ(d.bgleft.Value(), 0);
  EXPECT_EQ(d.bgtop.Value(), 0);
  EXPECT_EQ(w.dialogs.errors.size(), 1);
}

}  // namespace
}  // namespace corvanti::test
