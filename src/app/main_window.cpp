#include "app/main_window.h"

#include <exception>

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStringListModel>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "codecs/error.h"
#include "output/export.h"
#include "render/caption.h"
#include "render/interaction.h"
#include "render/regenerate.h"
#include "resources/builtin.h"
#include "templates/background.h"
#include "templates/template_file.h"

namespace corvanti {
namespace {

const QColor kWindowGrey(232, 232, 232);

// Paths are handed to the core as the file system's own bytes.
std::filesystem::path ToPath(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString FromPath(const std::filesystem::path& path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// The caption memo shows lines; the design keeps them joined by CR LF.
QString CaptionToWidget(const std::string& text) {
  QString shown = FromBytes(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

std::string CaptionFromWidget(const QPlainTextEdit* edit) {
  // toRawText keeps every character as typed (toPlainText would turn U+00A0 into a blank).
  QString text = edit->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return ToBytes(text);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->move(x, y);
  label->adjustSize();
  return label;
}

FramedGroup* MakeGroup(QWidget* parent, const QString& title, const QRect& geometry) {
  auto* group = new FramedGroup(title, parent);
  group->setGeometry(geometry);
  return group;
}

QFont WindowFont() {
  // The window's font is "MS Sans Serif" 8 pt; where it is not installed, the platform's
  // sans of about the same size stands in. Sizes are in pixels so the layout does not
  // follow the screen's DPI.
  QFont font;
  if (QFontDatabase::families().contains(QStringLiteral("MS Sans Serif"))) {
    font.setFamily(QStringLiteral("MS Sans Serif"));
  } else {
    font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  }
  font.setPixelSize(11);
  return font;
}

}  // namespace

MainWindow::MainWindow(std::filesystem::path exeFolder, Dialogs* dialogs, QWidget* parent)
    : QWidget(parent),
      exeFolder_(std::move(exeFolder)),
      design_(StartupDesign(exeFolder_)),
      dialogs_(dialogs) {
  if (dialogs_ == nullptr) {
    ownDialogs_ = std::make_unique<QtDialogs>();
    dialogs_ = ownDialogs_.get();
  }
  const QStringList families = QFontDatabase::families();
  design_.isFontListed = [families](const std::string& name) {
    return families.contains(FromBytes(name), Qt::CaseInsensitive);
  };

  setWindowTitle(QStringLiteral("Corvanti"));
  // A fixed dialog-style frame: a title and a close button, no minimise or maximise. It
  // stays an ordinary top-level window so that desktops list it as the program.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(852, 560);
  setFont(WindowFont());
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kWindowGrey);
  palette.setColor(QPalette::Button, kWindowGrey);
  setPalette(palette);
  setAutoFillBackground(true);

  BuildUi();

  timer1_.setInterval(500);
  timer1_.setSingleShot(true);
  connect(&timer1_, &QTimer::timeout, this, &MainWindow::Timer1Timer);

  FormCreate();
  timer1_.start();
}

MainWindow::~MainWindow() {
  // The children outlive this object's own part of the destruction; nothing they send on
  // their way out (a field losing the focus, a list changing) may reach the handlers.
  edit1_->removeEventFilter(this);
  fontname_->lineEdit()->removeEventFilter(this);
  for (Browser* browser : {&templates_, &backgrounds_}) {
    browser->folders->removeEventFilter(this);
    browser->folders->viewport()->removeEventFilter(this);
  }
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
  PointTemplateList(FromPath(exeFolder_ / "media" / "button"));
  PointBackgroundList(FromPath(exeFolder_ / "background"));
}

void MainWindow::Timer1Timer() {
  // Tried exactly once, whatever the outcome.
  timer1_.stop();
  if (startupLoadDone_) return;
  startupLoadDone_ = true;
  Guard([this] { LoadTemplateFrom(FromPath(exeFolder_ / "media" / "button" / "zuri-color.btt")); });
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
  if (type == QEvent::MouseButtonPress || type == QEvent::Wheel || type == QEvent::KeyPress) {
    for (Browser* browser : {&templates_, &backgrounds_}) {
      if (browser->folders != nullptr &&
          (watched == browser->folders || watched == browser->folders->viewport())) {
        browser->shownFolder.clear();
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Template browsing.

void MainWindow::PointTemplateList(const QString& path) { PointList(templates_, path); }
void MainWindow::PointBackgroundList(const QString& path) { PointList(backgrounds_, path); }

void MainWindow::PointList(Browser& browser, const QString& path) {
  const QFileInfo info(path);
  QString folder;
  QString file;
  if (info.isDir()) {
    folder = info.absoluteFilePath();
  } else if (info.isFile()) {
    folder = info.absolutePath();
    file = info.absoluteFilePath();
  }
  browser.pointingFromCode = true;
  if (folder.isEmpty()) {
    // A folder that is not there shows an empty list rather than some other folder.
    browser.files->setModel(browser.emptyModel);
    browser.folders->clearSelection();
  } else {
    const QModelIndex root = browser.fileModel->setRootPath(folder);
    if (browser.files->model() != browser.fileModel) browser.files->setModel(browser.fileModel);
    browser.files->setRootIndex(root);
    browser.shownFolder = folder;
    ShowFolder(browser);
    const QModelIndex fileIndex = file.isEmpty() ? QModelIndex() : browser.fileModel->index(file);
    browser.files->setCurrentIndex(fileIndex);
    if (fileIndex.isValid()) browser.files->scrollTo(fileIndex);
  }
  browser.pointingFromCode = false;
}

void MainWindow::ShowFolder(Browser& browser) {
  if (browser.shownFolder.isEmpty()) return;
  const QModelIndex folderIndex = browser.folderModel->index(browser.shownFolder);
  if (!folderIndex.isValid()) return;
  const bool wasPointing = browser.pointingFromCode;
  browser.pointingFromCode = true;
  for (QModelIndex up = folderIndex.parent(); up.isValid(); up = up.parent()) {
    browser.folders->expand(up);
  }
  browser.folders->setCurrentIndex(folderIndex);
  // Lay the rows out now, or the scroll range is still that of the collapsed tree.
  browser.folders->doItemsLayout();
  browser.folders->scrollTo(folderIndex, QAbstractItemView::PositionAtCenter);
  browser.pointingFromCode = wasPointing;
}

QString MainWindow::ChosenFile(const Browser& browser) const {
  if (browser.files->model() != browser.fileModel) return QString();
  const QModelIndex index = browser.files->currentIndex();
  if (!index.isValid()) return QString();
  return browser.fileModel->filePath(index);
}

void MainWindow::suiRadioButton1Click() {
  Guard([this] {
    static const char* const kFolders[] = {"button", "toolbutton", "round", "others"};
    for (int i = 0; i < 4; ++i) {
      if (category_[i]->isChecked()) {
        PointTemplateList(FromPath(exeFolder_ / "media" / kFolders[i]));
        break;
      }
    }
  });
}

void MainWindow::LoadTemplateFrom(const QString& path) {
  LoadTemplate(design_, ToPath(path), [this](Design&) { Regen(); });
}

void MainWindow::FileListBox1Click() {
  Guard([this] {
    const QString path = ChosenFile(templates_);
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
    PointTemplateList(*chosen);
    QCoreApplication::processEvents();
    // The template loaded is the list's selection, as after a click on it.
    const QString path = ChosenFile(templates_);
    if (!path.isEmpty()) LoadTemplateFrom(path);
  });
}

// ---------------------------------------------------------------------------------------
// Background browsing.

void MainWindow::FileListBox2Click() {
  Guard([this] {
    const QString path = ChosenFile(backgrounds_);
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
  Guard([this] {
    std::optional<QString> path =
        dialogs_->SaveFile(this, QStringLiteral("*.btt (*.btt)"), QStringLiteral("btt"));
    if (!path) return;
    SaveTemplate(design_, ToPath(*path));
  });
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

// ---------------------------------------------------------------------------------------
// Layout: positions are client pixels, as the window has always been laid out.

void MainWindow::BuildUi() {
  // The band above the previews: its right part reports what a typed change could not do.
  messageLine_ = new QLabel(this);
  messageLine_->setObjectName("MessageLine");
  messageLine_->setGeometry(340, 6, 852 - 340 - 8, 18);
  messageLine_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QPalette messagePalette = messageLine_->palette();
  messagePalette.setColor(QPalette::WindowText, QColor(170, 0, 0));
  messageLine_->setPalette(messagePalette);

  auto* toolStrip = MakeGroup(this, QStringLiteral("Tool Button"), QRect(0, 29, 852, 89));
  MakePane(toolStrip, QRect(2, 15, 848, 72), image5_, true)->setObjectName("ToolButtonPane");
  image5_.view->setObjectName("Image5");

  auto* buttons = MakeGroup(this, QStringLiteral("Button"), QRect(0, 118, 241, 219));
  MakePane(buttons, QRect(2, 15, 237, 202), image2_, true);
  image2_.view->setObjectName("Image2");

  auto* mouseOver =
      MakeGroup(this, QStringLiteral("Button Mouse Over"), QRect(0, 344, 241, 214));
  MakePane(mouseOver, QRect(2, 15, 237, 197), image8_, true);
  image8_.view->setObjectName("Image8");

  for (ShownPicture* preview : {&image2_, &image8_, &image5_}) {
    PictureView* view = preview->view;
    view->setCursor(Qt::PointingHandCursor);
    connect(view, &PictureView::MouseDown, this, &MainWindow::Image2MouseDown);
    connect(view, &PictureView::MouseMove, this, &MainWindow::Image2MouseMove);
    connect(view, &PictureView::MouseUp, this, [this](int, int) { Image2MouseUp(); });
    connect(view, &PictureView::Click, this, &MainWindow::Image2Click);
  }

  // The group is wider than the window; it is cut at the window's right edge so that its
  // frame stays visible.
  auto* options = MakeGroup(this, QStringLiteral("Options"), QRect(240, 118, 852 - 240, 441));
  options->setObjectName("Options");
  auto* saveTemplate = new QPushButton(QStringLiteral("Save Template"), options);
  saveTemplate->setObjectName("suiButton3");
  saveTemplate->setGeometry(16, 16, 121, 43);
  connect(saveTemplate, &QPushButton::clicked, this, &MainWindow::suiButton3Click);
  auto* savePictures = new QPushButton(QStringLiteral("Save Picture&&HTML"), options);
  savePictures->setObjectName("suiButton2");
  savePictures->setGeometry(152, 16, 121, 43);
  connect(savePictures, &QPushButton::clicked, this, &MainWindow::suiButton2Click);
  auto* preview = new QPushButton(QStringLiteral("Preview IE"), options);
  preview->setObjectName("suiButton4");
  preview->setGeometry(288, 16, 121, 43);
  connect(preview, &QPushButton::clicked, this, &MainWindow::suiButton4Click);
  tbg_ = new QCheckBox(QStringLiteral("Transparency BackGround"), options);
  tbg_->setObjectName("tbg");
  tbg_->move(424, 40);
  tbg_->adjustSize();
  connect(tbg_, &QCheckBox::clicked, this, [this](bool on) {
    design_.tbg = on;
    suitempedit1Change();
  });

  pages_ = new QTabWidget(options);
  pages_->setObjectName("suiPageControl1");
  pages_->setGeometry(3, 69, options->width() - 6, 369);
  pages_->addTab(BuildOpenTemplatePage(), QStringLiteral("Open Template"));
  pages_->addTab(BuildFontTextPage(), QStringLiteral("Font&&Text"));
  pages_->addTab(BuildBackgroundPage(), QStringLiteral("BackGround"));
  // The working page: the program's storage lives in the design, the page stays hidden.
  auto* working = new QWidget;
  working->setObjectName("suiTabSheet7");
  pages_->addTab(working, QStringLiteral("suiTabSheet7"));
  // Pages and their groups in the window's own grey; the style would draw them lighter.
  for (int i = 0; i < pages_->count(); ++i) {
    QWidget* page = pages_->widget(i);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, kWindowGrey);
    page->setPalette(palette);
    page->setAutoFillBackground(true);
  }
  connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == 3) pages_->setCurrentIndex(shownPage_);
    else shownPage_ = index;
  });
}

QScrollArea* MainWindow::MakePane(QWidget* parent, const QRect& geometry, ShownPicture& target,
                                  bool white) {
  auto* pane = new QScrollArea(parent);
  pane->setGeometry(geometry);
  pane->setWidgetResizable(false);
  pane->setFrameShape(QFrame::StyledPanel);
  auto* canvas = new QWidget;
  if (white) {
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Window, Qt::white);
    pane->viewport()->setPalette(palette);
    pane->viewport()->setAutoFillBackground(true);
    canvas->setPalette(palette);
    canvas->setAutoFillBackground(true);
  }
  canvas->resize(8, 8);
  target.canvas = canvas;
  target.view = new PictureView(canvas);
  target.view->move(8, 8);
  pane->setWidget(canvas);
  return pane;
}

SpinField* MainWindow::MakeField(QWidget* parent, NumericField& field, int x, int y, int width) {
  auto* spin = new SpinField(&field, parent);
  spin->setGeometry(x, y, width, 21);
  spin->SetOnChange([this] { TypedChange(); });
  return spin;
}

void MainWindow::BuildBrowser(Browser& browser, QWidget* parent, const QRect& folders,
                              const QRect& files, const QStringList& nameFilters) {
  // Shared by every model and never freed: models may ask for icons until they are gone.
  static FileIcons* const icons = new FileIcons;
  browser.folderModel = new QFileSystemModel(this);
  browser.folderModel->setIconProvider(icons);
  browser.folderModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  browser.folderModel->setRootPath(QDir::rootPath());
  browser.folders = new QTreeView(parent);
  browser.folders->setGeometry(folders);
  browser.folders->setModel(browser.folderModel);
  browser.folders->setHeaderHidden(true);
  for (int column = 1; column < browser.folderModel->columnCount(); ++column) {
    browser.folders->hideColumn(column);
  }
  browser.folders->setRootIndex(browser.folderModel->index(QDir::rootPath()));

  browser.fileModel = new QFileSystemModel(this);
  browser.fileModel->setIconProvider(icons);
  browser.fileModel->setFilter(QDir::Files);
  browser.fileModel->setNameFilters(nameFilters);
  browser.fileModel->setNameFilterDisables(false);
  browser.fileModel->sort(0, Qt::AscendingOrder);
  browser.emptyModel = new QStringListModel(this);
  browser.files = new FileList(parent);
  browser.files->setGeometry(files);
  browser.files->setModel(browser.emptyModel);

  Browser* b = &browser;
  // Entries arrive in the order the folder is read; the list shows them by name.
  connect(browser.fileModel, &QFileSystemModel::directoryLoaded, this,
          [b](const QString&) { b->fileModel->sort(0, Qt::AscendingOrder); });
  // The model reads folders in the background and inserts their entries later; the view
  // follows as they arrive, until the user takes the folder view over.
  auto follow = [this, b] {
    if (b->shownFolder.isEmpty()) return;
    QTimer::singleShot(0, this, [this, b] { ShowFolder(*b); });
  };
  connect(browser.folderModel, &QFileSystemModel::directoryLoaded, this, follow);
  connect(browser.folderModel, &QFileSystemModel::rowsInserted, this, follow);
  connect(browser.folderModel, &QFileSystemModel::layoutChanged, this, follow);
  browser.folders->installEventFilter(this);
  browser.folders->viewport()->installEventFilter(this);
  connect(browser.folders->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this, b](const QModelIndex& current) {
            if (b->pointingFromCode || !current.isValid()) return;
            Guard([this, b, current] {
              PointList(*b, b->folderModel->filePath(current));
            });
          });
}

QWidget* MainWindow::BuildOpenTemplatePage() {
  auto* page = new QWidget;
  page->setObjectName("suiTabSheet1");
  auto* browse = MakeGroup(page, QStringLiteral("File Browse"), QRect(8, 0, 289, 337));
  const char* const captions[] = {"Button", "Toolbutton", "Round", "Others"};
  const int xs[] = {8, 72, 154, 218};
  for (int i = 0; i < 4; ++i) {
    category_[i] = new QRadioButton(QString::fromLatin1(captions[i]), browse);
    category_[i]->setObjectName(QStringLiteral("suiRadioButton%1").arg(i + 1));
    category_[i]->move(xs[i], 18);
    category_[i]->adjustSize();
    connect(category_[i], &QRadioButton::clicked, this, &MainWindow::suiRadioButton1Click);
  }
  category_[0]->setChecked(true);
  BuildBrowser(templates_, browse, QRect(8, 42, 273, 110), QRect(8, 158, 273, 140),
               {QStringLiteral("*.btt")});
  templates_.folders->setObjectName("DirectoryListBox1");
  templates_.files->setObjectName("FileListBox1");
  connect(templates_.files, &FileList::EntryChosen, this, &MainWindow::FileListBox1Click);
  auto* browseButton = new QPushButton(QStringLiteral("Browse"), browse);
  browseButton->setObjectName("suiButton7");
  browseButton->setGeometry(8, 304, 75, 25);
  connect(browseButton, &QPushButton::clicked, this, &MainWindow::suiButton7Click);

  auto* images = MakeGroup(page, QStringLiteral("Template Images"), QRect(304, 0, 297, 337));
  MakeLabel(images, QStringLiteral("Master Template:"), 8, 18);
  MakePane(images, QRect(8, 34, 281, 96), imageSource_, true);
  imageSource_.view->setObjectName("ImageSource");
  MakeLabel(images, QStringLiteral("Alpha Template:"), 8, 138);
  MakePane(images, QRect(8, 154, 281, 96), imageShadow_, true);
  imageShadow_.view->setObjectName("ImageShadow");
  MakeLabel(images, QStringLiteral("Width"), 8, 265);
  buttonwidth_ = MakeField(images, design_.buttonwidth, 44, 262, 60);
  buttonwidth_->setObjectName("buttonwidth");
  MakeLabel(images, QStringLiteral("Height"), 120, 265);
  buttonheight_ = MakeField(images, design_.buttonheight, 160, 262, 60);
  buttonheight_->setObjectName("buttonheight");
  auto* defaultSize = new QPushButton(QStringLiteral("Default Size"), images);
  defaultSize->setObjectName("suiButton5");
  defaultSize->setGeometry(8, 296, 100, 28);
  connect(defaultSize, &QPushButton::clicked, this, &MainWindow::suiButton5Click);
  return page;
}

QWidget* MainWindow::BuildFontTextPage() {
  auto* page = new QWidget;
  page->setObjectName("suiTabSheet6");
  edit1_ = new QPlainTextEdit(page);
  edit1_->setObjectName("edit1");
  edit1_->setGeometry(8, 12, 185, 317);
  edit1_->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit1_->setPlainText(CaptionToWidget(design_.edit1));
  edit1_->installEventFilter(this);
  connect(edit1_, &QPlainTextEdit::textChanged, this, [this] {
    design_.edit1 = CaptionFromWidget(edit1_);
    TypedChange();
  });

  auto* font = MakeGroup(page, QStringLiteral("Font"), QRect(200, 0, 401, 337));
  const int labelX = 10;
  const int c1 = 92, c2 = 186, c3 = 282;
  int y = 24;
  MakeLabel(font, QStringLiteral("Position:"), labelX, y + 3);
  MakeLabel(font, QStringLiteral("Left"), c1, y + 3);
  fontx_ = MakeField(font, design_.fontx, c1 + 28, y);
  fontx_->setObjectName("fontx");
  MakeLabel(font, QStringLiteral("Top"), c2, y + 3);
  fonty_ = MakeField(font, design_.fonty, c2 + 34, y);
  fonty_->setObjectName("fonty");
  MakeLabel(font, QStringLiteral("Zoom"), c3, y + 3);
  fontzoom_ = MakeField(font, design_.fontzoom, c3 + 42, y);
  fontzoom_->setObjectName("fontzoom");
  MakeLabel(font, QStringLiteral("%"), c3 + 101, y + 3);

  y += 38;
  MakeLabel(font, QStringLiteral("Transparency:"), labelX, y + 3);
  MakeLabel(font, QStringLiteral("Left"), c1, y + 3);
  tleft_ = MakeField(font, design_.tleft, c1 + 28, y);
  tleft_->setObjectName("tleft");
  MakeLabel(font, QStringLiteral("Right"), c2, y + 3);
  tright_ = MakeField(font, design_.tright, c2 + 34, y);
  tright_->setObjectName("tright");
  MakeLabel(font, QStringLiteral("Center"), c3, y + 3);
  tt_ = MakeField(font, design_.tt, c3 + 42, y);
  tt_->setObjectName("tt");

  y += 38;
  MakeLabel(font, QStringLiteral("Font Name:"), labelX, y + 3);
  fontname_ = new FontChooser(font);
  fontname_->setObjectName("fontname");
  fontname_->setGeometry(c1, y, 240, 22);
  fontname_->setMaxVisibleItems(12);
  // Names come from the list; a template's name that is not installed is still shown.
  fontname_->setEditable(true);
  fontname_->lineEdit()->setReadOnly(true);
  fontname_->lineEdit()->installEventFilter(this);
  fontname_->SetSampleSource([this] {
    FontSample sample;
    const std::vector<std::string> lines = CaptionLines(design_.edit1);
    if (!lines.empty()) sample.text = FromBytes(lines.front());
    sample.pixelSize = CaptionPixelSize(design_.fontsize.Value());
    sample.bold = design_.ToolButton1;
    sample.italic = design_.ToolButton2;
    sample.underline = design_.ToolButton3;
    return sample;
  });
  connect(fontname_, qOverload<int>(&QComboBox::activated), this,
          [this](int) { fontnameChange(); });

  y += 38;
  fontcolor_ = new ColourPanel(QStringLiteral("Font Color"), font);
  fontcolor_->setObjectName("fontcolor");
  fontcolor_->setGeometry(c1, y, 90, 25);
  connect(fontcolor_, &QPushButton::clicked, this, &MainWindow::fontcolorClick);
  MakeLabel(font, QStringLiteral("Size"), c2 + 4, y + 5);
  fontsize_ = MakeField(font, design_.fontsize, c2 + 34, y + 2);
  fontsize_->setObjectName("fontsize");

  y += 40;
  MakeLabel(font, QStringLiteral("Font Style:"), labelX, y + 6);
  auto* toolBar = new QToolBar(font);
  toolBar->setObjectName("ToolBar1");
  toolBar->setGeometry(c1, y, 200, 28);
  toolBar->setIconSize(QSize(16, 16));
  auto addToggle = [&](const char* name, StyleGlyph glyph, const QString& tip,
                       void (MainWindow::*handler)()) {
    auto* button = new QToolButton(toolBar);
    button->setObjectName(QString::fromLatin1(name));
    button->setCheckable(true);
    button->setIcon(StyleIcon(glyph));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    toolBar->addWidget(button);
    connect(button, &QToolButton::clicked, this, handler);
    return button;
  };
  toolButton1_ = addToggle("ToolButton1", StyleGlyph::kBold, QStringLiteral("Bold"),
                           &MainWindow::ToolButton1Click);
  toolButton2_ = addToggle("ToolButton2", StyleGlyph::kItalic, QStringLiteral("Italic"),
                           &MainWindow::ToolButton2Click);
  toolButton3_ = addToggle("ToolButton3", StyleGlyph::kUnderline, QStringLiteral("Underline"),
                           &MainWindow::ToolButton3Click);
  toolButton7_ = addToggle("ToolButton7", StyleGlyph::kShadow, QStringLiteral("Shadow"),
                           &MainWindow::ToolButton7Click);
  toolBar->addSeparator()->setObjectName("ToolButton8");
  toolButton9_ = addToggle("ToolButton9", StyleGlyph::kAlignLeft, QStringLiteral("Align Left"),
                           &MainWindow::ToolButton9Click);
  toolButton10_ = addToggle("ToolButton10", StyleGlyph::kAlignCentre, QStringLiteral("Center"),
                            &MainWindow::ToolButton10Click);
  toolButton11_ = addToggle("ToolButton11", StyleGlyph::kAlignRight,
                            QStringLiteral("Align Right"), &MainWindow::ToolButton11Click);

  y += 42;
  MakeLabel(font, QStringLiteral("Font Shadow:"), labelX, y + 5);
  shadowcolor_ = new ColourPanel(QStringLiteral("Shadow Color"), font);
  shadowcolor_->setObjectName("shadowcolor");
  shadowcolor_->setGeometry(c1, y, 90, 25);
  connect(shadowcolor_, &QPushButton::clicked, this, &MainWindow::shadowcolorClick);
  shadowcolort_ = MakeField(font, design_.shadowcolort, c2 + 34, y + 2);
  shadowcolort_->setObjectName("shadowcolort");
  strongShadow_ = new QCheckBox(QStringLiteral("Strong Shadow"), font);
  strongShadow_->setObjectName("StrongShadow");
  strongShadow_->move(c3 + 4, y + 4);
  strongShadow_->adjustSize();
  connect(strongShadow_, &QCheckBox::clicked, this, [this](bool on) {
    design_.StrongShadow = on;
    suitempedit1Change();
  });
  return page;
}

QWidget* MainWindow::BuildBackgroundPage() {
  auto* page = new QWidget;
  page->setObjectName("suiTabSheet2");
  auto* browse = MakeGroup(page, QStringLiteral("Image Browse"), QRect(8, 0, 345, 201));
  BuildBrowser(backgrounds_, browse, QRect(8, 18, 160, 146), QRect(174, 18, 163, 146),
               {QStringLiteral("*.gif"), QStringLiteral("*.bmp"), QStringLiteral("*.jpg"),
                QStringLiteral("*.jpeg")});
  backgrounds_.folders->setObjectName("DirectoryListBox2");
  backgrounds_.files->setObjectName("FileListBox2");
  connect(backgrounds_.files, &FileList::EntryChosen, this, &MainWindow::FileListBox2Click);
  bgfilename_ = new QLineEdit(browse);
  bgfilename_->setObjectName("bgfilename");
  bgfilename_->setReadOnly(true);
  bgfilename_->setGeometry(8, 170, 329, 22);

  MakePane(page, QRect(360, 8, 241, 329), image7_, true)->setObjectName("Image7Pane");
  image7_.view->setObjectName("Image7");
  image7_.view->setCursor(Qt::CrossCursor);
  connect(image7_.view, &PictureView::MouseUp, this, &MainWindow::Image7MouseUp);

  auto* style = MakeGroup(page, QStringLiteral("Style"), QRect(8, 208, 345, 129));
  frontcolor_ = new ColourPanel(QStringLiteral("Front Color"), style);
  frontcolor_->setObjectName("frontcolor");
  frontcolor_->setGeometry(12, 20, 96, 25);
  connect(frontcolor_, &QPushButton::clicked, this, &MainWindow::frontcolorClick);
  frontcolordefault_ = new ColourPanel(QStringLiteral("Default"), style);
  frontcolordefault_->setObjectName("frontcolordefault");
  frontcolordefault_->setGeometry(116, 20, 70, 25);
  connect(frontcolordefault_, &QPushButton::clicked, this, &MainWindow::frontcolordefaultClick);
  bgpicture_ = new QCheckBox(QStringLiteral("Use BackGround Picture"), style);
  bgpicture_->setObjectName("bgpicture");
  bgpicture_->move(12, 52);
  bgpicture_->adjustSize();
  connect(bgpicture_, &QCheckBox::clicked, this, [this](bool on) {
    design_.bgpicture = on;
    suitempedit1Change();
  });
  MakeLabel(style, QStringLiteral("Left"), 12, 79);
  bgleft_ = MakeField(style, design_.bgleft, 40, 76, 60);
  bgleft_->setObjectName("bgleft");
  MakeLabel(style, QStringLiteral("Top"), 116, 79);
  bgtop_ = MakeField(style, design_.bgtop, 140, 76, 60);
  bgtop_->setObjectName("bgtop");
  bghorizontal_ = new QRadioButton(QStringLiteral("Horizontal"), style);
  bgvertical_ = new QRadioButton(QStringLiteral("Vertical"), style);
  bgsame_ = new QRadioButton(QStringLiteral("Same"), style);
  const int xs[] = {12, 110, 200};
  int i = 0;
  for (QRadioButton* radio : {bghorizontal_, bgvertical_, bgsame_}) {
    radio->move(xs[i++], 104);
    radio->adjustSize();
    connect(radio, &QRadioButton::clicked, this, &MainWindow::bghorizontalClick);
  }
  bghorizontal_->setObjectName("bghorizontal");
  bgvertical_->setObjectName("bgvertical");
  bgsame_->setObjectName("bgsame");
  bghorizontal_->setChecked(true);
  return page;
}

}  // namespace corvanti
