#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/picture.h"
#include "design/design.h"

namespace corvanti {

// What the caption mask is drawn from.
struct TextMaskInput {
  std::vector<std::string> lines;  // UTF-8
  CaptionFont font;
  int fontsize = 16;               // points; a size s is s*96/72 pixels high
  int scale = 1;                   // the pixel size is that many times as large
  int fontzoom = 100;              // horizontal stretch in percent
  bool centre = false;             // ToolButton10
  bool right = false;              // ToolButton11
  int W = 0;                       // button width
  int H = 0;                       // button height
};

// The pixel height of a caption font of `points` points at 96 pixels per inch.
int CaptionPixelSize(int points);

// Left edge of a line of line_width pixels in a text block of block_width pixels: lines
// are aligned against each other, not inside the button.
int AlignedLineLeft(int block_width, int line_width, bool centre, bool right);

// Draws every line white on black into mask (W x (N*H+1), then zoomed) and returns the
// text block width B0. A zoomed mask keeps at most ZoomedMaskWidth(W) columns. Needs a
// QGuiApplication. With a record of what the mask holds, only the lines that changed are
// drawn again, each on its own, and the record is brought up to date; the mask is the
// same as a drawing of every line would give.
int BuildTextMask(const TextMaskInput& input, Picture& mask, TextMaskRecord* record = nullptr);

// The widest zoomed mask that is made: the button's width at the largest zoom the
// controls offer (1000 %). No column beyond the button's width is ever drawn.
inline std::int64_t ZoomedMaskWidth(int W) { return 10 * static_cast<std::int64_t>(W > 0 ? W : 0); }

// How DrawCaption blends the caption and its shadow into a stack.
struct CaptionStyle {
  int fontx = 0;
  int fonty = 0;
  int B0 = 0;
  int L = 0;            // tleft
  int R = 0;            // tright
  int C = 100;          // tt
  int shadowMode = 0;   // 0 none, 1 shadow, 2 strong
  Colour shadowColour = MakeColour(255, 255, 255);
  int S = 50;           // shadowcolort
  Colour fontColour = MakeColour(255, 255, 255);
  int scale = 1;        // the shadow falls that many times as far
};

// Blends the caption and its shadow from the mask into target, in place. Only the top
// `rows` rows of target count as the stack (all of them when rows is below 0), so a stack
// can carry its key row already.
void DrawCaption(const Picture& mask, Picture& target, const CaptionStyle& style, int rows = -1);
// The same on two stacks of one size (normal and mouse-over) in one pass over the mask;
// each ends exactly as after a call of its own.
void DrawCaption(const Picture& mask, Picture& first, Picture& second, const CaptionStyle& style,
                 int rows = -1);

}  // namespace corvanti
