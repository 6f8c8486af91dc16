#include "render/caption.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "codecs/error.h"
#include "codecs/vector_clones.h"
#include "render/scaling.h"

namespace corvanti {

// Kept within what a glyph rasteriser handles sensibly: a template file may carry any number.
int CaptionPixelSize(int points) {
  const long long pixels = std::llround(static_cast<double>(points) * 96.0 / 72.0);
  return static_cast<int>(std::clamp<long long>(pixels, 1, 2048));
}

namespace {

QFont CaptionQFont(const CaptionFont& caption, int points) {
  QFont font(QString::fromUtf8(caption.name.data(), static_cast<qsizetype>(caption.name.size())));
  // A pixel size, so the mask does not depend on the screen's resolution.
  font.setPixelSize(CaptionPixelSize(points));
  font.setBold(caption.bold);
  font.setItalic(caption.italic);
  font.setUnderline(caption.underline);
  // Grey-level coverage only: the blend reads one byte of each mask pixel.
  font.setStyleStrategy(
      static_cast<QFont::StyleStrategy>(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

// Whether a line may hold a glyph that the fonts draw in colour (emoji and pictographs);
// such a line's cell is brought back to grey coverage after drawing.
bool MayDrawInColour(const QString& text) {
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (c.isSurrogate() || (u >= 0x2190 && u <= 0x2BFF) || u == 0xFE0F) return true;
  }
  return false;
}

// Coverage of a colour glyph: the brightest of its three bytes, in all three.
void ToGreyCoverage(Picture& mask, int top, int rows) {
  const int end = std::min(mask.Height(), top + rows);
  for (int y = std::max(top, 0); y < end; ++y) {
    std::uint8_t* p = mask.Row(y);
    for (int x = 0; x < mask.Width(); ++x, p += 3) {
      const std::uint8_t v = std::max({p[0], p[1], p[2]});
      p[0] = p[1] = p[2] = v;
    }
  }
}

}  // namespace

int AlignedLineLeft(int block_width, int line_width, bool centre, bool right) {
  if (centre) return (block_width - line_width) / 2;
  if (right) return block_width - line_width;
  return 0;
}

namespace {

// Whether a line's marks may pile up past any room left for them (three or more combining
// marks on one letter): its ink is then not bounded by the rows a line is tried in.
bool MarksMayPileUp(const QString& text) {
  int run = 0;
  for (const QChar c : text) {
    run = c.isMark() ? run + 1 : 0;
    if (run >= 3) return true;
  }
  return false;
}

bool AllZero(const std::uint8_t* bytes, std::size_t size) {
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t v;
    std::memcpy(&v, bytes + i, sizeof v);
    if (v != 0) return false;
  }
  for (; i < size; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

// Everything all lines of a mask are drawn with, as one string.
std::string MaskSettings(const TextMaskInput& input, const QFont& font) {
  return input.font.name + '\n' + std::to_string(font.pixelSize()) + ' ' + std::to_string(input.font.bold) +
         std::to_string(input.font.italic) + std::to_string(input.font.underline) + ' ' +
         std::to_string(input.W) + ' ' + std::to_string(input.H) + ' ' + std::to_string(input.centre) +
         std::to_string(input.right);
}

// Starts the painter on the image with the caption's font, in white.
void BeginPainting(QPainter& painter, QImage& image, const QFont& font) {
  painter.begin(&image);
  painter.setFont(font);
  painter.setPen(Qt::white);
}

// After a line that may have come out in colour, turns the rows of its cell in `target`
// (the picture the image paints into) back into grey coverage, and paints on.
void KeepGrey(QPainter& painter, QImage& image, const QFont& font, const QString& text,
              Picture& target, int top, int height) {
  if (!MayDrawInColour(text)) return;
  painter.end();
  ToGreyCoverage(target, top, height);
  BeginPainting(painter, image, font);
}

// Draws lines of text one at a time into a scratch picture with room above and below, to
// find whether each stays within its own H rows: if every line does, no line touches
// another's rows, and a mask is the lines' rows laid one under the other.
class LineDrawer {
 public:
  // A cell's height of room above and below: more than a glyph reaches out of its cell.
  LineDrawer(const QFont& font, const QFontMetrics& metrics, int W, int H)
      : font_(font), metrics_(metrics), H_(H), pad_(metrics.height() + 2), scratch_(W, H + 2 * pad_) {
    image_ = QImage(scratch_.Data(), scratch_.Width(), scratch_.Height(),
                    static_cast<qsizetype>(scratch_.Stride()), QImage::Format_RGB888);
    if (image_.isNull()) throw Error("Out of memory while drawing the caption");
    BeginPainting(painter_, image_, font_);
  }

  // Draws the line at `left` into the mask's rows from `top` (which are black); false when
  // its ink reaches outside them.
  bool Draw(const QString& text, int left, Picture& mask, int top) {
    if (MarksMayPileUp(text)) return false;
    painter_.drawText(left, pad_ + metrics_.ascent(), text);
    KeepGrey(painter_, image_, font_, text, scratch_, pad_, metrics_.height());
    bool inside = true;
    const std::size_t stride = scratch_.Stride();
    for (int y = 0; y < scratch_.Height(); ++y) {
      std::uint8_t* row = scratch_.Row(y);
      if (AllZero(row, stride)) continue;
      if (y < pad_ || y >= pad_ + H_) {
        inside = false;
      } else if (inside) {
        std::memcpy(mask.Row(top + y - pad_), row, stride);
      }
      std::memset(row, 0, stride);  // black again for the next line
    }
    return inside;
  }

 private:
  QFont font_;
  const QFontMetrics& metrics_;
  int H_;
  int pad_;
  Picture scratch_;
  QImage image_;
  QPainter painter_;
};

// Every line at once into a cleared mask, each cell painted black before its text: where
// lines reach into each other's rows the later one covers the earlier inside its cell.
void DrawAllLines(const std::vector<QString>& texts, const std::vector<int>& lefts,
                  const std::vector<int>& widths, const QFont& font, const QFontMetrics& metrics,
                  int H, Picture& mask) {
  if (!mask.Empty()) std::memset(mask.Data(), 0, mask.ByteSize());
  if (mask.Empty() || texts.empty()) return;
  // The painter draws straight into the mask's rows. The text is white on black with
  // grey-level coverage only, so every pixel has three equal bytes and the byte order of
  // the 24-bit format does not matter.
  QImage image(mask.Data(), mask.Width(), mask.Height(), static_cast<qsizetype>(mask.Stride()),
               QImage::Format_RGB888);
  if (image.isNull()) throw Error("Out of memory while drawing the caption");
  QPainter painter;
  BeginPainting(painter, image, font);
  const int cell_height = metrics.height();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (texts[i].isEmpty()) continue;
    const int top = static_cast<int>(i) * H;
    // The cell is drawn opaque: a line taller than the button covers the lower part of
    // the line above it inside its own cell.
    painter.fillRect(lefts[i], top, widths[i], cell_height, Qt::black);
    painter.drawText(lefts[i], top + metrics.ascent(), texts[i]);
    KeepGrey(painter, image, font, texts[i], mask, top, cell_height);
  }
}

}  // namespace

int BuildTextMask(const TextMaskInput& input, Picture& mask, TextMaskRecord* record) {
  const std::int64_t n = static_cast<std::int64_t>(input.lines.size());
  const int W = std::max(input.W, 0);
  const int H = std::max(input.H, 0);
  const std::int64_t mask_height = n * H + 1;
  CheckPictureSize(W, mask_height);

  QFont font = CaptionQFont(input.font, input.fontsize);
  if (input.scale != 1) {
    font.setPixelSize(std::clamp(CaptionPixelSize(input.fontsize) * std::max(input.scale, 1), 1, 4096));
  }
  const QFontMetrics metrics(font);

  // What the mask holds already: its rows are the old lines' when the settings are the
  // same and it is unzoomed (a zoomed mask is stretched in place).
  TextMaskRecord old;
  if (record) old = std::move(*record);
  const std::string settings = record ? MaskSettings(input, font) : std::string();
  const bool zoomed = input.fontzoom != 100;
  const bool known = record && !zoomed && old.settings == settings && mask.Width() == W &&
                     mask.Height() == static_cast<std::int64_t>(old.lines.size()) * H + 1;
  // The old lines by text, made only once a line is not the one it was (a keystroke
  // changes one line in place, and the others are found by their place).
  std::unordered_map<std::string_view, std::vector<int>> old_index;
  auto old_line_of = [&](const std::string& text) {
    if (old_index.empty()) {
      for (int j = static_cast<int>(old.lines.size()) - 1; j >= 0; --j) old_index[old.lines[j]].push_back(j);
    }
    const auto it = old_index.find(text);
    return it == old_index.end() ? -1 : it->second.back();  // the first old line of that text
  };

  // Each line's advance (an old line's is known), then the block width and the left edges.
  std::vector<QString> texts;
  std::vector<int> widths;
  std::vector<int> same(input.lines.size(), -1);  // an old line of the same text
  texts.reserve(input.lines.size());
  widths.reserve(input.lines.size());
  int B0 = 0;
  for (std::size_t i = 0; i < input.lines.size(); ++i) {
    const std::string& line = input.lines[i];
    // Characters the chosen font lacks come from the installed fonts that have them.
    texts.push_back(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
    if (known) {
      same[i] = i < old.lines.size() && old.lines[i] == line ? static_cast<int>(i) : old_line_of(line);
    }
    widths.push_back(same[i] >= 0 ? old.widths[static_cast<std::size_t>(same[i])]
                                   : metrics.horizontalAdvance(texts.back()));
    B0 = std::max(B0, widths.back());
  }
  std::vector<int> lefts(input.lines.size());
  bool in_place = known && old.lines.size() == input.lines.size();
  for (std::size_t i = 0; i < input.lines.size(); ++i) {
    lefts[i] = AlignedLineLeft(B0, widths[i], input.centre, input.right);
    // Old rows serve only where the line sits where it sat.
    if (same[i] >= 0 && old.lefts[static_cast<std::size_t>(same[i])] != lefts[i]) same[i] = -1;
    if (same[i] >= 0 && same[i] != static_cast<int>(i)) in_place = false;
  }

  // Line by line where that gives the same mask: unzoomed, and unless a line of the last
  // drawing with these settings reached beyond its rows.
  const bool overflowed_before = old.settings == settings && !old.oneByOne;
  bool one_by_one = record && !zoomed && !overflowed_before;
  bool drawn = false;
  if (one_by_one && n > 0 && W > 0 && H > 0) {
    // Line by line: the unchanged lines keep their rows (moved where lines came or went),
    // the others are drawn anew.
    Picture fresh;
    if (!in_place) fresh = Picture(W, static_cast<int>(mask_height));
    Picture& target = in_place ? mask : fresh;
    const std::size_t line_bytes = static_cast<std::size_t>(H) * target.Stride();
    std::unique_ptr<LineDrawer> drawer;
    drawn = true;
    for (std::size_t i = 0; i < input.lines.size() && drawn; ++i) {
      std::uint8_t* rows = target.Row(static_cast<int>(i) * H);
      if (same[i] >= 0) {
        if (!in_place) std::memcpy(rows, mask.Row(same[i] * H), line_bytes);
        continue;
      }
      if (in_place) std::memset(rows, 0, line_bytes);
      if (texts[i].isEmpty()) continue;
      if (!drawer) drawer = std::make_unique<LineDrawer>(font, metrics, W, H);
      drawn = drawer->Draw(texts[i], lefts[i], target, static_cast<int>(i) * H);
    }
    if (drawn) {
      std::memset(target.Row(static_cast<int>(n) * H), 0, target.Stride());  // the row below the lines
      if (!in_place) mask = std::move(fresh);
    }
    one_by_one = drawn;
  }
  if (!drawn) {
    if (mask.Width() != W || mask.Height() != mask_height) mask = Picture(W, static_cast<int>(mask_height));
    DrawAllLines(texts, lefts, widths, font, metrics, H, mask);
  }
  if (record) {
    record->settings = zoomed ? std::string() : settings;
    record->lines = input.lines;
    record->widths = std::move(widths);
    record->lefts = std::move(lefts);
    record->oneByOne = one_by_one;
  }

  if (input.fontzoom != 100) {
    // Horizontal only: the text gets wider or narrower, never taller. A zoom of 0 or less
    // (only a template file can carry one) leaves no text at all.
    const std::int64_t zoom = std::max(input.fontzoom, 0);
    const std::int64_t new_width = zoom * mask.Width() / 100;
    CheckPictureSize(new_width, mask.Height());
    // Only the button's own width of the mask is ever drawn. Past the widest zoom the
    // controls offer the columns further right are not made at all, so a template's zoom
    // cannot make the mask huge; the kept ones are those a whole stretch would give.
    const int kept = static_cast<int>(std::min<std::int64_t>(new_width, ZoomedMaskWidth(W)));
    StretchPicture(mask, static_cast<int>(new_width), mask.Height(), kept);
    return static_cast<int>(std::min<std::int64_t>(zoom * B0 / 100, new_width));
  }
  if (B0 >= mask.Width()) B0 = mask.Width();
  return B0;
}

namespace {

// Loads 8 mask bytes at once, to pass over black runs quickly.
inline std::uint64_t Load8(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The caption on one or more targets of one size. Which pixels are drawn, and at what
// opacity, depends on the mask and the style alone, so each target receives exactly the
// sequence of blends a pass of its own would give it.
CORVANTI_VECTOR_CLONES void DrawCaptionOn(const Picture& mask, Picture* const* targets,
                                          int target_count, const CaptionStyle& style, int rows) {
  const int C = style.C;
  if (C <= 0 || C > 100) return;
  const Picture& target = *targets[0];
  const int tw = target.Width();
  const int th = rows < 0 ? target.Height() : std::min(rows, target.Height());
  const int mw = mask.Width();
  const int mh = mask.Height();
  if (tw <= 0 || th <= 0 || mw <= 0 || mh <= 0) return;
  // Positions left of or above the stack would write outside it: they count as 0.
  const int fontx = std::max(style.fontx, 0);
  const int fonty = std::max(style.fonty, 0);
  if (fontx >= tw || fonty >= th) return;

  // Column bound: the right end of the text block, or the stack's right edge.
  const std::int64_t B0 = style.B0;
  std::int64_t X = tw;
  if (B0 != 0 && fontx + B0 < tw) X = fontx + B0;
  const int columns = static_cast<int>(std::min<std::int64_t>(X - fontx, mw));
  if (columns <= 0) return;

  // The opacity of each mask column, in per cent. Above 50 the text fades from C in the
  // middle to 50 at the ends; from 1 to 50 there is no room for a fade and the text is
  // simply drawn at C.
  std::vector<int> opacity(static_cast<std::size_t>(columns));
  const std::int64_t L = style.L;
  const std::int64_t R = style.R;
  for (int x = 0; x < columns; ++x) {
    int a = C;
    if (C > 50) {
      const std::int64_t T = C - 50;
      std::int64_t ramp;
      if (x == 0) {
        ramp = L > 0 ? 0 : T;
      } else if (x == X - 1) {
        ramp = R > 0 ? 0 : T;
      } else if (x < L) {
        ramp = T * x / L;
      } else if (R > 0 && x > B0 - 1 - R) {
        ramp = (B0 - 1 - x) * T / R;
      } else {
        ramp = T;
      }
      // Past the block's right end (only when B0 is 0 and the mask still has ink, as a
      // zoomed glyph wider than its advance can leave) the right fade keeps falling below
      // 50; an opacity never goes below 0.
      a = static_cast<int>(std::clamp<std::int64_t>(ramp + 50, 0, 100));
    }
    opacity[static_cast<std::size_t>(x)] = a;
  }

  // The blend new = ((100 - a) * old) div 100 + (colour * a) div 100, as tables: the kept
  // share of the old byte for every opacity, and the colour's share for every opacity.
  std::vector<std::uint8_t> kept(101 * 256);
  for (int a = 0; a <= 100; ++a) {
    for (int v = 0; v < 256; ++v)
      kept[a * 256 + v] = static_cast<std::uint8_t>((100 - a) * v / 100);
  }
  const int font[3] = {BlueOf(style.fontColour), GreenOf(style.fontColour),
                       RedOf(style.fontColour)};
  std::vector<std::uint8_t> font_share(101 * 3);
  for (int a = 0; a <= 100; ++a) {
    for (int k = 0; k < 3; ++k)
      font_share[a * 3 + k] = static_cast<std::uint8_t>(font[k] * a / 100);
  }
  // Coverage: a mask byte D below 255 scales the opacity to a * D div 255.
  std::vector<std::uint8_t> covered(101 * 256);
  for (int a = 0; a <= 100; ++a) {
    for (int D = 0; D < 256; ++D)
      covered[a * 256 + D] = static_cast<std::uint8_t>(D < 255 ? a * D / 255 : a);
  }

  const int S = std::clamp(style.S, 0, 100);
  const int shadow[3] = {BlueOf(style.shadowColour), GreenOf(style.shadowColour),
                         RedOf(style.shadowColour)};
  struct ShadowSpot {
    int dx, dy;
    const std::uint8_t* kept;
    std::uint8_t share[3];
  };
  ShadowSpot spots[5] = {{1, 1, nullptr, {}},
                         {-1, 1, nullptr, {}},
                         {-1, -1, nullptr, {}},
                         {1, -1, nullptr, {}},
                         {2, 2, nullptr, {}}};
  const int scale = std::max(style.scale, 1);
  for (int s = 0; s < 5; ++s) {
    spots[s].dx *= scale;
    spots[s].dy *= scale;
    const int a = s == 4 ? S / 2 : S;
    spots[s].kept = kept.data() + a * 256;
    for (int k = 0; k < 3; ++k) spots[s].share[k] = static_cast<std::uint8_t>(shadow[k] * a / 100);
  }
  const int spot_count = style.shadowMode >= 2 ? 5 : style.shadowMode == 1 ? 1 : 0;

  // Shadow falls only where the mask shows its own background (its top-left pixel).
  const std::uint8_t key[3] = {mask.Row(0)[0], mask.Row(0)[1], mask.Row(0)[2]};

  for (int y = 0; y < mh && fonty + y < th; ++y) {
    const int ty = fonty + y;
    const std::uint8_t* mask_row = mask.Row(y);
    // The rows each shadow spot reads, or null where the spot is out of bounds: a spot
    // above needs ty - 1 >= 1 (row 0 never takes shadow from below).
    const std::uint8_t* spot_mask[5] = {};
    // The target rows this mask row writes to, looked up once per row.
    std::uint8_t* text_row[2] = {};
    std::uint8_t* spot_row[5][2] = {};
    for (int k = 0; k < target_count; ++k) text_row[k] = targets[k]->Row(ty);
    for (int s = 0; s < spot_count; ++s) {
      const int my = y + spots[s].dy;
      const int sy = ty + spots[s].dy;
      const bool inside =
          my >= 0 && my < mh && sy >= 0 && sy < th && !(spots[s].dy < 0 && sy < 1);
      spot_mask[s] = inside ? mask.Row(my) : nullptr;
      for (int k = 0; inside && k < target_count; ++k) spot_row[s][k] = targets[k]->Row(sy);
    }
    const std::size_t end_byte = 3 * static_cast<std::size_t>(columns);
    std::size_t byte = 0;
    for (;;) {
      // Skip black mask pixels: nothing is drawn for them, neither text nor shadow.
      while (byte + 8 <= end_byte && Load8(mask_row + byte) == 0) byte += 8;
      while (byte < end_byte && mask_row[byte] == 0) ++byte;
      if (byte >= end_byte) break;
      const int x = static_cast<int>(byte / 3);
      byte = 3 * static_cast<std::size_t>(x) + 3;
      const std::uint8_t* m = mask_row + 3 * static_cast<std::size_t>(x);
      const int tx = fontx + x;
      const int a = covered[opacity[static_cast<std::size_t>(x)] * 256 + m[0]];
      const std::uint8_t* keep = kept.data() + a * 256;
      const std::uint8_t* share = font_share.data() + a * 3;
      for (int k = 0; k < target_count; ++k) {
        std::uint8_t* t = text_row[k] + 3 * static_cast<std::size_t>(tx);
        t[0] = static_cast<std::uint8_t>(keep[t[0]] + share[0]);
        t[1] = static_cast<std::uint8_t>(keep[t[1]] + share[1]);
        t[2] = static_cast<std::uint8_t>(keep[t[2]] + share[2]);
      }

      for (int s = 0; s < spot_count; ++s) {
        if (!spot_mask[s]) continue;
        const ShadowSpot& spot = spots[s];
        const int sx = tx + spot.dx;
        const int mx = x + spot.dx;
        // A spot to the left needs tx - 1 >= 1 (column 0 never takes shadow from the right).
        if (sx >= tw || mx >= mw || (spot.dx < 0 && sx < 1) || mx < 0) continue;
        const std::uint8_t* n = spot_mask[s] + 3 * static_cast<std::size_t>(mx);
        if (n[0] != key[0] || n[1] != key[1] || n[2] != key[2]) continue;
        for (int k = 0; k < target_count; ++k) {
          std::uint8_t* p = spot_row[s][k] + 3 * static_cast<std::size_t>(sx);
          p[0] = static_cast<std::uint8_t>(spot.kept[p[0]] + spot.share[0]);
          p[1] = static_cast<std::uint8_t>(spot.kept[p[1]] + spot.share[1]);
          p[2] = static_cast<std::uint8_t>(spot.kept[p[2]] + spot.share[2]);
        }
      }
    }
  }
}

}  // namespace

void DrawCaption(const Picture& mask, Picture& target, const CaptionStyle& style, int rows) {
  Picture* targets[] = {&target};
  DrawCaptionOn(mask, targets, 1, style, rows);
}

void DrawCaption(const Picture& mask, Picture& first, Picture& second, const CaptionStyle& style,
                 int rows) {
  if (first.Width() != second.Width() || first.Height() != second.Height()) {
    DrawCaption(mask, first, style, rows);
    DrawCaption(mask, second, style, rows);
    return;
  }
  Picture* targets[] = {&first, &second};
  DrawCaptionOn(mask, targets, 2, style, rows);
}

}  // namespace corvanti
