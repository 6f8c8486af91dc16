#include <cstdio>
#include <filesystem>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPalette>
#include <QStyleFactory>
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

// The window's own light look whatever the desktop's theme: the Parts' greys, white panes
// and coloured panels stay readable under a dark theme too.
void UseLightLook() {
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QPalette light;
  light.setColor(QPalette::Window, QColor(232, 232, 232));
  light.setColor(QPalette::WindowText, Qt::black);
  light.setColor(QPalette::Base, Qt::white);
  light.setColor(QPalette::AlternateBase, QColor(245, 245, 245));
  light.setColor(QPalette::Text, Qt::black);
  light.setColor(QPalette::Button, QColor(232, 232, 232));
  light.setColor(QPalette::ButtonText, Qt::black);
  light.setColor(QPalette::ToolTipBase, QColor(255, 255, 220));
  light.setColor(QPalette::ToolTipText, Qt::black);
  light.setColor(QPalette::PlaceholderText, QColor(128, 128, 128));
  light.setColor(QPalette::Highlight, QColor(48, 140, 198));
  light.setColor(QPalette::HighlightedText, Qt::white);
  light.setColor(QPalette::Disabled, QPalette::Text, QColor(150, 150, 150));
  light.setColor(QPalette::Disabled, QPalette::WindowText, QColor(150, 150, 150));
  light.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(150, 150, 150));
  QApplication::setPalette(light);
}

int main(int argc, char* argv[]) {
  // The layout is in device-independent pixels; on a high-density screen every picture
  // pixel of the previews becomes a block of screen pixels, never a blur.
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvanti"));
  QApplication::setOrganizationName(QStringLiteral("Corvanti"));
  QApplication::setApplicationVersion(QStringLiteral(CORVANTI_VERSION));
  UseLightLook();

  // corvanti [TEMPLATE.btt] [--screenshot FILE [--page N]]: a template to open instead of
  // the start-up one; grab the window after the start-up load.
  QString screenshot;
  QString startupTemplate;
  int page = -1;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size()) {
      screenshot = args[++i];
    } else if (args[i] == QLatin1String("--page") && i + 1 < args.size()) {
      page = args[++i].toInt();
    } else if (!args[i].startsWith(QLatin1Char('-')) && startupTemplate.isEmpty()) {
      startupTemplate = QFileInfo(args[i]).absoluteFilePath();
    } else {
      std::fprintf(stderr, "usage: corvanti [TEMPLATE.btt] [--screenshot FILE [--page N]]\n");
      return 2;
    }
  }

  UnattendedDialogs unattended;
  const std::filesystem::path exeFolder(
      QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
  corvanti::MainWindow window(exeFolder, screenshot.isEmpty() ? nullptr : &unattended);
  if (!startupTemplate.isEmpty()) window.SetStartupTemplate(startupTemplate);
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
