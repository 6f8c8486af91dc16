#include "app/file_browser.h"

#include <algorithm>

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QStringListModel>
#include <QTimer>
#include <QTreeView>

#include "app/controls.h"

namespace corvanti {

FileBrowser::FileBrowser(QWidget* parent, const QRect& folders, const QRect& files,
                         const QStringList& nameFilters, QObject* owner)
    : QObject(owner) {
  // Shared by every model and never freed: models may ask for icons until they are gone.
  static FileIcons* const icons = new FileIcons;
  folderModel_ = new QFileSystemModel(this);
  folderModel_->setIconProvider(icons);
  folderModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  folderModel_->setRootPath(QDir::rootPath());
  folders_ = new QTreeView(parent);
  folders_->setGeometry(folders);
  folders_->setModel(folderModel_);
  folders_->setHeaderHidden(true);
  for (int column = 1; column < folderModel_->columnCount(); ++column) {
    folders_->hideColumn(column);
  }
  folders_->setRootIndex(folderModel_->index(QDir::rootPath()));

  fileModel_ = new QFileSystemModel(this);
  fileModel_->setIconProvider(icons);
  fileModel_->setFilter(QDir::Files);
  fileModel_->setNameFilters(nameFilters);
  fileModel_->setNameFilterDisables(false);
  fileModel_->sort(0, Qt::AscendingOrder);
  emptyModel_ = new QStringListModel(this);
  mergedModel_ = new QStandardItemModel(this);
  nameFilters_ = nameFilters;
  files_ = new FileList(parent);
  files_->setGeometry(files);
  files_->setModel(emptyModel_);

  // Entries arrive in the order the folder is read; the list shows them by name.
  connect(fileModel_, &QFileSystemModel::directoryLoaded, this,
          [this](const QString&) { fileModel_->sort(0, Qt::AscendingOrder); });
  // The model reads folders in the background and inserts their entries later; the view
  // follows as they arrive, until the user takes the folder view over.
  auto follow = [this] {
    if (shownFolder_.isEmpty()) return;
    QTimer::singleShot(0, this, [this] { ShowFolder(); });
  };
  connect(folderModel_, &QFileSystemModel::directoryLoaded, this, follow);
  connect(folderModel_, &QFileSystemModel::rowsInserted, this, follow);
  connect(folderModel_, &QFileSystemModel::layoutChanged, this, follow);
  folders_->installEventFilter(this);
  folders_->viewport()->installEventFilter(this);
  connect(folders_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (pointingFromCode_ || !current.isValid()) return;
            emit FolderChosen(folderModel_->filePath(current));
          });
  connect(files_, &FileList::EntryChosen, this, &FileBrowser::EntryChosen);
}

void FileBrowser::Point(const QString& path) {
  const QFileInfo info(path);
  QString folder;
  QString file;
  if (info.isDir()) {
    folder = info.absoluteFilePath();
  } else if (info.isFile()) {
    folder = info.absolutePath();
    file = info.absoluteFilePath();
  }
  pointingFromCode_ = true;
  if (folder.isEmpty()) {
    // A folder that is not there shows an empty list rather than some other folder.
    files_->setModel(emptyModel_);
    folders_->clearSelection();
  } else {
    const QModelIndex root = fileModel_->setRootPath(folder);
    if (files_->model() != fileModel_) files_->setModel(fileModel_);
    files_->setRootIndex(root);
    shownFolder_ = folder;
    ShowFolder();
    const QModelIndex fileIndex = file.isEmpty() ? QModelIndex() : fileModel_->index(file);
    files_->setCurrentIndex(fileIndex);
    if (fileIndex.isValid()) files_->scrollTo(fileIndex);
  }
  pointingFromCode_ = false;
}

void FileBrowser::ShowFolder() {
  if (shownFolder_.isEmpty()) return;
  const QModelIndex folderIndex = folderModel_->index(shownFolder_);
  if (!folderIndex.isValid()) return;
  const bool wasPointing = pointingFromCode_;
  pointingFromCode_ = true;
  for (QModelIndex up = folderIndex.parent(); up.isValid(); up = up.parent()) {
    folders_->expand(up);
  }
  folders_->setCurrentIndex(folderIndex);
  // Lay the rows out now, or the scroll range is still that of the collapsed tree.
  folders_->doItemsLayout();
  folders_->scrollTo(folderIndex, QAbstractItemView::PositionAtCenter);
  pointingFromCode_ = wasPointing;
}

void FileBrowser::PointWithOthers(const QString& folder, const QStringList& others) {
  struct Entry {
    QString name, path;
  };
  QList<Entry> extra;
  for (const QString& other : others) {
    const QDir dir(other);
    for (const QFileInfo& info : dir.entryInfoList(nameFilters_, QDir::Files, QDir::Name)) {
      extra.push_back({info.fileName(), info.absoluteFilePath()});
    }
  }
  Point(folder);
  if (extra.isEmpty()) return;
  // A list of its own: the folder's files as they are now, and the others'.
  QList<Entry> all = extra;
  for (const QFileInfo& info : QDir(folder).entryInfoList(nameFilters_, QDir::Files, QDir::Name)) {
    all.push_back({info.fileName(), info.absoluteFilePath()});
  }
  std::stable_sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) {
    return QString::localeAwareCompare(a.name, b.name) < 0;
  });
  static const FileIcons icons;
  mergedModel_->clear();
  for (const Entry& e : all) {
    auto* item = new QStandardItem(icons.icon(QFileInfo(e.path)), e.name);
    item->setData(e.path, Qt::UserRole);
    item->setToolTip(e.path);
    item->setEditable(false);
    mergedModel_->appendRow(item);
  }
  pointingFromCode_ = true;
  files_->setModel(mergedModel_);
  pointingFromCode_ = false;
}

QString FileBrowser::ChosenFile() const {
  if (files_->model() == mergedModel_) {
    const QModelIndex index = files_->currentIndex();
    return index.isValid() ? index.data(Qt::UserRole).toString() : QString();
  }
  if (files_->model() != fileModel_) return QString();
  const QModelIndex index = files_->currentIndex();
  if (!index.isValid()) return QString();
  return fileModel_->filePath(index);
}

bool FileBrowser::eventFilter(QObject* watched, QEvent* event) {
  // Once the user works the folder view, it no longer follows the folder last pointed at.
  const QEvent::Type type = event->type();
  if (type == QEvent::MouseButtonPress || type == QEvent::Wheel || type == QEvent::KeyPress) {
    if (watched == folders_ || watched == folders_->viewport()) shownFolder_.clear();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace corvanti
