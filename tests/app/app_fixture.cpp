#include "app_fixture.h"

#include <cstdlib>

#include <QSettings>

#include "codecs/file_io.h"
#include "resources/builtin.h"
#include "templates/tagged_text.h"
#include "templates/template_file.h"

namespace corvanti::test {

void EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
  // What the window keeps between runs goes to a folder of this test run's own.
  static TempDir settings;
  QCoreApplication::setOrganizationName(QStringLiteral("CorvantiTests"));
  QSettings::setDefaultFormat(QSettings::IniFormat);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                     QString::fromStdString(settings.path().string()));
}

namespace {
template <class T>
std::optional<T> Next(std::deque<std::optional<T>>& answers) {
  if (answers.empty()) return std::nullopt;
  std::optional<T> answer = answers.front();
  answers.pop_front();
  return answer;
}
}  // namespace

std::optional<QString> FakeDialogs::SaveFile(QWidget*, const QString& filter,
                                             const QString& defaultSuffix) {
  saveFilters << filter;
  saveSuffixes << defaultSuffix;
  return Next(saveAnswers);
}

std::optional<QString> FakeDialogs::OpenFile(QWidget*, const QString& filter) {
  openFilters << filter;
  return Next(openAnswers);
}

std::optional<QColor> FakeDialogs::PickColour(QWidget*, const QColor& initial) {
  colourInitials.push_back(initial);
  return Next(colourAnswers);
}

void WriteTemplate(const std::filesystem::path& path, const TestTemplate& settings) {
  Design design;
  design.edit1 = settings.caption;
  design.fontx.SetValue(settings.fontx);
  design.fonty.SetValue(settings.fonty);
  design.ToolButton9 = !settings.centre;
  design.ToolButton10 = settings.centre;
  design.bgpicture = false;
  const Picture master = BuiltInMasterTemplate();
  design.buttonwidth.SetValue(master.Width());
  design.buttonheight.SetValue(master.Height());
  BuildTemplateSettingsText(design);
  if (!settings.fontsizeText.empty()) {
    design.Memo1 = SetTagValue(design.Memo1, "Button1-Text.size", settings.fontsizeText);
  }
  const std::string bytes = design.Memo1 + "<BmpImage>" + BuiltInMasterBmp() +
                            "</BmpImage>\r\n<BmpShadowImage>" + BuiltInAlphaBmp() +
                            "</BmpShadowImage>\r\n<BmpBGImage></BmpBGImage>";
  WriteWholeFile(bytes, path);
}

AppFolder::AppFolder(bool withDefaultTemplate) : exe(dir.path() / "app") {
  for (const char* folder : {"media/button", "media/toolbutton", "media/round", "media/others",
                             "background", "temp"}) {
    std::filesystem::create_directories(exe / folder);
  }
  WriteWholeFile("<html>[imagelist]<body>[testhtmlcode]</body></html>", exe / "script.txt");
  if (withDefaultTemplate) WriteTemplate(exe / "media" / "button" / "zuri-color.btt", {});
}

WindowUnderTest::WindowUnderTest(const std::filesystem::path& exe) {
  EnsureApplication();
  window = std::make_unique<MainWindow>(exe, &dialogs);
  window->show();
}

WindowUnderTest::~WindowUnderTest() = default;

void WindowUnderTest::LoadNow() { window->Timer1Timer(); }

}  // namespace corvanti::test
