#include "app/controls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
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
  SetColour(0xFFFFFF);
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

}  // namespace corvanti
