#pragma once

// Turns arbitrary bytes into the inputs of the fuzz targets: a design with settings in and
// out of their ranges, small pictures (empty and mismatched ones too), captions and output
// names. The fuzz programs and the tests that replay their findings share this code, so a
// finding replays exactly as it was found.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/bmp_writer.h"
#include "codecs/picture.h"
#include "design/design.h"
#include "templates/background.h"

namespace corvanti::fuzz {

// Reads values off the front of the bytes; past the end everything reads as zero.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Done() const { return pos_ >= size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return v;
  }
  // A number in [lo, hi], from as few bytes as the range needs.
  int Range(int lo, int hi) {
    const std::uint32_t span = static_cast<std::uint32_t>(hi - lo) + 1;
    std::uint32_t v;
    if (span <= 256) {
      v = Byte();
    } else if (span <= 65536) {
      v = Byte();  // two statements: the order the bytes are read must not depend on the compiler
      v = (v << 8) | Byte();
    } else {
      v = U32();
    }
    return lo + static_cast<int>(v % span);
  }
  bool Flag() { return (Byte() & 1) != 0; }
  std::string Text(std::size_t max_length) {
    const std::size_t n = std::min<std::size_t>(Byte(), max_length);
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(Byte());
    return s;
  }
  std::string Rest() {
    std::string s(reinterpret_cast<const char*>(data_) + std::min(pos_, size_), size_ - std::min(pos_, size_));
    pos_ = size_;
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// The text of a numeric field as a template file could carry it: in range, out of range,
// negative, huge, or not a number at all.
inline std::string FieldText(ByteReader& in, const NumericField& field) {
  static const char* const kOdd[] = {"",          "abc",        " 12 ",        "$FF",
                                     "0x7fffffff", "-2147483648", "2147483647", "99999999999",
                                     "-0",        "+5",         "1e3",         "12abc"};
  switch (in.Byte() % 5) {
    case 0: return std::to_string(in.Range(field.Minimum(), field.Maximum()));
    case 1: return std::to_string(static_cast<std::int32_t>(in.U32()));
    case 2: return kOdd[in.Byte() % (sizeof kOdd / sizeof kOdd[0])];
    case 3: return std::to_string(in.Range(-50, 1200));
    default: return field.Text();
  }
}

inline Colour AnyColour(ByteReader& in) {
  // A few colours most of the time, so the pictures have faces and keys that match.
  static const Colour kCommon[] = {0x000000, 0xFFFFFF, 0x0000FF, 0x808080, 0x00FF00};
  const std::uint8_t pick = in.Byte();
  if (pick < 200) return kCommon[pick % 5];
  return in.U32() & 0xFFFFFF;
}

// A picture of at most max_side pixels a side, 0 x 0 and strips of 0 rows included.
inline Picture SmallPicture(ByteReader& in, int max_side) {
  const int w = in.Range(0, max_side);
  const int h = in.Range(0, max_side);
  Picture p(w, h);
  const Colour a = AnyColour(in);
  const Colour b = AnyColour(in);
  const int border = in.Range(0, 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool edge = x < border || y < border || x >= w - border || y >= h - border;
      p.SetPixel(x, y, edge ? b : a);
    }
  }
  // A few stray pixels.
  for (int i = in.Range(0, 4); i > 0 && !p.Empty(); --i) {
    // One read a statement: argument order is up to the compiler.
    const int x = in.Range(0, w - 1);
    const int y = in.Range(0, h - 1);
    p.SetPixel(x, y, AnyColour(in));
  }
  return p;
}

inline std::string CaptionText(ByteReader& in, int max_lines) {
  static const char* const kBreaks[] = {"\r\n", "\n", "\r"};
  static const char* const kWords[] = {"Home", "", "W", "Button Test", "\xC4\xD6\xDC",
                                       "<Button1-Text>", "a b c d e f g h i j"};
  const int lines = in.Range(0, max_lines);
  std::string text;
  for (int i = 0; i < lines; ++i) {
    if (i > 0) text += kBreaks[in.Byte() % 3];
    text += kWords[in.Byte() % (sizeof kWords / sizeof kWords[0])];
  }
  if (in.Byte() % 4 == 0) text += "\r\n";
  return text;
}

struct DesignLimits {
  int max_lines = 1200;
  int max_picture_side = 48;
};

// Fills a design from the bytes: every field and value the regeneration reads.
inline void DecodeDesign(ByteReader& in, Design& d, const DesignLimits& limits = {}) {
  NumericField* const fields[] = {&d.buttonwidth, &d.buttonheight, &d.fontsize, &d.fontx,
                                  &d.fonty,       &d.fontzoom,     &d.tt,       &d.tleft,
                                  &d.tright,      &d.shadowcolort, &d.bgleft,   &d.bgtop};
  for (NumericField* field : fields) field->SetText(FieldText(in, *field));

  bool* const toggles[] = {&d.ToolButton1, &d.ToolButton2, &d.ToolButton3, &d.ToolButton7,
                           &d.ToolButton9, &d.ToolButton10, &d.ToolButton11, &d.StrongShadow,
                           &d.tbg,         &d.bgpicture,    &d.bghorizontal, &d.bgvertical,
                           &d.bgsame};
  const std::uint32_t bits = in.U32();
  for (std::size_t i = 0; i < sizeof toggles / sizeof toggles[0]; ++i) *toggles[i] = (bits >> i) & 1;
  d.captionFont.bold = d.ToolButton1;
  d.captionFont.italic = d.ToolButton2;
  d.captionFont.underline = d.ToolButton3;
  static const char* const kFonts[] = {"MS Sans Serif", "", "DejaVu Sans", "No Such Font",
                                       "Serif=1"};
  d.captionFont.name = kFonts[in.Byte() % 5];

  d.fontcolor = AnyColour(in);
  d.shadowcolor = AnyColour(in);
  d.frontcolor = AnyColour(in);
  d.frontcolordefault = AnyColour(in);
  for (int i = in.Range(0, 8); i > 0; --i) {
    d.LineColors[static_cast<std::size_t>(in.Range(0, kLineColourCount - 1))] = AnyColour(in);
  }
  switch (in.Byte() % 4) {
    case 0: d.SelectedLine = kNoLineSelected; break;
    case 1: d.SelectedLine = in.Range(0, 40); break;
    case 2: d.SelectedLine = in.Range(990, 1210); break;
    default: d.SelectedLine = static_cast<std::int32_t>(in.U32()); break;
  }

  // Master and alpha: the same picture, a changed copy, or one of another size.
  if (in.Flag()) {
    d.Imagebackup = SmallPicture(in, limits.max_picture_side);
    switch (in.Byte() % 3) {
      case 0: d.ImageShadowBackup = d.Imagebackup; break;
      case 1: {
        d.ImageShadowBackup = d.Imagebackup;
        if (!d.ImageShadowBackup.Empty()) {
          d.ImageShadowBackup.SetPixel(0, 0, AnyColour(in));
        }
        break;
      }
      default: d.ImageShadowBackup = SmallPicture(in, limits.max_picture_side); break;
    }
  }
  // Background: kept, none, a small one as it stands, or a small one tiled as a load would.
  switch (in.Byte() % 4) {
    case 0: break;
    case 1: d.Image7 = Picture(); break;
    case 2: d.Image7 = SmallPicture(in, limits.max_picture_side); break;
    default: {
      Picture tile = SmallPicture(in, limits.max_picture_side);
      d.Image7 = tile.Empty() ? Picture() : TileBackground(tile);
      break;
    }
  }

  d.edit1 = CaptionText(in, limits.max_lines);
}

// A name for an exported picture: any bytes but the folder separator and NUL, or one of a
// few awkward shapes.
inline std::string OutputName(ByteReader& in) {
  static const char* const kNames[] = {"nav.gif", "a.b.c.gif", "noext", ".gif", "x y's \"q\" <&>.gif",
                                       "\xE4\xF6.GIF", "..", "missing/sub.gif"};
  const std::uint8_t pick = in.Byte();
  if (pick < 128) return kNames[pick % (sizeof kNames / sizeof kNames[0])];
  std::string name = in.Text(40);
  name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return c == '/' || c == '\0'; }),
             name.end());
  return name.empty() ? std::string("empty.gif") : name;
}

// The bytes of a template file built from the fuzz bytes: tagged settings (known keys
// with any values, known keys without closing tags, stray text) and embedded pictures
// that are real BMP files, cut ones, or any bytes.
inline std::string TemplateBytes(ByteReader& in) {
  static const char* const kKeys[] = {
      "Button1-Openfile", "Button1-Text", "Button1-Text.left", "Button1-Text.top",
      "Button1-Text.width", "Button1-Text.height", "Button1-Text.size", "Button1-Text.zoom",
      "Button1-Text.transparency.left", "Button1-Text.transparency.right",
      "Button1-Text.transparency", "Button1-Text.color", "Button1-Text.fontname",
      "Button1-Text.style.bold", "Button1-Text.style.shadow", "Button1-Text.style.shadow.color",
      "Button1-Text.style.shadow.colortransparency", "Button1-Text.style.shadow.strong",
      "Button1-Text.style.center", "Button1-Text.style.right", "Button1-Text.tbg",
      "Button1-Text.bgpicture", "Button1-Text.bgpicture.left", "Button1-Text.bgpicture.top",
      "Button1-Text.bgpicture.h", "Button1-Text.bgpicture.v", "Button1-Text.bgpicture.s",
      "Button1-Text.bgpicture.filename", "Button1-Text.style.color0",
      "Button1-Text.style.color1", "Button1-Text.style.color999", "Button1-Text.style.color1000"};
  static const char* const kValues[] = {"InsideXMLFile", "Y", "N", "0", "-7", "5000",
                                        "2147483647", "-2147483648", "abc", "", "bg.jpg",
                                        "x.BMP.GIF.JPG", "16777215", "Home\r\nNews"};
  std::string memo = "<BUTTON1-OPENFILE>InsideXMLFile</BUTTON1-OPENFILE>\r\n";
  for (int i = in.Range(0, 24); i > 0; --i) {
    std::string key = kKeys[in.Byte() % (sizeof kKeys / sizeof kKeys[0])];
    std::transform(key.begin(), key.end(), key.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    std::string value;
    switch (in.Byte() % 4) {
      case 0: value = in.Text(12); break;
      case 1: value = std::to_string(static_cast<std::int32_t>(in.U32())); break;
      case 2: value = CaptionText(in, 30); break;
      default: value = kValues[in.Byte() % (sizeof kValues / sizeof kValues[0])]; break;
    }
    memo += "<" + key + ">" + value;
    if (in.Byte() % 8 != 0) memo += "</" + key + ">";
    memo += "\r\n";
  }
  auto picture_bytes = [&in]() -> std::string {
    switch (in.Byte() % 4) {
      case 0: return std::string();
      case 1: return in.Text(64);
      default: {
        const Picture p = SmallPicture(in, 40);
        std::string bmp = p.Empty() ? std::string() : EncodeBmp24(p);
        // Sometimes cut short, as a damaged file would be.
        if (!bmp.empty() && in.Byte() % 5 == 0) bmp.resize(in.Range(0, static_cast<int>(bmp.size())));
        return bmp;
      }
    }
  };
  const std::string master = picture_bytes();
  const std::string alpha = in.Flag() ? master : picture_bytes();
  const std::string background = picture_bytes();
  return memo + "<BmpImage>" + master + "</BmpImage>\r\n<BmpShadowImage>" + alpha +
         "</BmpShadowImage>\r\n<BmpBGImage>" + background + "</BmpBGImage>";
}

}  // namespace corvanti::fuzz
