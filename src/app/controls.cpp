#include "app/controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>

namespace corvanti {

QImage PictureToImage(const Picture& picture, bool keyTransparent) {
  if (picture.Empty()) return QImage();
  const int w = picture.Width();
  const int h = picture.Height();
  QImage image(w, h, keyTransparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  const std::uint8_t* bottomLeft = picture.Row(h - 1);
  const std::uint8_t kb = bottomLeft[0], kg = bottomLeft[1], kr = bottomLeft[2];
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = picture.Row(y);
    auto* d = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x, s += 3) {
      // Rows are blue, green, red.
      if (keyTransparent && s[0] == kb && s[1] == kg && s[2] == kr) {
        d[x] = 0;
      } else {
        d[x] = qRgb(s[2], s[1], s[0]);
      }
    }
  }
  return image;
}

QColor ToQColor(Colour colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

Colour FromQColor(const QColor& colour) {
  return MakeColour(colour.red(), colour.green(), colour.blue());
}

QString FromBytes(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

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

// ---------------------------------------------------------------------------------------

SpinField::SpinField(NumericField* field, QWidget* parent) : QWidget(parent), field_(field) {
  edit_ = new QLineEdit(this);
  // Typing accepts digits and the minus sign only.
  edit_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-0-9]*")), edit_));
  edit_->installEventFilter(this);
  up_ = new QToolButton(this);
  down_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
  }
  connect(up_, &QToolButton::clicked, this, [this] { StepBy(1); });
  connect(down_, &QToolButton::clicked, this, [this] { StepBy(-1); });
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (field_->SetText(ToBytes(text))) Changed();
  });
  setFocusProxy(edit_);
  Refresh();
}

void SpinField::Refresh() {
  const QString text = FromBytes(field_->Text());
  if (edit_->text() != text) {
    QSignalBlocker block(edit_);
    edit_->setText(text);
  }
}

void SpinField::StepBy(int direction) {
  const bool changed = direction > 0 ? field_->StepUp() : field_->StepDown();
  Refresh();
  if (changed) Changed();
}

void SpinField::Changed() {
  if (onChange_) onChange_();
}

bool SpinField::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_) {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Up || key == Qt::Key_Down) {
        StepBy(key == Qt::Key_Up ? 1 : -1);
        return true;
      }
    } else if (event->type() == QEvent::FocusOut) {
      if (field_->Commit()) {
        Refresh();
        Changed();
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void SpinField::resizeEvent(QResizeEvent*) {
  const int buttonWidth = 15;
  const int w = width();
  const int h = height();
  edit_->setGeometry(0, 0, w - buttonWidth, h);
  up_->setGeometry(w - buttonWidth, 0, buttonWidth, h / 2);
  down_->setGeometry(w - buttonWidth, h / 2, buttonWidth, h - h / 2);
}

// ---------------------------------------------------------------------------------------

ColourPanel::ColourPanel(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  SetColour(MakeColour(255, 255, 255));
}

void ColourPanel::SetColour(Colour colour) {
  if (colour == colour_) return;
  colour_ = colour;
  const QColor c = ToQColor(colour);
  // The caption stays readable on any colour.
  const bool dark = (c.red() * 299 + c.green() * 587 + c.blue() * 114) / 1000 < 128;
  setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: %2; "
                               "border: 1px solid #7a7a7a; }"
                               "QPushButton:pressed { border: 2px inset #7a7a7a; }")
                    .arg(c.name(), dark ? QStringLiteral("white") : QStringLiteral("black")));
}

// ---------------------------------------------------------------------------------------

PictureView::PictureView(QWidget* parent) : QWidget(parent) { resize(0, 0); }

void PictureView::SetImage(QImage image) {
  image_ = std::move(image);
  resize(image_.size());
  update();
}

void PictureView::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

void PictureView::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton) leftPressed_ = true;
  emit MouseDown(p.x(), p.y());
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  emit MouseMove(p.x(), p.y());
}

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  emit MouseUp(p.x(), p.y());
  // The click follows the release of every left press that ends over the picture, a
  // drag included: a drag that moved the caption also picks the line it started on.
  if (event->button() == Qt::LeftButton && leftPressed_) {
    leftPressed_ = false;
    if (rect().contains(p)) emit Click();
  }
}

// ---------------------------------------------------------------------------------------

FileList::FileList(QWidget* parent) : QListView(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  connect(this, &QListView::clicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) emit EntryChosen();
  });
}

void FileList::keyPressEvent(QKeyEvent* event) {
  const QPersistentModelIndex before = currentIndex();
  QListView::keyPressEvent(event);
  if (currentIndex().isValid() && QModelIndex(before) != currentIndex()) emit EntryChosen();
}

// ---------------------------------------------------------------------------------------

FramedGroup::FramedGroup(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
  setAccessibleName(title);
}

void FramedGroup::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  const int top = metrics.height() / 2;
  const QRect frame(0, top, width() - 1, height() - top - 1);
  const QColor dark = palette().color(QPalette::Mid);
  const QColor light = palette().color(QPalette::Light);
  // An etched line: dark, with a light line one pixel inside.
  painter.setPen(light);
  painter.drawRect(frame.translated(1, 1).adjusted(0, 0, -1, -1));
  painter.setPen(dark);
  painter.drawRect(frame.adjusted(0, 0, -1, -1));
  if (!title_.isEmpty()) {
    const int textWidth = metrics.horizontalAdvance(title_);
    const QRect textRect(8, 0, textWidth + 4, metrics.height());
    painter.fillRect(textRect, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignCenter, title_);
  }
}

// ---------------------------------------------------------------------------------------

QIcon StyleIcon(StyleGlyph glyph) {
  const int size = 16;
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  QFont font(QStringLiteral("Serif"));
  font.setPixelSize(13);
  auto letter = [&](const QString& text, const QPoint& offset, const QColor& colour) {
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QRect(offset, QSize(size, size)), Qt::AlignCenter, text);
  };
  switch (glyph) {
    case StyleGlyph::kBold:
      font.setBold(true);
      letter(QStringLiteral("B"), {0, 0}, Qt::black);
      break;
    case StyleGlyph::kItalic:
      font.setItalic(true);
      letter(QStringLiteral("I"), {0, 0}, Qt::black);
      break;
    case StyleGlyph::kUnderline:
      font.setUnderline(true);
      letter(QStringLiteral("U"), {0, -1}, Qt::black);
      break;
    case StyleGlyph::kShadow:
      font.setBold(true);
      letter(QStringLiteral("S"), {2, 2}, QColor(150, 150, 150));
      letter(QStringLiteral("S"), {0, 0}, Qt::black);
      break;
    case StyleGlyph::kAlignLeft:
    case StyleGlyph::kAlignCentre:
    case StyleGlyph::kAlignRight: {
      painter.setRenderHint(QPainter::Antialiasing, false);
      const int lengths[] = {14, 9, 14, 9, 14};
      for (int i = 0; i < 5; ++i) {
        const int len = lengths[i];
        int x = 1;
        if (glyph == StyleGlyph::kAlignCentre) x = 1 + (14 - len) / 2;
        if (glyph == StyleGlyph::kAlignRight) x = 15 - len;
        painter.fillRect(x, 2 + i * 3, len, 1, Qt::black);
      }
      break;
    }
  }
  painter.end();
  return QIcon(pixmap);
}

// ---------------------------------------------------------------------------------------

FontPreview::FontPreview(QWidget* parent) : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint) {
  setObjectName("FontPreview");
  setFixedSize(240, 60);
  setAttribute(Qt::WA_ShowWithoutActivating);
}

void FontPreview::Show(const QString& family, const FontSample& sample) {
  family_ = family;
  text_ = sample.text.isEmpty() ? family : sample.text;
  font_ = QFont(family);
  font_.setPixelSize(std::max(sample.pixelSize, 1));
  font_.setBold(sample.bold);
  font_.setItalic(sample.italic);
  font_.setUnderline(sample.underline);
  update();
}

void FontPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.setPen(QColor(122, 122, 122));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.setClipRect(rect().adjusted(4, 2, -4, -2));
  painter.setFont(font_);
  painter.setPen(Qt::black);
  painter.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, text_);
}

FontChooser::FontChooser(QWidget* parent) : QFontComboBox(parent), preview_(new FontPreview(this)) {}

void FontChooser::showPopup() {
  QFontComboBox::showPopup();
  QObject::disconnect(rowWatch_);
  // The popup makes the row under the mouse current as it moves, and the keys move it too.
  rowWatch_ = connect(view()->selectionModel(), &QItemSelectionModel::currentChanged, this,
                      [this](const QModelIndex& index) { PreviewRow(index); });
  const QWidget* popup = view()->window();
  QRect place(popup->geometry().topRight() + QPoint(2, 0), preview_->size());
  // Beside the list, on whichever side the screen has room.
  if (const QScreen* shown = popup->screen()) {
    if (place.right() > shown->availableGeometry().right()) {
      place.moveRight(popup->geometry().left() - 2);
    }
  }
  preview_->move(place.topLeft());
  PreviewRow(view()->currentIndex());
  preview_->show();
}

void FontChooser::hidePopup() {
  QObject::disconnect(rowWatch_);
  preview_->hide();
  QFontComboBox::hidePopup();
}

void FontChooser::PreviewRow(const QModelIndex& index) {
  if (!index.isValid()) return;
  preview_->Show(index.data(Qt::DisplayRole).toString(),
                 sampleSource_ ? sampleSource_() : FontSample());
}

// ---------------------------------------------------------------------------------------

namespace {

// An icon drawn at 16 and 32 pixels; `draw` works in units of a sixteenth of the side.
QIcon DrawnIcon(const std::function<void(QPainter&, qreal unit)>& draw) {
  QIcon icon;
  for (int size : {16, 32}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    draw(painter, size / 16.0);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

// A small sheet of paper with a folded corner, and what it holds drawn on it.
QIcon PaperIcon(const std::function<void(QPainter&, const QRect&)>& drawContent) {
  return DrawnIcon([&](QPainter& painter, qreal s) {
    QPainterPath sheet;
    sheet.moveTo(2.5 * s, 0.5 * s);
    sheet.lineTo(10.5 * s, 0.5 * s);
    sheet.lineTo(13.5 * s, 3.5 * s);
    sheet.lineTo(13.5 * s, 15.5 * s);
    sheet.lineTo(2.5 * s, 15.5 * s);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(110, 110, 110), 1.0));
    painter.setBrush(Qt::white);
    painter.drawPath(sheet);
    drawContent(painter, QRect(qRound(3.5 * s), qRound(5 * s), qRound(9 * s), qRound(9 * s)));
  });
}

}  // namespace

QIcon TemplateFileIcon() {
  // A rounded button with a caption line across it.
  return PaperIcon([](QPainter& p, const QRect& area) {
    const QRectF button(area.left(), area.top() + area.height() * 0.25, area.width(),
                        area.height() * 0.5);
    QLinearGradient face(button.topLeft(), button.bottomLeft());
    face.setColorAt(0, QColor(120, 170, 240));
    face.setColorAt(1, QColor(30, 80, 170));
    p.setPen(QPen(QColor(20, 50, 110), 0.8));
    p.setBrush(face);
    p.drawRoundedRect(button, button.height() / 2.5, button.height() / 2.5);
    p.setPen(QPen(Qt::white, std::max(1.0, button.height() / 6)));
    const qreal y = button.center().y();
    p.drawLine(QPointF(button.left() + button.width() * 0.25, y),
               QPointF(button.right() - button.width() * 0.25, y));
  });
}

FileIcons::FileIcons()
    : template_(QIcon::fromTheme(QStringLiteral("application-x-corvanti-template"), TemplateFileIcon())),
      picture_(QIcon::fromTheme(QStringLiteral("image-x-generic"),
                                PaperIcon([](QPainter& p, const QRect& area) {
                                  // A sky over a hill.
                                  p.setPen(Qt::NoPen);
                                  p.fillRect(area, QColor(140, 190, 240));
                                  p.setBrush(QColor(60, 150, 60));
                                  p.drawEllipse(QRectF(area.left() - area.width() * 0.2,
                                                       area.top() + area.height() * 0.55,
                                                       area.width() * 1.4, area.height()));
                                  p.setBrush(QColor(250, 210, 60));
                                  p.drawEllipse(QRectF(area.right() - area.width() * 0.4,
                                                       area.top() + 1, area.width() * 0.3,
                                                       area.width() * 0.3));
                                }))),
      folder_(QIcon::fromTheme(QStringLiteral("folder"), DrawnIcon([](QPainter& painter, qreal s) {
                                 painter.setPen(QPen(QColor(160, 120, 30), 1.0));
                                 painter.setBrush(QColor(240, 200, 90));
                                 painter.drawRoundedRect(QRectF(0.5 * s, 2.5 * s, 6 * s, 3 * s), s, s);
                                 painter.drawRoundedRect(QRectF(0.5 * s, 4.5 * s, 15 * s, 10 * s), s, s);
                               }))),
      file_(QIcon::fromTheme(QStringLiteral("text-x-generic"),
                             PaperIcon([](QPainter&, const QRect&) {}))) {}

QIcon FileIcons::icon(IconType type) const {
  switch (type) {
    case Folder:
    case Drive:
    case Computer:
      return folder_;
    default:
      return file_;
  }
}

QIcon FileIcons::icon(const QFileInfo& info) const {
  if (info.isDir()) return folder_;
  const QString suffix = info.suffix().toLower();
  if (suffix == QLatin1String("btt")) return template_;
  if (suffix == QLatin1String("bmp") || suffix == QLatin1String("gif") ||
      suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
    return picture_;
  }
  return file_;
}

}  // namespace corvanti
