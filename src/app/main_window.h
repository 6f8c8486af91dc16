#pragma once

#include <filesystem>
#include <memory>

#include <QColor>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "app/controls.h"
#include "app/design_history.h"
#include "app/dialogs.h"
#include "design/app_paths.h"
#include "design/design.h"

class QCheckBox;
class QFontComboBox;
class QLabel;
class QMenu;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QToolButton;

namespace corvanti {

class FileBrowser;

// The main window. It owns the one design and binds every control to it: each control's
// change edits the design and ends in `suitempedit1Change`, which regenerates and shows the
// new previews. Every handler runs inside one guard that reports a failure in a message box
// and leaves the window usable.
//
// The layout lives in main_window_layout.cpp, the handlers in main_window.cpp.
class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // `exeFolder` holds media/, background/, temp/ and script.txt. `dialogs` answers the
  // questions the window asks (the real dialogs when null); it must outlive the window.
  explicit MainWindow(std::filesystem::path exeFolder, Dialogs* dialogs = nullptr,
                      QWidget* parent = nullptr);
  ~MainWindow() override;

  Design& design() { return design_; }
  // The start-up timer: 500 ms after the window is made it loads the default template,
  // once.
  QTimer& Timer1() { return timer1_; }
  // The start-up load has run (successfully or not).
  bool StartupLoadDone() const { return startupLoadDone_; }

  // Handlers, named after their control and event.
  // The window is made: the first page shows, the lists show media/button/ and background/.
  void FormCreate();
  // Timer1 ran out: loads media/button/zuri-color.btt.
  void Timer1Timer();
  // Any settings change: the one regeneration, its error in a message box.
  void suitempedit1Change();
  // The "Font Color" panel.
  void fontcolorClick();
  // The "Shadow Color" panel.
  void shadowcolorClick();
  // The "Front Color" panel: the face colour, of the selected line too.
  void frontcolorClick();
  // The "Default" panel beside it: back to the template's face colour.
  void frontcolordefaultClick();
  // Font-style toggles: ToolButton1 bold, ToolButton2 italic, ToolButton3 underline,
  // ToolButton7 shadow.
  void ToolButton1Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton7Click();
  // Alignment toggles: ToolButton9 align left, ToolButton10 centre, ToolButton11 align right.
  void ToolButton9Click();
  void ToolButton10Click();
  void ToolButton11Click();
  // A family picked in the font chooser `fontname`.
  void fontnameChange();
  // Any of the radio buttons "Horizontal", "Vertical", "Same": how the background picture
  // runs on from one button to the next.
  void bghorizontalClick();
  // A key pressed in the caption memo `edit1`: the caret's line becomes the selected one.
  void suitempedit1KeyDown();
  // Any of the category radio buttons suiRadioButton1 to suiRadioButton4 ("Button",
  // "Toolbutton", "Round", "Others"): the template list shows that folder of media/.
  void suiRadioButton1Click();
  // A pick in the template list FileListBox1: loads that template.
  void FileListBox1Click();
  // "Browse": a template from anywhere, through the open-file dialog.
  void suiButton7Click();
  // A pick in the background list FileListBox2: loads that background picture.
  void FileListBox2Click();
  // "Default Size": the button size of the template as loaded.
  void suiButton5Click();
  // "Save Template": the design as a .btt file.
  void suiButton3Click();
  // "Save Picture&&HTML": the pictures and the page, beside the .gif chosen.
  void suiButton2Click();
  // "Preview IE": the page in the browser.
  void suiButton4Click();
  // "Export for Web…": PNG buttons at 1x and 2x, a style sheet and a page without script.
  void ExportForWebClick();
  // Edit > Undo and Redo: the design's history.
  DesignHistory& History() { return *history_; }
  // The template to load at start instead of the default one (a file given on the
  // command line); set before the start-up timer runs out.
  void SetStartupTemplate(const QString& path) { startupTemplate_ = path; }
  // Templates loaded or saved lately, newest first, kept between runs.
  QStringList RecentTemplates() const;
  // Mouse work on any of the three previews (Image2, Image8, Image5): a drag moves the
  // caption, a click selects the line under it.
  void Image2MouseDown(int x, int y);
  void Image2MouseMove(int x, int y);
  void Image2MouseUp();
  void Image2Click();
  // A click on the background picture Image7: the background's offset.
  void Image7MouseUp(int x, int y);

  // Points a browser's file list at a folder, or at a file (which is then selected):
  // the template list (DirectoryListBox1 and FileListBox1) or the background list
  // (DirectoryListBox2 and FileListBox2).
  void PointTemplateList(const QString& path);
  void PointBackgroundList(const QString& path);

 signals:
  // The start-up load has run, whatever its outcome.
  void StartupLoadFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Unsaved changes: "Save changes to the template?" (Save, Discard, Cancel).
  void closeEvent(QCloseEvent* event) override;

 private:
  struct ShownPicture {
    PictureView* view = nullptr;
    QWidget* canvas = nullptr;
    Picture shown;
    bool transparent = false;
    bool valid = false;
  };

  template <class F>
  void Guard(F&& handler);
  void Regen();  // the regeneration without the guard, for handlers and the loaders
  // The regeneration after typing in a field or in edit1; its error goes to the message line.
  void TypedChange();
  void LoadTemplateFrom(const QString& path);
  // Saves the design through the save dialog; false when cancelled or failed.
  bool SaveTemplateAs();
  void RememberRecent(const QString& path);
  void FillRecentMenu();
  void ShowDocumentState();
  void BuildMenuBar();
  void RefreshFromDesign();
  void RefreshPictures();
  void ShowPicture(ShownPicture& target, const Picture& picture, bool transparent);
  std::optional<Colour> AskColour();
  void SelectCaptionLine(int line);
  // A folder picked in a browser's folder view (DirectoryListBox1 or DirectoryListBox2):
  // its file list shows that folder.
  void ShowChosenFolder(FileBrowser& browser, const QString& folder);
  // A shipped folder (media/<category> or background) with the user's own beside it.
  void ShowShippedAndOwn(FileBrowser& browser, const std::filesystem::path& folder);

  void BuildUi();
  QWidget* BuildOpenTemplatePage();
  QWidget* BuildFontTextPage();
  QWidget* BuildBackgroundPage();
  QScrollArea* MakePane(QWidget* parent, const QRect& geometry, ShownPicture& target, bool white);
  SpinField* MakeField(QWidget* parent, NumericField& field, int x, int y, int width = 56);
  // A check box bound to a flag of the design: a click sets it and regenerates.
  QCheckBox* MakeCheck(QWidget* parent, const QString& caption, const char* name,
                       bool Design::*flag, int x, int y);
  FileBrowser* MakeBrowser(QWidget* parent, const QRect& folders, const QRect& files,
                           const QStringList& nameFilters);

  AppPaths paths_;
  std::filesystem::path exeFolder_;  // where the shipped data is
  Design design_;
  std::unique_ptr<Dialogs> ownDialogs_;
  Dialogs* dialogs_;
  QTimer timer1_;  // `Timer1`
  bool startupLoadDone_ = false;
  bool centred_ = false;
  QColor lastChosenColour_ = Qt::black;
  quint64 regenerations_ = 0;

  QLabel* messageLine_ = nullptr;  // what a typed change could not do, above the previews
  // The template's file name, marked while the design has unsaved changes (the title stays
  // "Corvanti").
  QLabel* documentLabel_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QPlainTextEdit* links_ = nullptr;  // each caption line's link, for the web export
  std::unique_ptr<DesignHistory> history_;
  QString startupTemplate_;
  QString pendingError_;
  QString documentName_;
  // Set by a load or save that succeeded: the history marks that state saved.
  bool savedNow_ = false;
  // Options.
  QTabWidget* pages_ = nullptr;  // suiPageControl1
  int shownPage_ = 0;
  QCheckBox* tbg_ = nullptr;  // "Transparency BackGround": the previews' key colour shows through
  // Open Template.
  QRadioButton* category_[4] = {};  // suiRadioButton1 to suiRadioButton4
  FileBrowser* templates_ = nullptr;  // DirectoryListBox1 and FileListBox1, *.btt
  SpinField* buttonwidth_ = nullptr;   // "Width" of the button
  SpinField* buttonheight_ = nullptr;  // "Height"
  // Font & Text.
  QPlainTextEdit* edit1_ = nullptr;  // the caption memo: one button a line
  SpinField* fontx_ = nullptr;     // position "Left" of the caption
  SpinField* fonty_ = nullptr;     // position "Top"
  SpinField* fontzoom_ = nullptr;  // "Zoom", per cent of the width
  SpinField* tleft_ = nullptr;     // transparency "Left": the fade in from the left, pixels
  SpinField* tright_ = nullptr;    // transparency "Right": the fade out at the right
  SpinField* tt_ = nullptr;        // transparency "Center": the caption's opacity, per cent
  FontChooser* fontname_ = nullptr;  // `fontname`
  ColourPanel* fontcolor_ = nullptr;  // "Font Color"
  SpinField* fontsize_ = nullptr;     // "Size", points
  QToolButton* toolButton1_ = nullptr;   // bold
  QToolButton* toolButton2_ = nullptr;   // italic
  QToolButton* toolButton3_ = nullptr;   // underline
  QToolButton* toolButton7_ = nullptr;   // shadow (ToolButton8 is the separator after it)
  QToolButton* toolButton9_ = nullptr;   // align left
  QToolButton* toolButton10_ = nullptr;  // centre
  QToolButton* toolButton11_ = nullptr;  // align right
  ColourPanel* shadowcolor_ = nullptr;  // "Shadow Color"
  SpinField* shadowcolort_ = nullptr;   // the shadow's opacity, per cent
  QCheckBox* strongShadow_ = nullptr;   // "Strong Shadow"
  // BackGround.
  FileBrowser* backgrounds_ = nullptr;  // DirectoryListBox2 and FileListBox2, pictures
  QLineEdit* bgfilename_ = nullptr;     // the background picture's file, read-only
  ColourPanel* frontcolor_ = nullptr;         // "Front Color"
  ColourPanel* frontcolordefault_ = nullptr;  // "Default"
  QCheckBox* bgpicture_ = nullptr;  // "Use BackGround Picture" instead of the face colours
  SpinField* bgleft_ = nullptr;     // "Left" offset into the background picture
  SpinField* bgtop_ = nullptr;      // "Top" offset
  QRadioButton* bghorizontal_ = nullptr;  // "Horizontal"
  QRadioButton* bgvertical_ = nullptr;    // "Vertical"
  QRadioButton* bgsame_ = nullptr;        // "Same"
  // Pictures.
  ShownPicture image2_;       // the "Button" preview: normal buttons stacked
  ShownPicture image8_;       // the "Button Mouse Over" preview, stacked the same way
  ShownPicture image5_;       // the "Tool Button" strip: normal buttons side by side
  ShownPicture imageSource_;  // "Master Template", fitted to the button size
  ShownPicture imageShadow_;  // "Alpha Template", fitted the same way
  ShownPicture image7_;       // the background picture
};

}  // namespace corvanti
