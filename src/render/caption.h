#pragma once

#include <string>
#include <vector>

#include "codecs/picture.h"
#include "design/design.h"

namespace corvanti {

// What the caption mask is drawn from.
struct TextMaskInput {
  std::vector<std::string> lines;  // Latin-1 bytes
  CaptionFont font;
  int fontsize = 16;               // points; a size s is s*96/72 pixels high
  int fontzoom = 100;              // horizontal stretch in percent
  bool centre = false;             // ToolButton10
  bool right = false;              // ToolButton11
  int W = 0;                       // button width
  int H = 0;                       // button height
};

// Draws every line white on black into mask (W x (N*H+1), then zoomed) and returns the
// text block width B0. Needs a QGuiApplication.
int BuildTextMask(const TextMaskInput& input, Picture& mask);

struct CaptionStyle {
  int fontx = 0;
  int fonty = 0;
  int B0 = 0;
  int L = 0;            // tleft
  int R = 0;            // tright
  int C = 100;          // tt
  int shadow_mode = 0;  // 0 none, 1 shadow, 2 strong
  Colour shadow_colour = 0xFFFFFF;
  int S = 50;           // shadowcolort
  Colour font_colour = 0xFFFFFF;
};

// Blends the caption and its shadow from the mask into target, in place.
void DrawCaption(const Picture& mask, Picture& target, const CaptionStyle& style);

}  // namespace corvanti
