#include "templates/template_file.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/picture_loader.h"
#include "design/text_encoding.h"
#include "templates/background.h"
#include "templates/settings_registry.h"
#include "templates/tagged_text.h"

namespace corvanti {
namespace {

const char kEmbeddedSource[] = "InsideXMLFile";
const char kUtf8[] = "UTF-8";

// The text values of the settings section as the file stores them.
struct StoredText {
  std::string caption;
  std::string fontname;
  std::string links;
  bool utf8 = false;
};

StoredText EncodeText(const Design& d) {
  const std::string fontname = TextBefore(d.fontname, "=");
  std::optional<std::string> caption = Utf8ToCp1252(d.edit1);
  std::optional<std::string> font = Utf8ToCp1252(fontname);
  std::optional<std::string> links = Utf8ToCp1252(d.links);
  if (caption && font && links) return {std::move(*caption), std::move(*font), std::move(*links), false};
  return {d.edit1, fontname, d.links, true};
}

std::string DecodeText(const std::string& stored, bool utf8) {
  // A file that claims UTF-8 but is not is read byte by byte, like any older file.
  return utf8 && IsValidUtf8(stored) ? stored : Cp1252ToUtf8(stored);
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != std::filesystem::path::preferred_separator &&
      folder.back() != '/') {
    folder += std::filesystem::path::preferred_separator;
  }
  return folder;
}

std::filesystem::path MasterFile(const Design& design) {
  return std::filesystem::path(design.filepath + design.filename + ".bmp");
}
std::filesystem::path AlphaFile(const Design& design) {
  return std::filesystem::path(design.filepath + design.filename + "_shadow.bmp");
}

// Whether TextBetween finds the part: both tags, the opening one first.
bool HasPart(const std::string& whole, const char* open, const char* close) {
  const std::size_t p = whole.find(open);
  return p != std::string::npos && whole.find(close) != std::string::npos &&
         p < whole.find(close);
}

Picture DecodeBmp(const std::string& bytes, const std::filesystem::path& named) {
  try {
    return ToPicture24(ReadBmp(bytes));
  } catch (const Error& e) {
    throw Error(WithFileName(e.what(), named));
  }
}

std::string ReadIfExists(const std::filesystem::path& path) {
  return FileExists(path) ? ReadWholeFile(path) : std::string();
}

// SetTagValue without copying the whole text for each new element; the result is the same.
void PutTagValue(std::string& memo, const std::string& key, const std::string& value) {
  const std::string upper_key = UpperAscii(key);
  if (memo.find("<" + upper_key + ">") == std::string::npos) {
    memo += "<" + upper_key + ">" + value + "</" + upper_key + ">\r\n";
  } else {
    memo = SetTagValue(memo, key, value);
  }
}

bool HasTag(const std::string& memo, const std::string& key) {
  return memo.find("<" + UpperAscii(key) + ">") != std::string::npos;
}

// Whether any element's key starts with `prefix` (so per-line searches can be skipped).
bool HasTagPrefix(const std::string& memo, const std::string& prefix) {
  return memo.find("<" + UpperAscii(prefix)) != std::string::npos;
}

bool IsAbsoluteName(const std::string& name) {
  return std::filesystem::path(name).is_absolute() || name.find(":\\") != std::string::npos;
}

// The background a template names or carries.
void ApplyBackground(Design& design, std::string name, const std::string& background_bytes) {
  // Inside a load the regeneration is suppressed anyway; the one at the end of the load
  // draws with the new background.
  const RegenerateFn suppressed = [](Design&) {};
  const std::string& memo = design.Memo1;
  if (memo.find("<BUTTON1-OPENFILE>InsideXMLFile</BUTTON1-OPENFILE>") != std::string::npos) {
    if (background_bytes.empty()) return;
    const std::string upper = UpperAscii(name);
    // Each test on its own: a name matching several writes and loads each, the last wins.
    const struct {
      const char* marker;
      const char* file;
    } kinds[] = {{".JPG", "bg.jpg"}, {".BMP", "bg.bmp"}, {".GIF", "bg.gif"}};
    for (const auto& kind : kinds) {
      if (upper.find(kind.marker) == std::string::npos) continue;
      const std::filesystem::path file = TempFolder(design) / kind.file;
      WriteWholeFile(background_bytes, file);
      LoadBackgroundPicture(design, file, suppressed);
      design.bgfilename = file.string();
    }
    return;
  }
  if (!IsAbsoluteName(name)) {
    // Templates name their pictures with backslashes; each part becomes a path join.
    std::filesystem::path file = design.exeFolder / "background";
    std::size_t start = 0;
    for (std::size_t cut; (cut = name.find('\\', start)) != std::string::npos; start = cut + 1) {
      if (cut > start) file /= name.substr(start, cut - start);
    }
    file /= name.substr(start);
    name = file.string();
  }
  if (FileExists(name)) {
    design.bgfilename = name;
    LoadBackgroundPicture(design, name, suppressed);
  }
}

// The settings elements, in the reader's own order. The first error ends it.
void ApplySettings(Design& design, const std::string& background_bytes, bool utf8) {
  const std::string& memo = design.Memo1;
  for (const Setting* s : SettingsInLoadOrder()) {
    if (!HasTag(memo, s->key)) {
      if (s->whenMissing >= 0) design.*s->flag = s->whenMissing != 0;
      continue;
    }
    std::string value = GetTagValue(memo, s->key);
    if (s->kind == SettingKind::kBackgroundFile) {
      ApplyBackground(design, value, background_bytes);
    } else {
      if (s->kind == SettingKind::kFontName) value = DecodeText(value, utf8);
      ApplySetting(design, *s, value);
    }
  }
}

}  // namespace

void BuildTemplateSettingsText(Design& design) {
  const Design& d = design;
  StoredText text = EncodeText(d);
  // Every element goes through SetTagValue, as in any edit of the text: a caption line that
  // holds an element's tag takes that element's place, exactly as the reader will find it.
  std::string memo;
  for (const Setting& s : Settings()) {
    if (s.kind == SettingKind::kCaption) {
      PutTagValue(memo, s.key, text.caption);
      if (text.utf8) PutTagValue(memo, kCharsetKey, kUtf8);
    } else if (s.kind == SettingKind::kFontName) {
      PutTagValue(memo, s.key, text.fontname);
    } else {
      PutTagValue(memo, s.key, SettingValue(d, s));
    }
  }
  // Lines past the colour table share no entry; they are not written.
  const std::size_t caption_lines = CaptionLines(d.edit1).size();
  const std::size_t lines = std::min<std::size_t>(caption_lines, static_cast<std::size_t>(kLineColourCount));
  // A colour element's tag can only already stand among the rows above (a caption line
  // may hold one); the colour elements appended below never contain another's tag. So the
  // search looks at those rows only, until a replacement changes the text's shape.
  // Which of them stand there is found in one pass over the rows, not one search per line.
  const std::size_t rows_end = memo.size();
  const std::string tag_start = "<" + UpperAscii(kLineColourKey);
  std::vector<bool> standing(lines);
  for (std::size_t at = memo.find(tag_start); at != std::string::npos; at = memo.find(tag_start, at + 1)) {
    std::size_t end = at + tag_start.size();
    while (end < rows_end && memo[end] >= '0' && memo[end] <= '9') ++end;
    const std::string digits = memo.substr(at + tag_start.size(), end - at - tag_start.size());
    if (end >= rows_end || memo[end] != '>' || digits.empty() || digits.size() > 4) continue;
    const std::size_t line = std::stoul(digits);
    if (line < lines && digits == std::to_string(line)) standing[line] = true;
  }
  bool reshaped = false;
  for (std::size_t line = 0; line < lines; ++line) {
    const std::string key = kLineColourKey + std::to_string(line);
    const std::string open = "<" + UpperAscii(key) + ">";
    const std::string value = ColourText(d.LineColors[line]);
    if (!(reshaped ? memo.find(open) != std::string::npos : standing[line])) {
      memo += open + value + "</" + open.substr(1) + "\r\n";
    } else {
      memo = SetTagValue(memo, key, value);
      reshaped = true;
    }
  }
  // Links only for the lines that have one, so a design without links keeps the bytes it
  // always had.
  const std::vector<std::string> links =
      text.links.empty() ? std::vector<std::string>() : CaptionLines(text.links);
  for (std::size_t line = 0; line < links.size() && line < caption_lines; ++line) {
    if (!links[line].empty()) PutTagValue(memo, kLineLinkKey + std::to_string(line), links[line]);
  }
  design.Memo1 = std::move(memo);
}

std::string TemplateFileBytes(const Design& design) {
  std::string master;
  std::string alpha;
  if (design.picturesKept) {
    master = design.masterBmp;
    alpha = design.alphaBmp;
  } else {
    master = ReadIfExists(MasterFile(design));
    const std::filesystem::path alpha_file = AlphaFile(design);
    alpha = FileExists(alpha_file) ? ReadWholeFile(alpha_file) : master;
  }
  std::string background;
  if (!design.bgfilename.empty()) {
    background = design.bgfilename == design.backgroundFile ? design.backgroundBytes
                                                            : ReadIfExists(design.bgfilename);
  }

  std::string bytes;
  bytes.reserve(design.Memo1.size() + master.size() + alpha.size() + background.size() + 80);
  bytes += design.Memo1;
  bytes += "<BmpImage>";
  bytes += master;
  bytes += "</BmpImage>\r\n<BmpShadowImage>";
  bytes += alpha;
  bytes += "</BmpShadowImage>\r\n<BmpBGImage>";
  bytes += background;
  bytes += "</BmpBGImage>";
  return bytes;
}

void SaveTemplate(const Design& design, const std::filesystem::path& path) {
  WriteWholeFile(TemplateFileBytes(design), path);
}

void LoadTemplate(Design& design, const std::filesystem::path& path, const RegenerateFn& regenerate) {
  // Everything is read and decoded before the design changes: a file that is no template,
  // or whose pictures do not decode, leaves the design on screen as it was.
  const std::string whole = ReadWholeFile(path);
  std::string memo = WithCrLfLineEnds(TextBefore(whole, "<BmpImage>"));
  std::string filepath = WithSeparator(path.parent_path().string());
  std::string filename = path.stem().string();
  const std::string source = GetTagValue(memo, "Button1-Openfile");
  const std::string not_a_template =
      "Cannot use " + path.string() + " as a template: it holds no master picture";

  std::string master_bytes;
  std::string alpha_bytes;
  std::string background_bytes;
  std::filesystem::path master_named = path;
  std::filesystem::path alpha_named = path;
  if (source == kEmbeddedSource) {
    if (!HasPart(whole, "<BmpImage>", "</BmpImage>")) throw Error(not_a_template);
    master_bytes = TextBetween(whole, "<BmpImage>", "</BmpImage>");
    alpha_bytes = TextBetween(whole, "<BmpShadowImage>", "</BmpShadowImage>");
    background_bytes = TextBetween(whole, "<BmpBGImage>", "</BmpBGImage>");
    // The scratch copies, as other programs that read this folder expect them; the design
    // keeps its own copies of the bytes.
    const std::filesystem::path temp = TempFolder(design);
    WriteWholeFile(master_bytes, temp / "xml.bmp");
    WriteWholeFile(alpha_bytes, temp / "xml_shadow.bmp");
    filepath = WithSeparator(temp.string());
    filename = "xml";
  } else {
    const std::string base = filepath + source;
    master_named = base + ".bmp";
    if (!FileExists(master_named)) throw Error(not_a_template);
    master_bytes = ReadWholeFile(master_named);
    alpha_named = base + "_shadow.bmp";
    // Without an alpha picture the master marks its own face.
    alpha_bytes = FileExists(alpha_named) ? ReadWholeFile(alpha_named) : master_bytes;
  }
  Picture master = DecodeBmp(master_bytes, master_named);
  Picture alpha = DecodeBmp(alpha_bytes, alpha_named);

  design.SelectedLine = kNoLineSelected;
  BusyGuard busy(design.Regenerating);
  design.Memo1 = std::move(memo);
  design.filepath = std::move(filepath);
  design.filename = std::move(filename);
  design.picturesKept = true;
  design.masterBmp = std::move(master_bytes);
  design.alphaBmp = std::move(alpha_bytes);
  design.Imagebackup = std::move(master);
  design.ImageShadowBackup = std::move(alpha);

  design.buttonwidth.SetValue(design.Imagebackup.Width());
  design.buttonheight.SetValue(design.Imagebackup.Height());
  design.ImageSource = design.Imagebackup;
  design.ImageShadow = design.ImageShadowBackup;

  // An empty master picture has no centre pixel: the face colour stays the one shown, and
  // every line starts from it as it would from the template's own colour.
  if (!design.ImageSource.Empty()) {
    design.frontcolordefault =
        design.ImageSource.Pixel(design.ImageSource.Width() / 2, design.ImageSource.Height() / 2);
  }
  design.LineColors.fill(design.frontcolordefault);

  const bool utf8 = HasTag(design.Memo1, kCharsetKey) &&
                    UpperAscii(GetTagValue(design.Memo1, kCharsetKey)) == kUtf8;
  try {
    ApplySettings(design, background_bytes, utf8);
  } catch (const std::exception&) {
    // A bad element ends the settings silently; the template's captions and pictures still
    // make a usable design.
  }

  TakeCaptionStyleFromToggles(design);

  if (HasTag(design.Memo1, "Button1-Text")) {
    design.edit1 = DecodeText(GetTagValue(design.Memo1, "Button1-Text"), utf8);
  }
  // Each line's link by its whole tag (line 1's is no part of line 10's); a template
  // without links leaves none from the design before.
  const std::size_t caption_lines = CaptionLines(design.edit1).size();
  std::string links;
  std::size_t linked = 0;
  const bool has_links = HasTagPrefix(design.Memo1, kLineLinkKey);
  for (std::size_t line = 0; has_links && line < caption_lines; ++line) {
    const std::string key = kLineLinkKey + std::to_string(line);
    if (!HasTag(design.Memo1, key)) continue;
    for (; linked < line; ++linked) links += "\r\n";
    links += DecodeText(GetTagValue(design.Memo1, key), utf8);
  }
  design.links = std::move(links);

  const std::size_t lines = std::min<std::size_t>(caption_lines, static_cast<std::size_t>(kLineColourCount));
  for (std::size_t line = 0; line < lines; ++line) {
    const std::string key = kLineColourKey + std::to_string(line);
    // Found by the bare key: line 1's key also matches inside line 10's.
    if (design.Memo1.find(UpperAscii(key)) != std::string::npos) {
      design.LineColors[line] = ColourFromText(GetTagValue(design.Memo1, key));
    }
  }

  design.Regenerating = 0;
  regenerate(design);
}

}  // namespace corvanti
