#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QString>
#include <QtGlobal>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "codecs/error.h"
#include "codecs/file_io.h"
#include "design/app_paths.h"
#include "design/design.h"
#include "design/numeric_field.h"
#include "design/text_encoding.h"
#include "output/export.h"
#include "output/web_export.h"
#include "render/regenerate.h"
#include "resources/builtin.h"
#include "templates/background.h"
#include "templates/settings_registry.h"
#include "templates/tagged_text.h"
#include "templates/template_file.h"

namespace corvanti::cli {
namespace {

namespace fs = std::filesystem;

// Inside a load the regeneration waits for the one at the end.
const RegenerateFn kNoRegeneration = [](Design&) {};

// A bare file name is one of the shipped backgrounds; anything with a folder is a path.
void SetBackgroundFile(Design& d, const std::string& v) {
  fs::path file = v;
  if (!file.has_parent_path() && v.find(":\\") == std::string::npos) {
    file = d.exeFolder / "background" / file;
  }
  file = fs::absolute(file);
  LoadBackgroundPicture(d, file, kNoRegeneration);
  d.bgfilename = file.string();
}

// One --set, checked before anything is read or written: an element of the template
// format, or a line's face colour.
struct SetOption {
  const Setting* setting = nullptr;  // null: a line's colour or link
  bool link = false;
  int line = 0;
  std::string value;
};

// The bare line number after a per-line key, or -1 when `upper` is not that key.
int LineOf(const std::string& upper, const std::string& key, std::size_t max_digits) {
  const std::string prefix = UpperAscii(key);
  if (upper.compare(0, prefix.size(), prefix) != 0 || upper.size() <= prefix.size() ||
      upper.size() > prefix.size() + max_digits ||
      upper.find_first_not_of("0123456789", prefix.size()) != std::string::npos) {
    return -1;
  }
  return std::stoi(upper.substr(prefix.size()));
}

// Line `line` of a links text set to `target`, adding empty lines before it as needed.
void SetLink(std::string& links, std::size_t line, const std::string& target) {
  std::vector<std::string> lines = CaptionLines(links);
  if (lines.size() <= line) lines.resize(line + 1);
  lines[line] = target;
  links.clear();
  for (std::size_t i = 0; i < lines.size(); ++i) links += (i ? "\r\n" : "") + lines[i];
}

SetOption ParseSetting(const std::string& text) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) throw UsageError{"--set takes KEY=VALUE, not '" + text + "'"};
  const std::string key = text.substr(0, eq);
  SetOption option;
  option.value = text.substr(eq + 1);
  option.setting = FindSetting(key);
  if (option.setting != nullptr) {
    if (option.setting->kind == SettingKind::kSource) {
      throw UsageError{"Button1-Openfile names the template's own pictures and cannot be set"};
    }
    return option;
  }
  const std::string upper = UpperAscii(key);
  if ((option.line = LineOf(upper, kLineColourKey, 3)) >= 0) return option;
  // A link for any line up to the most the design can draw.
  if ((option.line = LineOf(upper, kLineLinkKey, 6)) >= 0) {
    option.link = true;
    return option;
  }
  throw UsageError{"unknown settings key '" + key + "'"};
}

// Applies one --set the way the loader applies that element; text comes as typed.
void Apply(Design& design, const SetOption& option) {
  if (option.link) {
    SetLink(design.links, static_cast<std::size_t>(option.line), TextFromUnknownBytes(option.value));
    return;
  }
  if (option.setting == nullptr) {
    design.LineColors[static_cast<std::size_t>(option.line)] = ColourFromText(option.value);
    return;
  }
  switch (option.setting->kind) {
    case SettingKind::kBackgroundFile:
      SetBackgroundFile(design, option.value);
      return;
    case SettingKind::kCaption:
    case SettingKind::kFontName:
      ApplySetting(design, *option.setting, TextFromUnknownBytes(option.value));
      return;
    default:
      ApplySetting(design, *option.setting, option.value);
  }
}

// "--name value" or "--name=value"; advances i past what it took.
bool TakeOption(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                std::string* value) {
  const std::string& a = args[i];
  if (a == name) {
    if (i + 1 >= args.size()) throw UsageError{name + " needs a value"};
    *value = args[++i];
    return true;
  }
  if (a.size() > name.size() && a.compare(0, name.size() + 1, name + "=") == 0) {
    *value = a.substr(name.size() + 1);
    return true;
  }
  return false;
}

// A scratch folder of this run's own, removed when the run ends: a window or another run
// working beside this one never sees its files, nor it theirs.
class ScratchFolder {
 public:
  ScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (tmp && *tmp ? fs::path(tmp) : fs::temp_directory_path()).string() +
                          "/corvanti-cli-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw Error("Cannot create a scratch folder (" + pattern + ")");
    }
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

QtMessageHandler g_qt_default_handler = nullptr;

// Without a desktop session Qt remarks on the missing runtime folder; that is no concern of
// someone rendering buttons, and stderr is kept for this program's own messages.
void QuietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.contains(QStringLiteral("XDG_RUNTIME_DIR"))) return;
  if (g_qt_default_handler) g_qt_default_handler(type, context, message);
}

}  // namespace

// render TEMPLATE.btt -o OUTPUT [--text-file FILE] [--set KEY=VALUE]...
int RunRender(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::string output;
  std::string text_file;
  std::string links_file;
  bool has_output = false;
  bool has_text_file = false;
  bool has_links_file = false;
  bool web = false;
  std::vector<SetOption> settings;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string value;
    if (TakeOption(args, i, "-o", &value) || TakeOption(args, i, "--output", &value)) {
      if (has_output) throw UsageError{"only one -o OUTPUT"};
      output = value;
      has_output = true;
    } else if (TakeOption(args, i, "--text-file", &value)) {
      if (has_text_file) throw UsageError{"only one --text-file"};
      text_file = value;
      has_text_file = true;
    } else if (TakeOption(args, i, "--links", &value)) {
      if (has_links_file) throw UsageError{"only one --links"};
      links_file = value;
      has_links_file = true;
    } else if (args[i] == "--web") {
      web = true;
    } else if (TakeOption(args, i, "--set", &value)) {
      settings.push_back(ParseSetting(value));
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      throw UsageError{"unknown option " + args[i]};
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 1) throw UsageError{"render takes one TEMPLATE.btt"};
  if (!has_output || output.empty()) throw UsageError{"render needs -o OUTPUT"};
  if (has_links_file && !web) throw UsageError{"--links belongs to the web export (--web)"};

  // Text is drawn with QtGui's fonts; no display is needed or wanted, whatever the caller's
  // environment says.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  g_qt_default_handler = qInstallMessageHandler(QuietQtMessages);
  static int argc = 1;
  static char name[] = "corvanti-cli";
  static char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  // The shipped templates, backgrounds and page pattern: beside the program in its build
  // folder, in share/corvanti/ when installed. Scratch files stay in this run's own folder.
  const AppPaths paths =
      ResolveAppPaths(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());

  // Read before anything is written, so a missing caption file leaves no trace.
  std::string caption;
  if (has_text_file) caption = WithCrLfLineEnds(TextFromUnknownBytes(ReadWholeFile(text_file)));
  std::string links;
  if (has_links_file) links = WithCrLfLineEnds(TextFromUnknownBytes(ReadWholeFile(links_file)));

  const ScratchFolder scratch;
  Design design = StartupDesign(paths.dataFolder);
  design.tempFolder = scratch.path();
  // A file that is no template fails here with its message; nothing is written.
  LoadTemplate(design, positional[0], kNoRegeneration);

  if (has_text_file) design.edit1 = caption;
  if (has_links_file) design.links = links;
  for (const SetOption& option : settings) Apply(design, option);
  // As after a load: the caption font's style follows the toggles.
  TakeCaptionStyleFromToggles(design);

  design.SelectedLine = kNoLineSelected;
  Regenerate(design);
  if (web) {
    ExportForWeb(design, output);
  } else {
    ExportPicturesAndHtml(design, output);
  }
  return kExitDone;
}

}  // namespace corvanti::cli

// What corvanti-cli calls once it has loaded this module.
extern "C" __attribute__((visibility("default"))) int corvanti_cli_render(
    const std::vector<std::string>* args) {
  using namespace corvanti::cli;
  return RunCommand([args] { return RunRender(*args); });
}
