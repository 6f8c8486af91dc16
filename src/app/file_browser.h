#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

class QFileSystemModel;
class QStandardItemModel;
class QStringListModel;
class QTreeView;
class QWidget;

namespace corvanti {

class FileList;

// A folder view beside a file list that shows the files of the folder chosen in it, masked
// by name. The two views are laid on `parent`; the models belong to the browser, which
// belongs to `owner`.
//
// Code points the pair at a folder or a file (Point) without raising any signal. The user's
// work is reported instead: a pick in the file list as EntryChosen, a move of the folder
// view as FolderChosen, which the owner answers by pointing the list there (so that it can
// run that inside its own error handling).
class FileBrowser : public QObject {
  Q_OBJECT
 public:
  FileBrowser(QWidget* parent, const QRect& folders, const QRect& files,
              const QStringList& nameFilters, QObject* owner);

  QTreeView* Folders() const { return folders_; }
  FileList* Files() const { return files_; }

  // Shows a folder, or a file's folder with the file selected. A path that is neither
  // shows an empty list rather than some other folder.
  void Point(const QString& path);
  // Shows a folder with the matching files of other folders beside its own (the user's
  // own templates beside the shipped ones), sorted by name. Without such files it is
  // Point(folder).
  void PointWithOthers(const QString& folder, const QStringList& others);
  // The file selected in the list, empty when there is none.
  QString ChosenFile() const;

 signals:
  // The user picked an entry of the file list.
  void EntryChosen();
  // The user moved the folder view to `folder`.
  void FolderChosen(const QString& folder);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowFolder();

  QTreeView* folders_ = nullptr;
  FileList* files_ = nullptr;
  QFileSystemModel* folderModel_ = nullptr;
  QFileSystemModel* fileModel_ = nullptr;
  QStringListModel* emptyModel_ = nullptr;
  QStandardItemModel* mergedModel_ = nullptr;
  QStringList nameFilters_;
  bool pointingFromCode_ = false;
  // The folder the view should show once the model has read its way down to it.
  QString shownFolder_;
};

}  // namespace corvanti
