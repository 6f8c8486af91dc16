#include "templates/settings_registry.h"

#include <algorithm>
#include <cstdint>

#include "templates/tagged_text.h"

namespace corvanti {

const char kLineColourKey[] = "Button1-Text.style.color";
const char kCharsetKey[] = "Button1-Text.charset";
const char kLineLinkKey[] = "Button1-Text.link";

namespace {

using K = SettingKind;
using D = Design;

Setting Text(const char* key, int order, NumericField D::*field) {
  return {key, K::kFieldText, order, field};
}
Setting Value(const char* key, int order, NumericField D::*field) {
  return {key, K::kFieldValue, order, field};
}
Setting ColourOf(const char* key, int order, Colour D::*colour) {
  return {key, K::kColour, order, nullptr, colour};
}
Setting Flag(const char* key, int order, bool D::*flag, int when_missing = -1) {
  return {key, K::kFlag, order, nullptr, nullptr, flag, when_missing};
}
Setting Radio(const char* key, int order, bool D::*flag) {
  return {key, K::kRadio, order, nullptr, nullptr, flag};
}

}  // namespace

std::string ColourText(Colour c) { return std::to_string(static_cast<std::int32_t>(c)); }
Colour ColourFromText(const std::string& text) { return static_cast<Colour>(StrToInt(text)); }

const std::vector<Setting>& Settings() {
  static const std::vector<Setting> table = {
      {"Button1-Openfile", K::kSource},
      {"Button1-Text", K::kCaption},
      Text("Button1-Text.left", 1, &D::fontx),
      Text("Button1-Text.top", 2, &D::fonty),
      Text("Button1-Text.width", 3, &D::buttonwidth),
      Text("Button1-Text.height", 4, &D::buttonheight),
      Text("Button1-Text.transparency.left", 7, &D::tleft),
      Text("Button1-Text.transparency.right", 8, &D::tright),
      Text("Button1-Text.transparency", 9, &D::tt),
      ColourOf("Button1-Text.color", 10, &D::fontcolor),
      Text("Button1-Text.size", 5, &D::fontsize),
      Text("Button1-Text.zoom", 6, &D::fontzoom),
      {"Button1-Text.fontname", K::kFontName, 11},
      Flag("Button1-Text.style.bold", 12, &D::ToolButton1),
      Flag("Button1-Text.style.italic", 13, &D::ToolButton2),
      Flag("Button1-Text.style.underline", 14, &D::ToolButton3),
      Flag("Button1-Text.style.shadow", 15, &D::ToolButton7),
      Value("Button1-Text.style.shadow.colortransparency", 17, &D::shadowcolort),
      ColourOf("Button1-Text.style.shadow.color", 16, &D::shadowcolor),
      Flag("Button1-Text.style.shadow.strong", 18, &D::StrongShadow),
      Flag("Button1-Text.style.left", 19, &D::ToolButton9),
      Flag("Button1-Text.style.center", 20, &D::ToolButton10),
      Flag("Button1-Text.style.right", 21, &D::ToolButton11),
      // Older templates lack these two; they meant a transparent background and plain faces.
      Flag("Button1-Text.tbg", 22, &D::tbg, 1),
      Flag("Button1-Text.bgpicture", 23, &D::bgpicture, 0),
      Value("Button1-Text.bgpicture.left", 25, &D::bgleft),
      Value("Button1-Text.bgpicture.top", 24, &D::bgtop),
      Radio("Button1-Text.bgpicture.h", 26, &D::bghorizontal),
      Radio("Button1-Text.bgpicture.v", 27, &D::bgvertical),
      Radio("Button1-Text.bgpicture.s", 28, &D::bgsame),
      {"Button1-Text.bgpicture.filename", K::kBackgroundFile, 29},
  };
  return table;
}

const std::vector<const Setting*>& SettingsInLoadOrder() {
  static const std::vector<const Setting*> order = [] {
    std::vector<const Setting*> applied;
    for (const Setting& s : Settings()) {
      if (s.loadOrder > 0) applied.push_back(&s);
    }
    std::sort(applied.begin(), applied.end(),
              [](const Setting* a, const Setting* b) { return a->loadOrder < b->loadOrder; });
    return applied;
  }();
  return order;
}

const Setting* FindSetting(std::string_view key) {
  const std::string upper = UpperAscii(std::string(key));
  for (const Setting& s : Settings()) {
    if (UpperAscii(s.key) == upper) return &s;
  }
  return nullptr;
}

std::string SettingValue(const Design& d, const Setting& s) {
  switch (s.kind) {
    case K::kSource: return "InsideXMLFile";
    case K::kCaption: return d.edit1;
    case K::kFieldText:
    case K::kFieldValue: return std::to_string((d.*s.field).Value());
    case K::kColour: return ColourText(d.*s.colour);
    case K::kFontName: return TextBefore(d.fontname, "=");
    case K::kFlag:
    case K::kRadio: return BoolToYN(d.*s.flag);
    case K::kBackgroundFile: return d.bgfilename;
  }
  return std::string();
}

void ApplySetting(Design& d, const Setting& s, const std::string& value) {
  switch (s.kind) {
    case K::kSource:
    case K::kBackgroundFile:
      return;
    case K::kCaption:
      d.edit1 = value;
      return;
    case K::kFieldText:
      (d.*s.field).SetText(value);
      return;
    case K::kFieldValue:
      (d.*s.field).SetValue(StrToInt(value));
      return;
    case K::kColour:
      d.*s.colour = ColourFromText(value);
      return;
    case K::kFontName: {
      // The mask takes any name; the chooser shows it only when it lists that font.
      const std::string name = TextBefore(value, "=");
      d.captionFont.name = name;
      if (d.isFontListed && d.isFontListed(name)) d.fontname = name;
      return;
    }
    case K::kFlag:
      d.*s.flag = IsYes(value);
      return;
    case K::kRadio:
      // Selecting one mode deselects the others; "N" only deselects this one.
      if (IsYes(value)) d.bghorizontal = d.bgvertical = d.bgsame = false;
      d.*s.flag = IsYes(value);
      return;
  }
}

}  // namespace corvanti
