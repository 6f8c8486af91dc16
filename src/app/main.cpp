#include <cstdio>
#include <filesystem>

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QStringList>
#include <QTabWidget>
#include <QTimer>

#include "app/main_window.h"

namespace {

// In screenshot mode nobody is there to answer: errors go to stderr, nothing is asked.
class UnattendedDialogs : public corvanti::Dialogs {
 public:
  std::optional<QString> SaveFile(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> OpenFile(QWidget*, const QString&) override { return std::nullopt; }
  std::optional<QColor> PickColour(QWidget*, const QColor&) override { return std::nullopt; }
  void ShowError(QWidget*, const QString& message) override {
    std::fprintf(stderr, "corvanti: %s\n", message.toLocal8Bit().constData());
  }
  void OpenUrl(const QUrl&) override {}
};

}  // namespace

int main(int argc, char* argv[]) {
  // The window is laid out in fixed pixels and is not rescaled for the screen's DPI.
  if (qEnvironmentVariableIsEmpty("QT_ENABLE_HIGHDPI_SCALING")) {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvanti"));

  // corvanti [--screenshot FILE [--page N]]: grab the window after the start-up load.
  QString screenshot;
  int page = -1;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size()) {
      screenshot = args[++i];
    } else if (args[i] == QLatin1String("--page") && i + 1 < args.size()) {
      page = args[++i].toInt();
    } else {
      std::fprintf(stderr, "usage: corvanti [--screenshot FILE [--page N]]\n");
      return 2;
    }
  }

  UnattendedDialogs unattended;
  const std::filesystem::path exeFolder(
      QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
  corvanti::MainWindow window(exeFolder, screenshot.isEmpty() ? nullptr : &unattended);
  window.show();

  int status = 0;
  if (!screenshot.isEmpty()) {
    QObject::connect(&window, &corvanti::MainWindow::StartupLoadFinished, &window, [&] {
      if (page >= 0) {
        if (auto* pages = window.findChild<QTabWidget*>(QStringLiteral("suiPageControl1"))) {
          pages->setCurrentIndex(page);
        }
      }
      // Let the new page and previews paint before the grab.
      QTimer::singleShot(200, &window, [&] {
        if (!window.grab().save(screenshot)) {
          std::fprintf(stderr, "corvanti: cannot write %s\n", screenshot.toLocal8Bit().constData());
          status = 1;
        }
        QApplication::quit();
      });
    });
  }
  const int result = app.exec();
  return status != 0 ? status : result;
}

#if defined(__SANITIZE_ADDRESS__)
// Font configuration and the message bus keep caches for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
#endif
