#include "app/dialogs.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace corvanti {

std::optional<QString> QtDialogs::SaveFile(QWidget* parent, const QString& filter,
                                           const QString& defaultSuffix) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(filter);
  dialog.setDefaultSuffix(defaultSuffix);
  // Qt asks before replacing an existing file unless told not to; say it anyway.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> QtDialogs::OpenFile(QWidget* parent, const QString& filter) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name that names no file is handed back too; the template list decides.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(filter);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QColor> QtDialogs::PickColour(QWidget* parent, const QColor& initial) {
  QColor chosen = QColorDialog::getColor(initial, parent);
  if (!chosen.isValid()) return std::nullopt;
  return chosen;
}

void QtDialogs::ShowError(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Corvanti"), message, QMessageBox::Ok,
                  parent);
  box.exec();
}

void QtDialogs::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

Dialogs::SaveAnswer QtDialogs::AskSaveChanges(QWidget* parent) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Corvanti"),
                  QStringLiteral("Save changes to the template?"),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Save);
  switch (box.exec()) {
    case QMessageBox::Save: return SaveAnswer::kSave;
    case QMessageBox::Discard: return SaveAnswer::kDiscard;
    default: return SaveAnswer::kCancel;
  }
}

void QtDialogs::ShowAbout(QWidget* parent, const QString& text) {
  QMessageBox::about(parent, QStringLiteral("About Corvanti"), text);
}

}  // namespace corvanti
