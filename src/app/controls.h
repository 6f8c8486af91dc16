#pragma once

#include <functional>
#include <string>

#include <QAbstractFileIconProvider>
#include <QFontComboBox>
#include <QImage>
#include <QIcon>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QWidget>

#include "codecs/picture.h"
#include "design/numeric_field.h"

class QPlainTextEdit;
class QToolButton;

namespace corvanti {

// A 24-bit picture as a QImage. With `keyTransparent` the colour of the bottom-left pixel
// becomes fully transparent, as the previews show it when "Transparency BackGround" is on.
QImage PictureToImage(const Picture& picture, bool keyTransparent);

QColor ToQColor(Colour colour);
Colour FromQColor(const QColor& colour);

// The design's text is UTF-8.
QString FromBytes(const std::string& bytes);
std::string ToBytes(const QString& text);

// The caption memo shows lines; the design keeps them joined by CR LF.
QString CaptionToWidget(const std::string& text);
std::string CaptionFromWidget(const QPlainTextEdit* edit);

// An integer field with spin buttons over a NumericField of the design. Typing edits the
// field's text as it stands (out-of-range text stays until the focus leaves); the arrow
// keys and the spin buttons step through the field's value, which keeps it in range.
class SpinField : public QWidget {
  Q_OBJECT
 public:
  SpinField(NumericField* field, QWidget* parent);
  // Called after every change of the field's text made here.
  void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }
  // Shows the field's text (no change event).
  void Refresh();
  QLineEdit* Edit() const { return edit_; }
  void StepBy(int direction);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Changed();

  NumericField* field_;
  QLineEdit* edit_;
  QToolButton* up_;
  QToolButton* down_;
  std::function<void()> onChange_;
};

// A push button painted in its colour, keeping its caption.
class ColourPanel : public QPushButton {
  Q_OBJECT
 public:
  ColourPanel(const QString& caption, QWidget* parent);
  void SetColour(Colour colour);
  Colour GetColour() const { return colour_; }

 private:
  Colour colour_ = 0xFFFFFFFFu;
};

// A picture control: shows one image at its own size and reports mouse work in the
// picture's own pixels. A click is a left press whose release ends over the picture,
// reported after the release.
class PictureView : public QWidget {
  Q_OBJECT
 public:
  explicit PictureView(QWidget* parent);
  void SetImage(QImage image);
  const QImage& Image() const { return image_; }

 signals:
  void MouseDown(int x, int y);
  void MouseMove(int x, int y);
  void MouseUp(int x, int y);
  void Click();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage image_;
  bool leftPressed_ = false;
};

// The file list of a browser. It reports the entries the user picks, by mouse or by the
// arrow keys, and stays quiet when code selects an entry.
class FileList : public QListView {
  Q_OBJECT
 public:
  explicit FileList(QWidget* parent);

 signals:
  void EntryChosen();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// A group box whose caption sits in its frame line, as group boxes are drawn here.
class FramedGroup : public QWidget {
  Q_OBJECT
 public:
  FramedGroup(const QString& title, QWidget* parent);
  QString Title() const { return title_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString title_;
};

// What the font chooser's preview draws: a sample in the row's family at the caption's
// pixel size and style. An empty sample shows the family's own name.
struct FontSample {
  QString text;
  int pixelSize = 21;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

// The 240 x 60 preview beside the open font list.
class FontPreview : public QWidget {
  Q_OBJECT
 public:
  explicit FontPreview(QWidget* parent);
  void Show(const QString& family, const FontSample& sample);
  QString Family() const { return family_; }
  QString Text() const { return text_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString family_;
  QString text_;
  QFont font_;
};

// The font chooser: every installed family in its own face, and while the list is open a
// preview of the row under the mouse (or the keyboard's current row) beside it.
class FontChooser : public QFontComboBox {
  Q_OBJECT
 public:
  explicit FontChooser(QWidget* parent);
  void SetSampleSource(std::function<FontSample()> source) { sampleSource_ = std::move(source); }
  FontPreview* Preview() const { return preview_; }
  void showPopup() override;
  void hidePopup() override;

 private:
  void PreviewRow(const QModelIndex& index);

  FontPreview* preview_;
  std::function<FontSample()> sampleSource_;
  QMetaObject::Connection rowWatch_;
};

// File icons for the browsers: the icon theme's where there is one, the program's own
// otherwise (a template file, a picture, a folder).
class FileIcons : public QAbstractFileIconProvider {
 public:
  FileIcons();
  QIcon icon(IconType type) const override;
  QIcon icon(const QFileInfo& info) const override;

 private:
  QIcon template_, picture_, folder_, file_;
};

// The icon of a template file.
QIcon TemplateFileIcon();

// Glyphs of the font-style tool bar.
enum class StyleGlyph { kBold, kItalic, kUnderline, kShadow, kAlignLeft, kAlignCentre, kAlignRight };
QIcon StyleIcon(StyleGlyph glyph);

}  // namespace corvanti
