#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "design/design.h"

namespace corvanti {

// Every settings element of a template, in one table: the template writer walks it in
// its order, the loader in the loader's order, and the command line's --set finds a key
// in it. A new setting is one entry here.

enum class SettingKind {
  kSource,          // "Button1-Openfile": where the pictures are; written as embedded
  kCaption,         // edit1, lines joined by CR LF
  kFieldText,       // a numeric field; the loader puts the text in as it stands
  kFieldValue,      // a numeric field; the loader sets the integer, brought into range
  kColour,          // a colour as a signed decimal
  kFontName,        // the caption font's name, cut before the first "="
  kFlag,            // a toggle or check box, "Y" or "N"
  kRadio,           // one of the three background modes
  kBackgroundFile,  // the background picture's file
};

struct Setting {
  const char* key;
  SettingKind kind;
  // The place among the elements the loader applies one by one (from 1), or 0 for those
  // it reads on their own (the source, the caption).
  int loadOrder = 0;
  NumericField Design::*field = nullptr;
  Colour Design::*colour = nullptr;
  bool Design::*flag = nullptr;
  // Flags some older templates lack: what a missing element means (-1: it leaves the
  // control as it was).
  int whenMissing = -1;
};

// The elements in the order the writer writes them.
const std::vector<Setting>& Settings();
// The elements the loader applies one by one, in its order.
const std::vector<const Setting*>& SettingsInLoadOrder();
// The element of a key, in any letter case; null for none.
const Setting* FindSetting(std::string_view key);

// The key of a caption line's face colour, before the line number.
extern const char kLineColourKey[];
// The key of a caption line's link (web export), before the line number; written only for
// lines that have one.
extern const char kLineLinkKey[];
// Written only when the caption or the font name holds a character that Windows-1252
// cannot store; both are then stored as UTF-8.
extern const char kCharsetKey[];

// Colours are stored as the signed decimal of their 32 bits.
std::string ColourText(Colour colour);
Colour ColourFromText(const std::string& text);  // "'%s' is not a valid integer value"

// The element's value as the writer writes it. Text values (caption, font name) come as
// the file stores them, from the caller.
std::string SettingValue(const Design& design, const Setting& setting);

// Applies one element's value as the loader does. Text values must already be UTF-8; the
// source and the background file are the caller's (their meaning depends on the template
// form). Throws Error for a value that is not an integer where one is required.
void ApplySetting(Design& design, const Setting& setting, const std::string& value);

}  // namespace corvanti
