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
#include "design/design.h"
#include "design/numeric_field.h"
#include "design/text_encoding.h"
#include "output/export.h"
#include "render/regenerate.h"
#include "resources/builtin.h"
#include "templates/background.h"
#include "templates/tagged_text.h"
#include "templates/template_file.h"

namespace corvanti::cli {
namespace {

namespace fs = std::filesystem;

// Inside a load or a run of settings the regeneration waits for the one at the end.
const RegenerateFn kNoRegeneration = [](Design&) {};

const char kLineColourKey[] = "BUTTON1-TEXT.STYLE.COLOR";

// One settings key of the template format, applied as the template loader applies it.
using Apply = void (*)(Design&, const std::string&);

template <NumericField Design::*field>
void SetFieldText(Design& d, const std::string& v) {
  (d.*field).SetText(v);
}
template <NumericField Design::*field>
void SetFieldValue(Design& d, const std::string& v) {
  (d.*field).SetValue(StrToInt(v));
}
template <Colour Design::*colour>
void SetColour(Design& d, const std::string& v) {
  d.*colour = static_cast<Colour>(StrToInt(v));
}
template <bool Design::*flag>
void SetFlag(Design& d, const std::string& v) {
  d.*flag = IsYes(v);
}
// Selecting one background mode deselects the others; "N" only deselects that one.
template <bool Design::*radio>
void SetRadio(Design& d, const std::string& v) {
  if (IsYes(v)) {
    d.bghorizontal = false;
    d.bgvertical = false;
    d.bgsame = false;
  }
  d.*radio = IsYes(v);
}

void SetFontName(Design& d, const std::string& v) {
  const std::string name = TextFromUnknownBytes(TextBefore(v, "="));
  d.captionFont.name = name;
  if (d.isFontListed && d.isFontListed(name)) d.fontname = name;
}

void SetCaption(Design& d, const std::string& v) { d.edit1 = TextFromUnknownBytes(v); }

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

struct Key {
  const char* name;
  Apply apply;
};

const Key kKeys[] = {
    {"Button1-Text", SetCaption},
    {"Button1-Text.left", SetFieldText<&Design::fontx>},
    {"Button1-Text.top", SetFieldText<&Design::fonty>},
    {"Button1-Text.width", SetFieldText<&Design::buttonwidth>},
    {"Button1-Text.height", SetFieldText<&Design::buttonheight>},
    {"Button1-Text.size", SetFieldText<&Design::fontsize>},
    {"Button1-Text.zoom", SetFieldText<&Design::fontzoom>},
    {"Button1-Text.transparency.left", SetFieldText<&Design::tleft>},
    {"Button1-Text.transparency.right", SetFieldText<&Design::tright>},
    {"Button1-Text.transparency", SetFieldText<&Design::tt>},
    {"Button1-Text.color", SetColour<&Design::fontcolor>},
    {"Button1-Text.fontname", SetFontName},
    {"Button1-Text.style.bold", SetFlag<&Design::ToolButton1>},
    {"Button1-Text.style.italic", SetFlag<&Design::ToolButton2>},
    {"Button1-Text.style.underline", SetFlag<&Design::ToolButton3>},
    {"Button1-Text.style.shadow", SetFlag<&Design::ToolButton7>},
    {"Button1-Text.style.shadow.color", SetColour<&Design::shadowcolor>},
    {"Button1-Text.style.shadow.colortransparency", SetFieldValue<&Design::shadowcolort>},
    {"Button1-Text.style.shadow.strong", SetFlag<&Design::StrongShadow>},
    {"Button1-Text.style.left", SetFlag<&Design::ToolButton9>},
    {"Button1-Text.style.center", SetFlag<&Design::ToolButton10>},
    {"Button1-Text.style.right", SetFlag<&Design::ToolButton11>},
    {"Button1-Text.tbg", SetFlag<&Design::tbg>},
    {"Button1-Text.bgpicture", SetFlag<&Design::bgpicture>},
    {"Button1-Text.bgpicture.top", SetFieldValue<&Design::bgtop>},
    {"Button1-Text.bgpicture.left", SetFieldValue<&Design::bgleft>},
    {"Button1-Text.bgpicture.h", SetRadio<&Design::bghorizontal>},
    {"Button1-Text.bgpicture.v", SetRadio<&Design::bgvertical>},
    {"Button1-Text.bgpicture.s", SetRadio<&Design::bgsame>},
    {"Button1-Text.bgpicture.filename", SetBackgroundFile},
};

// One --set, checked before anything is read or written.
struct Setting {
  Apply apply = nullptr;  // null: a line colour
  int line = 0;
  std::string value;
};

Setting ParseSetting(const std::string& text) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) throw UsageError{"--set takes KEY=VALUE, not '" + text + "'"};
  const std::string key = text.substr(0, eq);
  const std::string upper = UpperAscii(key);
  Setting setting;
  setting.value = text.substr(eq + 1);
  for (const Key& k : kKeys) {
    if (UpperAscii(k.name) == upper) {
      setting.apply = k.apply;
      return setting;
    }
  }
  const std::size_t prefix = sizeof kLineColourKey - 1;
  if (upper.compare(0, prefix, kLineColourKey) == 0 && upper.size() > prefix &&
      upper.size() <= prefix + 3 &&
      upper.find_first_not_of("0123456789", prefix) == std::string::npos) {
    setting.line = std::stoi(upper.substr(prefix));
    return setting;
  }
  if (upper == "BUTTON1-OPENFILE") {
    throw UsageError{"Button1-Openfile names the template's own pictures and cannot be set"};
  }
  throw UsageError{"unknown settings key '" + key + "'"};
}

// The caption text with every line end (CR LF, LF or a lone CR) written as CR LF.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
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
  bool has_output = false;
  bool has_text_file = false;
  std::vector<Setting> settings;
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

  // Text is drawn with QtGui's fonts; no display is needed or wanted, whatever the caller's
  // environment says.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  g_qt_default_handler = qInstallMessageHandler(QuietQtMessages);
  static int argc = 1;
  static char name[] = "corvanti-cli";
  static char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  const fs::path exe_folder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();

  // Read before anything is written, so a missing caption file leaves no trace.
  std::string caption;
  if (has_text_file) caption = WithCrLf(TextFromUnknownBytes(ReadWholeFile(text_file)));

  const ScratchFolder scratch;
  Design design = StartupDesign(exe_folder);
  design.tempFolder = scratch.path();
  // A file that is no template fails here with its message; nothing is written.
  LoadTemplate(design, positional[0], kNoRegeneration);

  if (has_text_file) design.edit1 = caption;
  for (const Setting& s : settings) {
    if (s.apply) {
      s.apply(design, s.value);
    } else {
      design.LineColors[static_cast<std::size_t>(s.line)] = static_cast<Colour>(StrToInt(s.value));
    }
  }
  // As after a load: the caption font's style follows the toggles.
  TakeCaptionStyleFromToggles(design);

  design.SelectedLine = kNoLineSelected;
  Regenerate(design);
  ExportPicturesAndHtml(design, output);
  return kExitDone;
}

}  // namespace corvanti::cli
