#include "app/main_window.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "app/file_browser.h"
#include "render/caption.h"

namespace corvanti {
namespace {

const QColor kWindowGrey(232, 232, 232);

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

// ---------------------------------------------------------------------------------------
// Layout: positions are client pixels, as the window has always been laid out.

void MainWindow::BuildUi() {
  setWindowTitle(QStringLiteral("Corvanti"));
  // A fixed dialog-style frame: a title and a close button, no minimise or maximise. It
  // stays an ordinary top-level window so that desktops list it as the program.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(852, 560);
  setFont(WindowFont());
  QPalette windowPalette = this->palette();
  windowPalette.setColor(QPalette::Window, kWindowGrey);
  windowPalette.setColor(QPalette::Button, kWindowGrey);
  setPalette(windowPalette);
  setAutoFillBackground(true);

  // The band above the previews: the menu bar, the template's name, and on the right what
  // a typed change could not do.
  BuildMenuBar();
  documentLabel_ = new QLabel(this);
  documentLabel_->setObjectName("DocumentName");
  documentLabel_->setGeometry(250, 6, 220, 18);
  messageLine_ = new QLabel(this);
  messageLine_->setObjectName("MessageLine");
  messageLine_->setGeometry(480, 6, 852 - 480 - 8, 18);
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
  tbg_ = MakeCheck(options, QStringLiteral("Transparency BackGround"), "tbg", &Design::tbg, 424, 40);

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

void MainWindow::BuildMenuBar() {
  auto* bar = new QMenuBar(this);
  bar->setObjectName("MenuBar");
  // Inside the band, never moved to a desktop's global menu.
  bar->setNativeMenuBar(false);
  bar->setGeometry(0, 2, 240, 24);
  auto add = [this](QMenu* menu, const QString& text, const QKeySequence& keys, auto handler) {
    QAction* action = menu->addAction(text);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  add(file, QStringLiteral("&Open Template\u2026"), QKeySequence::Open, [this] { suiButton7Click(); });
  recentMenu_ = file->addMenu(QStringLiteral("Open &Recent"));
  recentMenu_->setObjectName("RecentMenu");
  connect(recentMenu_, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
  FillRecentMenu();
  add(file, QStringLiteral("&Save Template\u2026"), QKeySequence::Save, [this] { suiButton3Click(); });
  add(file, QStringLiteral("Save &Picture&&HTML\u2026"), QKeySequence(Qt::CTRL | Qt::Key_E),
      [this] { suiButton2Click(); });
  add(file, QStringLiteral("&Export for Web\u2026"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E),
      [this] { ExportForWebClick(); })
      ->setObjectName("ExportForWeb");
  add(file, QStringLiteral("Preview in &Browser"), QKeySequence(Qt::Key_F5), [this] { suiButton4Click(); });
  file->addSeparator();
  add(file, QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });

  QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
  // The actions follow the history, which is made after the controls.
  QAction* undo = add(edit, QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                      [this] { history_->Stack().undo(); });
  undo->setObjectName("Undo");
  QAction* redo = add(edit, QStringLiteral("&Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                      [this] { history_->Stack().redo(); });
  redo->setObjectName("Redo");
  connect(edit, &QMenu::aboutToShow, this, [this, undo, redo] {
    undo->setEnabled(history_->Stack().canUndo());
    redo->setEnabled(history_->Stack().canRedo());
  });

  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  add(help, QStringLiteral("&About Corvanti"), QKeySequence(), [this] {
    dialogs_->ShowAbout(
        this, QStringLiteral("<b>Corvanti %1</b><p>Button pictures for web pages.</p>"
                             "<p>Licensed under the MIT licence. Built with Qt %2 (LGPL 3), "
                             "libjpeg-turbo (IJG and BSD-style licences), libpng (libpng "
                             "licence) and zlib (zlib licence).</p>")
                  .arg(QCoreApplication::applicationVersion(), QString::fromLatin1(qVersion())));
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

QCheckBox* MainWindow::MakeCheck(QWidget* parent, const QString& caption, const char* name,
                                 bool Design::*flag, int x, int y) {
  auto* check = new QCheckBox(caption, parent);
  check->setObjectName(QString::fromLatin1(name));
  check->move(x, y);
  check->adjustSize();
  connect(check, &QCheckBox::clicked, this, [this, flag](bool on) {
    design_.*flag = on;
    suitempedit1Change();
  });
  return check;
}

SpinField* MainWindow::MakeField(QWidget* parent, NumericField& field, int x, int y, int width) {
  auto* spin = new SpinField(&field, parent);
  spin->setGeometry(x, y, width, 21);
  spin->SetOnChange([this] { TypedChange(); });
  return spin;
}

FileBrowser* MainWindow::MakeBrowser(QWidget* parent, const QRect& folders,
                                      const QRect& files, const QStringList& nameFilters) {
  auto* browser = new FileBrowser(parent, folders, files, nameFilters, this);
  connect(browser, &FileBrowser::FolderChosen, this,
          [this, browser](const QString& folder) { ShowChosenFolder(*browser, folder); });
  return browser;
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
  templates_ = MakeBrowser(browse, QRect(8, 42, 273, 110), QRect(8, 158, 273, 140),
                           {QStringLiteral("*.btt")});
  templates_->Folders()->setObjectName("DirectoryListBox1");
  templates_->Files()->setObjectName("FileListBox1");
  connect(templates_, &FileBrowser::EntryChosen, this, &MainWindow::FileListBox1Click);
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
  edit1_->setGeometry(8, 12, 185, 215);
  edit1_->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit1_->setPlainText(CaptionToWidget(design_.edit1));
  edit1_->installEventFilter(this);
  connect(edit1_, &QPlainTextEdit::textChanged, this, [this] {
    design_.edit1 = CaptionFromWidget(edit1_);
    TypedChange();
  });
  // Where each button of the web export leads, line by line beside the captions.
  MakeLabel(page, QStringLiteral("Links (one per line):"), 8, 232);
  links_ = new QPlainTextEdit(page);
  links_->setObjectName("links");
  links_->setGeometry(8, 248, 185, 81);
  links_->setLineWrapMode(QPlainTextEdit::NoWrap);
  links_->setPlaceholderText(QStringLiteral("https://example.com/"));
  connect(links_, &QPlainTextEdit::textChanged, this, [this] {
    design_.links = CaptionFromWidget(links_);
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
  strongShadow_ = MakeCheck(font, QStringLiteral("Strong Shadow"), "StrongShadow",
                            &Design::StrongShadow, c3 + 4, y + 4);
  return page;
}

QWidget* MainWindow::BuildBackgroundPage() {
  auto* page = new QWidget;
  page->setObjectName("suiTabSheet2");
  auto* browse = MakeGroup(page, QStringLiteral("Image Browse"), QRect(8, 0, 345, 201));
  backgrounds_ = MakeBrowser(browse, QRect(8, 18, 160, 146), QRect(174, 18, 163, 146),
                             {QStringLiteral("*.gif"), QStringLiteral("*.bmp"),
                              QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")});
  backgrounds_->Folders()->setObjectName("DirectoryListBox2");
  backgrounds_->Files()->setObjectName("FileListBox2");
  connect(backgrounds_, &FileBrowser::EntryChosen, this, &MainWindow::FileListBox2Click);
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
  bgpicture_ = MakeCheck(style, QStringLiteral("Use BackGround Picture"), "bgpicture",
                         &Design::bgpicture, 12, 52);
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
