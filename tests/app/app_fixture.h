#pragma once

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QUrl>

#include "app/dialogs.h"
#include "app/main_window.h"
#include "support/test_support.h"

namespace corvanti::test {

// Waits for `done` while letting events run (file lists fill in the background).
template <class F>
bool WaitFor(F done, int milliseconds = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > milliseconds) return false;
    QTest::qWait(10);
  }
  return true;
}

// A QApplication on the offscreen platform, made once for the whole program (the window
// needs widgets, so the shared QGuiApplication helper will not do).
void EnsureApplication();

// Dialogs that answer from queues and remember what they were asked.
class FakeDialogs : public Dialogs {
 public:
  std::optional<QString> SaveFile(QWidget*, const QString& filter,
                                  const QString& defaultSuffix) override;
  std::optional<QString> OpenFile(QWidget*, const QString& filter) override;
  std::optional<QColor> PickColour(QWidget*, const QColor& initial) override;
  void ShowError(QWidget*, const QString& message) override { errors.push_back(message); }
  void OpenUrl(const QUrl& url) override { opened.push_back(url); }
  SaveAnswer AskSaveChanges(QWidget*) override {
    ++saveChangesAsked;
    return saveChangesAnswer;
  }

  SaveAnswer saveChangesAnswer = SaveAnswer::kCancel;
  int saveChangesAsked = 0;

  std::deque<std::optional<QString>> saveAnswers;
  std::deque<std::optional<QString>> openAnswers;
  std::deque<std::optional<QColor>> colourAnswers;
  QStringList saveFilters, saveSuffixes, openFilters;
  std::vector<QColor> colourInitials;
  QStringList errors;
  std::vector<QUrl> opened;
};

// The settings a test template carries; the pictures are the built-in template's.
struct TestTemplate {
  std::string caption = "One\r\nTwo\r\nThree";
  int fontx = 20;
  int fonty = 20;
  std::string fontsizeText;  // raw text for "Button1-Text.size" when set
  bool centre = false;

  static TestTemplate Captioned(std::string caption, int x, int y) {
    TestTemplate t;
    t.caption = std::move(caption);
    t.fontx = x;
    t.fonty = y;
    return t;
  }
};

// Writes a .btt file with embedded pictures.
void WriteTemplate(const std::filesystem::path& path, const TestTemplate& settings);

// An app folder: media/<category>/, background/, temp/, script.txt; by default with the
// start-up template in media/button/.
struct AppFolder {
  explicit AppFolder(bool withDefaultTemplate = true);
  TempDir dir;
  std::filesystem::path exe;
};

// The window of one test, with its fake dialogs.
struct WindowUnderTest {
  explicit WindowUnderTest(const std::filesystem::path& exe);
  ~WindowUnderTest();
  // Runs the start-up load now instead of waiting for the timer.
  void LoadNow();
  template <class T>
  T* Child(const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
  }

  FakeDialogs dialogs;
  std::unique_ptr<MainWindow> window;
};

}  // namespace corvanti::test
