#include "app/main_window.h"

#include <exception>

#include <QCloseEvent>
#include <QMenu>
#include <QSettings>

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolButton>

#include "app/file_browser.h"
#include "codecs/error.h"
#include "output/export.h"
#include "output/web_export.h"
#include "render/caption.h"
#include "render/interaction.h"
#include "render/regenerate.h"
#include "design/app_paths.h"
#include "resources/builtin.h"
#include "templates/background.h"
#include "templates/template_file.h"

namespace corvanti {
namespace {

// Paths are handed to the core as the file system's own bytes.
std::filesystem::path ToPath(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString FromPath(const std::filesystem::path& path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

MainWindow::MainWindow(std::filesystem::path exeFolder, Dialogs* dialogs, QWidget* parent)
    : QWidget(parent),
      paths_(ResolveAppPaths(exeFolder)),
      exeFolder_(paths_.dataFolder),
      design_(StartupDesign(exeFolder_)),
      dialogs_(dialogs) {
  UseAppPaths(design_, paths_);
  if (paths_.installed) {
    // Reported when the window is up; loads then fail with their own message too.
    try {
      CreateScratchFolder(paths_);
    } catch (const std::exception& e) {
      pendingError_ = QString::fromLocal8Bit(e.what());
    }
  }
  if (dialogs_ == nullptr) {
    ownDialogs_ = std::make_unique<QtDialogs>();
    dialogs_ = ownDialogs_.get();
  }
  const QStringList families = QFontDatabase::families();
  design_.isFontListed = [families](const std::string& name) {
    return families.contains(FromBytes(name), Qt::CaseInsensitive);
  };

  // The window's frame and look, then its controls (main_window_layout.cpp).
  BuildUi();

  timer1_.setInterval(500);
  timer1_.setSingleShot(true);
  connect(&timer1_, &QTimer::timeout, this, &MainWindow::Timer1Timer);

  FormCreate();
  history_ = std::make_unique<DesignHistory>(design_, [this] { Guard([this] { Regen(); }); });
  connect(&history_->Stack(), &QUndoStack::cleanChanged, this, [this] { ShowDocumentState(); });
  timer1_.start();
}

MainWindow::~MainWindow() {
  // The history goes first: its stack reports its last state while it is destroyed.
  if (history_) history_->Stack().disconnect(this);
  history_.reset();
  // The children outlive this object's own part of the destruction; nothing they send on
  // their way out (a field losing the focus, a list changing) may reach the handlers.
  edit1_->removeEventFilter(this);
  fontname_->lineEdit()->removeEventFilter(this);
  for (SpinField* f : findChildren<SpinField*>()) f->SetOnChange(nullptr);
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
  timer1_.disconnect(this);
}

// ---------------------------------------------------------------------------------------
// The guard every handler runs in: Qt must never see an exception leave a slot, and the
// user sees the program's message and carries on with the state reached so far.

template <class F>
void MainWindow::Guard(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    dialogs_->ShowError(this, QString::fromLocal8Bit(e.what()));
  } catch (...) {
    dialogs_->ShowError(this, QStringLiteral("Unknown error"));
  }
  try {
    RefreshFromDesign();
  } catch (const std::exception& e) {
    dialogs_->ShowError(this, QString::fromLocal8Bit(e.what()));
  }
  // A whole drag is one step: it is recorded when the button comes up.
  if (history_ && design_.PreviewDragging == 0) history_->Record(QStringLiteral("Change"));
  if (history_ && savedNow_) history_->MarkSaved();
  savedNow_ = false;
  ShowDocumentState();
}

void MainWindow::Regen() {
  Regenerate(design_);
  ++regenerations_;
  // A run that succeeds clears what an earlier typed change reported.
  messageLine_->clear();
  messageLine_->setToolTip(QString());
  RefreshFromDesign();
}

void MainWindow::TypedChange() {
  // Typing goes on while the user reads: the message waits in the message line instead of
  // a box that would take the keystrokes that follow.
  try {
    Regen();
  } catch (const std::exception& e) {
    const QString message = QString::fromLocal8Bit(e.what());
    messageLine_->setText(
        messageLine_->fontMetrics().elidedText(message, Qt::ElideMiddle, messageLine_->width()));
    messageLine_->setToolTip(message);
    RefreshFromDesign();
  }
  if (history_) history_->Record(QStringLiteral("Typing"), true);
  ShowDocumentState();
}

// ---------------------------------------------------------------------------------------
// Start-up.

void MainWindow::FormCreate() {
  pages_->setCurrentIndex(0);
  // The working page holds the program's storage: no tab, key or wheel may show it.
  pages_->setTabVisible(3, false);
  pages_->setTabEnabled(3, false);
  // The font chooser starts at the window's own font name, which the design carries.
  RefreshFromDesign();
  ShowShippedAndOwn(*templates_, std::filesystem::path("media") / "button");
  ShowShippedAndOwn(*backgrounds_, "background");
}

void MainWindow::Timer1Timer() {
  // Tried exactly once, whatever the outcome.
  timer1_.stop();
  if (startupLoadDone_) return;
  startupLoadDone_ = true;
  if (!pendingError_.isEmpty()) dialogs_->ShowError(this, pendingError_);
  const QString first = startupTemplate_.isEmpty()
                            ? FromPath(exeFolder_ / "media" / "button" / "zuri-color.btt")
                            : startupTemplate_;
  Guard([this, first] { LoadTemplateFrom(first); });
  // The design the window starts with is where its history begins.
  history_->Reset();
  ShowDocumentState();
  emit StartupLoadFinished();
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!centred_ && screen() != nullptr) {
    centred_ = true;
    const QRect available = screen()->availableGeometry();
    move(available.center() - QPoint(width() / 2, height() / 2));
  }
}

// ---------------------------------------------------------------------------------------
// Settings handlers.

void MainWindow::suitempedit1Change() {
  Guard([this] { Regen(); });
}

std::optional<Colour> MainWindow::AskColour() {
  // The dialog opens with the colour last chosen in it, not with the panel's colour.
  std::optional<QColor> chosen = dialogs_->PickColour(this, lastChosenColour_);
  if (!chosen || !chosen->isValid()) return std::nullopt;
  lastChosenColour_ = *chosen;
  return FromQColor(*chosen);
}

void MainWindow::fontcolorClick() {
  Guard([this] {
    if (std::optional<Colour> c = AskColour()) {
      design_.fontcolor = *c;
      Regen();
    }
  });
}

void MainWindow::shadowcolorClick() {
  Guard([this] {
    if (std::optional<Colour> c = AskColour()) {
      design_.shadowcolor = *c;
      Regen();
    }
  });
}

void MainWindow::frontcolorClick() {
  Guard([this] {
    if (std::optional<Colour> c = AskColour()) {
      design_.frontcolor = *c;
      if (design_.SelectedLine >= 0 && design_.SelectedLine < kLineColourCount) {
        design_.LineColors[static_cast<std::size_t>(design_.SelectedLine)] = *c;
      }
      Regen();
    }
  });
}

void MainWindow::frontcolordefaultClick() {
  Guard([this] {
    design_.frontcolor = design_.frontcolordefault;
    if (design_.SelectedLine >= 0 && design_.SelectedLine < kLineColourCount) {
      design_.LineColors[static_cast<std::size_t>(design_.SelectedLine)] =
          design_.frontcolordefault;
    }
    Regen();
  });
}

void MainWindow::ToolButton1Click() {
  Guard([this] {
    design_.ToolButton1 = toolButton1_->isChecked();
    TakeCaptionStyleFromToggles(design_);
    Regen();
  });
}

void MainWindow::ToolButton2Click() {
  Guard([this] {
    design_.ToolButton2 = toolButton2_->isChecked();
    TakeCaptionStyleFromToggles(design_);
    Regen();
  });
}

void MainWindow::ToolButton3Click() {
  Guard([this] {
    design_.ToolButton3 = toolButton3_->isChecked();
    TakeCaptionStyleFromToggles(design_);
    Regen();
  });
}

void MainWindow::ToolButton7Click() {
  Guard([this] {
    design_.ToolButton7 = toolButton7_->isChecked();
    Regen();
  });
}

// The three alignment toggles are independent buttons; each click gives the other two the
// opposite of the clicked one's new state.
void MainWindow::ToolButton9Click() {
  Guard([this] {
    design_.ToolButton9 = toolButton9_->isChecked();
    design_.ToolButton10 = !design_.ToolButton9;
    design_.ToolButton11 = !design_.ToolButton9;
    Regen();
  });
}

void MainWindow::ToolButton10Click() {
  Guard([this] {
    design_.ToolButton10 = toolButton10_->isChecked();
    design_.ToolButton9 = !design_.ToolButton10;
    design_.ToolButton11 = !design_.ToolButton10;
    Regen();
  });
}

void MainWindow::ToolButton11Click() {
  Guard([this] {
    design_.ToolButton11 = toolButton11_->isChecked();
    design_.ToolButton9 = !design_.ToolButton11;
    design_.ToolButton10 = !design_.ToolButton11;
    Regen();
  });
}

void MainWindow::fontnameChange() {
  Guard([this] {
    design_.fontname = ToBytes(fontname_->currentText());
    design_.captionFont.name = design_.fontname;
    Regen();
  });
}

void MainWindow::bghorizontalClick() {
  Guard([this] {
    design_.bghorizontal = bghorizontal_->isChecked();
    design_.bgvertical = bgvertical_->isChecked();
    design_.bgsame = bgsame_->isChecked();
    Regen();
  });
}

void MainWindow::suitempedit1KeyDown() {
  // The line the caret stands on before the key takes effect; the text change (if any)
  // regenerates on its own.
  Guard([this] { design_.SelectedLine = edit1_->textCursor().blockNumber(); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit1_ && event->type() == QEvent::KeyPress) suitempedit1KeyDown();
  const QEvent::Type type = event->type();
  // The chooser's text is not typed into; a click on it opens the list. It opens on the
  // release, which would otherwise reach the new list and close it again.
  if (fontname_ != nullptr && watched == fontname_->lineEdit() &&
      (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)) {
    if (type == QEvent::MouseButtonRelease) fontname_->showPopup();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Template browsing.

void MainWindow::PointTemplateList(const QString& path) { templates_->Point(path); }

void MainWindow::ShowShippedAndOwn(FileBrowser& browser, const std::filesystem::path& folder) {
  // The user's own templates and backgrounds, where the program is installed, are listed
  // beside the shipped ones.
  QStringList own;
  if (!paths_.userFolder.empty()) own << FromPath(paths_.userFolder / folder);
  browser.PointWithOthers(FromPath(exeFolder_ / folder), own);
}
void MainWindow::PointBackgroundList(const QString& path) { backgrounds_->Point(path); }

void MainWindow::ShowChosenFolder(FileBrowser& browser, const QString& folder) {
  Guard([&browser, folder] { browser.Point(folder); });
}

void MainWindow::suiRadioButton1Click() {
  Guard([this] {
    static const char* const kFolders[] = {"button", "toolbutton", "round", "others"};
    for (int i = 0; i < 4; ++i) {
      if (category_[i]->isChecked()) {
        ShowShippedAndOwn(*templates_, std::filesystem::path("media") / kFolders[i]);
        break;
      }
    }
  });
}

void MainWindow::LoadTemplateFrom(const QString& path) {
  LoadTemplate(design_, ToPath(path), [this](Design&) { Regen(); });
  documentName_ = QFileInfo(path).fileName();
  savedNow_ = true;
  RememberRecent(path);
}

void MainWindow::FileListBox1Click() {
  Guard([this] {
    const QString path = templates_->ChosenFile();
    if (!path.isEmpty()) LoadTemplateFrom(path);
  });
}

void MainWindow::suiButton7Click() {
  Guard([this] {
    std::optional<QString> chosen =
        dialogs_->OpenFile(this, QStringLiteral("Button Template (*.btt)"));
    if (!chosen) return;
    // A typed name that names no file: say so, and leave the lists showing what they did.
    if (!QFileInfo(*chosen).isFile()) {
      throw Error("Cannot open file " + QFile::encodeName(*chosen).toStdString());
    }
    const QString file = QFileInfo(*chosen).absoluteFilePath();
    PointTemplateList(file);
    QCoreApplication::processEvents();
    // The template loaded is the list's selection, as after a click on it. The list reads
    // its folder in the background and may not hold the file yet; the chosen file is the
    // one the user meant, so it is loaded then, not silently dropped.
    QString path = templates_->ChosenFile();
    if (path.isEmpty() || QFileInfo(path) != QFileInfo(file)) path = file;
    LoadTemplateFrom(path);
  });
}

// ---------------------------------------------------------------------------------------
// Background browsing.

void MainWindow::FileListBox2Click() {
  Guard([this] {
    const QString path = backgrounds_->ChosenFile();
    if (path.isEmpty()) return;
    design_.bgfilename = QFile::encodeName(path).toStdString();
    RefreshFromDesign();
    // Each offset is an ordinary settings change, still drawn with the old background.
    if (design_.bgleft.SetValue(0)) Regen();
    if (design_.bgtop.SetValue(0)) Regen();
    LoadBackgroundPicture(design_, ToPath(path), [this](Design&) { Regen(); });
  });
}

// ---------------------------------------------------------------------------------------
// Commands.

void MainWindow::suiButton5Click() {
  Guard([this] {
    if (RestoreDefaultSize(design_)) Regen();
  });
}

void MainWindow::suiButton3Click() {
  Guard([this] { SaveTemplateAs(); });
}

bool MainWindow::SaveTemplateAs() {
  std::optional<QString> path =
      dialogs_->SaveFile(this, QStringLiteral("*.btt (*.btt)"), QStringLiteral("btt"));
  if (!path) return false;
  SaveTemplate(design_, ToPath(*path));
  documentName_ = QFileInfo(*path).fileName();
  savedNow_ = true;
  RememberRecent(*path);
  return true;
}

void MainWindow::ExportForWebClick() {
  Guard([this] {
    std::optional<QString> path =
        dialogs_->SaveFile(this, QStringLiteral("Web page (*.html)"), QStringLiteral("html"));
    if (!path) return;
    design_.SelectedLine = kNoLineSelected;
    Regen();
    QCoreApplication::processEvents();
    ExportForWeb(design_, ToPath(*path));
  });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (history_ && history_->Unsaved()) {
    switch (dialogs_->AskSaveChanges(this)) {
      case Dialogs::SaveAnswer::kCancel:
        event->ignore();
        return;
      case Dialogs::SaveAnswer::kSave: {
        bool saved = false;
        Guard([this, &saved] { saved = SaveTemplateAs(); });
        if (!saved) {
          event->ignore();
          return;
        }
        break;
      }
      case Dialogs::SaveAnswer::kDiscard:
        break;
    }
  }
  QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------------------
// Recent templates: the one thing the program keeps between runs.

namespace {
const char kRecentKey[] = "recentTemplates";
constexpr int kRecentCount = 10;
}  // namespace

QStringList MainWindow::RecentTemplates() const {
  return QSettings().value(QLatin1String(kRecentKey)).toStringList();
}

void MainWindow::RememberRecent(const QString& path) {
  QStringList recent = RecentTemplates();
  const QString file = QFileInfo(path).absoluteFilePath();
  recent.removeAll(file);
  recent.prepend(file);
  while (recent.size() > kRecentCount) recent.removeLast();
  QSettings settings;
  settings.setValue(QLatin1String(kRecentKey), recent);
}

void MainWindow::FillRecentMenu() {
  recentMenu_->clear();
  const QStringList recent = RecentTemplates();
  for (const QString& file : recent) {
    QAction* action = recentMenu_->addAction(QFileInfo(file).fileName());
    action->setToolTip(file);
    action->setData(file);
    connect(action, &QAction::triggered, this, [this, file] {
      Guard([this, file] {
        PointTemplateList(file);
        LoadTemplateFrom(file);
      });
    });
  }
  recentMenu_->setEnabled(!recent.isEmpty());
}

void MainWindow::ShowDocumentState() {
  if (documentLabel_ == nullptr) return;
  const bool unsaved = history_ && history_->Unsaved();
  documentLabel_->setText(documentName_.isEmpty()
                              ? QString()
                              : documentName_ + (unsaved ? QStringLiteral(" \u2022 unsaved") : QString()));
}

void MainWindow::suiButton2Click() {
  Guard([this] {
    std::optional<QString> path =
        dialogs_->SaveFile(this, QStringLiteral("*.gif (*.gif)"), QStringLiteral("gif"));
    if (!path) return;
    design_.SelectedLine = kNoLineSelected;
    Regen();
    QCoreApplication::processEvents();
    ExportPicturesAndHtml(design_, ToPath(*path));
  });
}

void MainWindow::suiButton4Click() {
  Guard([this] {
    PreviewInBrowser(
        design_, [this](Design&) { Regen(); }, [] { QCoreApplication::processEvents(); },
        [this](const std::filesystem::path& page) {
          dialogs_->OpenUrl(QUrl::fromLocalFile(FromPath(page)));
        });
  });
}

// ---------------------------------------------------------------------------------------
// Mouse work on the previews.

void MainWindow::Image2MouseDown(int x, int y) {
  Guard([this, x, y] { PreviewMouseDown(design_, x, y); });
}

void MainWindow::Image2MouseMove(int x, int y) {
  Guard([this, x, y] {
    if (PreviewMouseMove(design_, x, y) != 0) Regen();
  });
}

void MainWindow::Image2MouseUp() {
  Guard([this] { PreviewMouseUp(design_); });
}

void MainWindow::Image2Click() {
  Guard([this] {
    const int line = PreviewClick(design_);
    Regen();
    SelectCaptionLine(line);
    if (pages_->currentIndex() == 1) edit1_->setFocus(Qt::MouseFocusReason);
  });
}

void MainWindow::SelectCaptionLine(int line) {
  QTextDocument* document = edit1_->document();
  QTextCursor cursor(document);
  const QTextBlock block = document->findBlockByNumber(line);
  if (block.isValid()) {
    cursor.setPosition(block.position());
    cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
  } else {
    // No such line (the key row was hit): the caret goes to the end, nothing is selected.
    cursor.movePosition(QTextCursor::End);
  }
  edit1_->setTextCursor(cursor);
  edit1_->ensureCursorVisible();
}

void MainWindow::Image7MouseUp(int x, int y) {
  Guard([this, x, y] {
    corvanti::Image7MouseUp(design_, x, y);
    Regen();
  });
}

// ---------------------------------------------------------------------------------------
// Showing the design.

void MainWindow::ShowPicture(ShownPicture& target, const Picture& picture, bool transparent) {
  if (target.valid && target.transparent == transparent && target.shown == picture) return;
  target.shown = picture;
  target.transparent = transparent;
  target.valid = true;
  target.view->SetImage(PictureToImage(picture, transparent));
  // The pane scrolls over the picture and its 8-pixel margin.
  target.canvas->resize(8 + picture.Width(), 8 + picture.Height());
}

void MainWindow::RefreshPictures() {
  ShowPicture(image2_, design_.Image2, design_.tbg);
  ShowPicture(image8_, design_.Image8, design_.tbg);
  ShowPicture(image5_, design_.Image5, design_.tbg);
  ShowPicture(imageSource_, design_.ImageSource, false);
  ShowPicture(imageShadow_, design_.ImageShadow, false);
  ShowPicture(image7_, design_.Image7, false);
}

// Brings every control in line with the design without raising its change event. Only
// controls that differ are touched, so the caret and selections of the others stay.
void MainWindow::RefreshFromDesign() {
  for (SpinField* f : {buttonwidth_, buttonheight_, fontx_, fonty_, fontzoom_, tleft_, tright_,
                       tt_, fontsize_, shadowcolort_, bgleft_, bgtop_}) {
    f->Refresh();
  }
  if (CaptionFromWidget(edit1_) != design_.edit1) {
    QSignalBlocker block(edit1_);
    edit1_->setPlainText(CaptionToWidget(design_.edit1));
  }
  if (CaptionFromWidget(links_) != design_.links) {
    QSignalBlocker block(links_);
    links_->setPlainText(CaptionToWidget(design_.links));
  }
  const QString font = FromBytes(design_.fontname);
  if (fontname_->currentText() != font) {
    QSignalBlocker block(fontname_);
    const int index = fontname_->findText(font, Qt::MatchFixedString);
    if (index >= 0) fontname_->setCurrentIndex(index);
    fontname_->setEditText(font);
  }
  auto setChecked = [](QAbstractButton* button, bool checked) {
    if (button->isChecked() != checked) {
      QSignalBlocker block(button);
      button->setChecked(checked);
    }
  };
  setChecked(toolButton1_, design_.ToolButton1);
  setChecked(toolButton2_, design_.ToolButton2);
  setChecked(toolButton3_, design_.ToolButton3);
  setChecked(toolButton7_, design_.ToolButton7);
  setChecked(toolButton9_, design_.ToolButton9);
  setChecked(toolButton10_, design_.ToolButton10);
  setChecked(toolButton11_, design_.ToolButton11);
  setChecked(strongShadow_, design_.StrongShadow);
  setChecked(tbg_, design_.tbg);
  setChecked(bgpicture_, design_.bgpicture);
  // Radio buttons in one group: only a checked one can be set; the group unchecks the rest.
  if (design_.bghorizontal) setChecked(bghorizontal_, true);
  if (design_.bgvertical) setChecked(bgvertical_, true);
  if (design_.bgsame) setChecked(bgsame_, true);
  fontcolor_->SetColour(design_.fontcolor);
  shadowcolor_->SetColour(design_.shadowcolor);
  frontcolor_->SetColour(design_.frontcolor);
  frontcolordefault_->SetColour(design_.frontcolordefault);
  const QString background = QFile::decodeName(QByteArray::fromStdString(design_.bgfilename));
  if (bgfilename_->text() != background) bgfilename_->setText(background);
  RefreshPictures();
}

}  // namespace corvanti
