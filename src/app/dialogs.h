#pragma once

#include <optional>

#include <QColor>
#include <QString>
#include <QUrl>

class QWidget;

namespace corvanti {

// Everything the window asks of the user or hands to the desktop goes through here, so
// that tests can answer the questions themselves.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A save-file dialog with one filter ("Description (*.ext)"), a default suffix for names
  // typed without one, and a question before an existing file is replaced.
  virtual std::optional<QString> SaveFile(QWidget* parent, const QString& filter,
                                          const QString& defaultSuffix) = 0;
  // An open-file dialog with one filter; the name need not exist.
  virtual std::optional<QString> OpenFile(QWidget* parent, const QString& filter) = 0;
  // The colour dialog, opened with `initial`.
  virtual std::optional<QColor> PickColour(QWidget* parent, const QColor& initial) = 0;
  virtual void ShowError(QWidget* parent, const QString& message) = 0;
  // Hands a document to its default application; does not wait, reports nothing.
  virtual void OpenUrl(const QUrl& url) = 0;

  enum class SaveAnswer { kSave, kDiscard, kCancel };
  // "Save changes to the template?" before the window closes over unsaved changes.
  virtual SaveAnswer AskSaveChanges(QWidget* parent) {
    (void)parent;
    return SaveAnswer::kDiscard;
  }
  // The About box.
  virtual void ShowAbout(QWidget* parent, const QString& text) {
    (void)parent;
    (void)text;
  }
};

// The real dialogs of the desktop.
class QtDialogs : public Dialogs {
 public:
  std::optional<QString> SaveFile(QWidget* parent, const QString& filter,
                                  const QString& defaultSuffix) override;
  std::optional<QString> OpenFile(QWidget* parent, const QString& filter) override;
  std::optional<QColor> PickColour(QWidget* parent, const QColor& initial) override;
  void ShowError(QWidget* parent, const QString& message) override;
  void OpenUrl(const QUrl& url) override;
  SaveAnswer AskSaveChanges(QWidget* parent) override;
  void ShowAbout(QWidget* parent, const QString& text) override;
};

}  // namespace corvanti
