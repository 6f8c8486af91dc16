#pragma once

#include <filesystem>
#include <memory>

#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "app/controls.h"
#include "app/dialogs.h"
#include "design/design.h"

class QCheckBox;
class QFileSystemModel;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QScrollArea;
class QStringListModel;
class QTabWidget;
class QToolButton;
class QTreeView;

namespace corvanti {

// The main window. It owns the one design and binds every control to it: each control's
// change edits the design and ends in `suitempedit1Change`, which regenerates and shows the
// new previews. Every handler runs inside one guard that reports a failure in a message box
// and leaves the window usable.
class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // `exeFolder` holds media/, background/, temp/ and script.txt. `dialogs` answers the
  // questions the window asks (the real dialogs when null); it must outlive the window.
  explicit MainWindow(std::filesystem::path exeFolder, Dialogs* dialogs = nullptr,
                      QWidget* parent = nullptr);
  ~MainWindow() override;

  Design& design() { return design_; }
  QTimer& Timer1() { return timer1_; }
  // The start-up load has run (successfully or not).
  bool StartupLoadDone() const { return startupLoadDone_; }

  // Handlers, named after their control and event.
  void FormCreate();
  void Timer1Timer();
  void suitempedit1Change();
  void fontcolorClick();
  void shadowcolorClick();
  void frontcolorClick();
  void frontcolordefaultClick();
  void ToolButton1Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton7Click();
  void ToolButton9Click();
  void ToolButton10Click();
  void ToolButton11Click();
  void fontnameChange();
  void bghorizontalClick();
  void suitempedit1KeyDown();
  void suiRadioButton1Click();
  void FileListBox1Click();
  void suiButton7Click();
  void FileListBox2Click();
  void suiButton5Click();
  void suiButton3Click();
  void suiButton2Click();
  void suiButton4Click();
  void Image2MouseDown(int x, int y);
  void Image2MouseMove(int x, int y);
  void Image2MouseUp();
  void Image2Click();
  void Image7MouseUp(int x, int y);

  // Points a browser's file list at a folder, or at a file (which is then selected).
  void PointTemplateList(const QString& path);
  void PointBackgroundList(const QString& path);

 signals:
  // The start-up load has run, whatever its outcome.
  void StartupLoadFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct Browser {
    QTreeView* folders = nullptr;
    FileList* files = nullptr;
    QFileSystemModel* folderModel = nullptr;
    QFileSystemModel* fileModel = nullptr;
    QStringListModel* emptyModel = nullptr;
    bool pointingFromCode = false;
    // The folder the view should show once the model has read its way down to it.
    QString shownFolder;
  };
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
  void RefreshFromDesign();
  void RefreshPictures();
  void ShowPicture(ShownPicture& target, const Picture& picture, bool transparent);
  std::optional<Colour> AskColour();
  void SelectCaptionLine(int line);
  void PointList(Browser& browser, const QString& path);
  void ShowFolder(Browser& browser);
  QString ChosenFile(const Browser& browser) const;

  void BuildUi();
  QWidget* BuildOpenTemplatePage();
  QWidget* BuildFontTextPage();
  QWidget* BuildBackgroundPage();
  QScrollArea* MakePane(QWidget* parent, const QRect& geometry, ShownPicture& target, bool white);
  SpinField* MakeField(QWidget* parent, NumericField& field, int x, int y, int width = 56);
  void BuildBrowser(Browser& browser, QWidget* parent, const QRect& folders, const QRect& files,
                    const QStringList& nameFilters);

  std::filesystem::path exeFolder_;
  Design design_;
  std::unique_ptr<Dialogs> ownDialogs_;
  Dialogs* dialogs_;
  QTimer timer1_;
  bool startupLoadDone_ = false;
  bool centred_ = false;
  QColor lastChosenColour_ = Qt::black;
  quint64 regenerations_ = 0;

  QLabel* messageLine_ = nullptr;
  // Options.
  QTabWidget* pages_ = nullptr;
  int shownPage_ = 0;
  QCheckBox* tbg_ = nullptr;
  // Open Template.
  QRadioButton* category_[4] = {};
  Browser templates_;
  SpinField* buttonwidth_ = nullptr;
  SpinField* buttonheight_ = nullptr;
  // Font & Text.
  QPlainTextEdit* edit1_ = nullptr;
  SpinField* fontx_ = nullptr;
  SpinField* fonty_ = nullptr;
  SpinField* fontzoom_ = nullptr;
  SpinField* tleft_ = nullptr;
  SpinField* tright_ = nullptr;
  SpinField* tt_ = nullptr;
  FontChooser* fontname_ = nullptr;  // `fontname`
  ColourPanel* fontcolor_ = nullptr;
  SpinField* fontsize_ = nullptr;
  QToolButton* toolButton1_ = nullptr;
  QToolButton* toolButton2_ = nullptr;
  QToolButton* toolButton3_ = nullptr;
  QToolButton* toolButton7_ = nullptr;
  QToolButton* toolButton9_ = nullptr;
  QToolButton* toolButton10_ = nullptr;
  QToolButton* toolButton11_ = nullptr;
  ColourPanel* shadowcolor_ = nullptr;
  SpinField* shadowcolort_ = nullptr;
  QCheckBox* strongShadow_ = nullptr;
  // BackGround.
  Browser backgrounds_;
  QLineEdit* bgfilename_ = nullptr;
  ColourPanel* frontcolor_ = nullptr;
  ColourPanel* frontcolordefault_ = nullptr;
  QCheckBox* bgpicture_ = nullptr;
  SpinField* bgleft_ = nullptr;
  SpinField* bgtop_ = nullptr;
  QRadioButton* bghorizontal_ = nullptr;
  QRadioButton* bgvertical_ = nullptr;
  QRadioButton* bgsame_ = nullptr;
  // Pictures.
  ShownPicture image2_, image8_, image5_, imageSource_, imageShadow_, image7_;
};

}  // namespace corvanti
