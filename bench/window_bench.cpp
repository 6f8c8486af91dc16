// A keystroke in the caption memo of the window, from key event to repainted previews,
// with the design the window starts with (the built-in template) and with the shipped
// start-up template when the build's app folder holds it. One frame is about 16.7 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/dialogs.h"
#include "app/main_window.h"

namespace {

class SilentDialogs : public corvanti::Dialogs {
 public:
  std::optional<QString> SaveFile(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> OpenFile(QWidget*, const QString&) override { return std::nullopt; }
  std::optional<QColor> PickColour(QWidget*, const QColor&) override { return std::nullopt; }
  void ShowError(QWidget*, const QString&) override { ++errors; }
  void OpenUrl(const QUrl&) override {}
  int errors = 0;
};

void EnsureApp() {
  if (QApplication::instance() != nullptr) return;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "bench_window";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}

void Keystroke(benchmark::State& state, bool loadStartupTemplate) {
  EnsureApp();
  SilentDialogs dialogs;
  // The app folder next to this program, as the build lays it out.
  const std::filesystem::path exe = QCoreApplication::applicationDirPath().toStdString();
  corvanti::MainWindow window(exe, &dialogs);
  window.show();
  window.Timer1().stop();
  if (loadStartupTemplate) {
    window.Timer1Timer();
    if (dialogs.errors != 0) {
      state.SkipWithError("no start-up template in the app folder");
      return;
    }
  } else {
    // The default design with its six captions, drawn once as after any first change.
    window.suitempedit1Change();
  }
  auto* edit1 = window.findChild<QPlainTextEdit*>(QStringLiteral("edit1"));
  edit1->moveCursor(QTextCursor::End);
  bool add = true;
  for (auto _ : state) {
    // Type a letter, then take it back, so the caption stays the same length.
    QKeyEvent press(QEvent::KeyPress, add ? Qt::Key_X : Qt::Key_Backspace, Qt::NoModifier,
                    add ? QStringLiteral("x") : QString());
    QCoreApplication::sendEvent(edit1, &press);
    window.repaint();
    add = !add;
  }
}

void BM_KeystrokeDefaultDesign(benchmark::State& state) { Keystroke(state, false); }
void BM_KeystrokeStartupTemplate(benchmark::State& state) { Keystroke(state, true); }

BENCHMARK(BM_KeystrokeDefaultDesign)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeStartupTemplate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
