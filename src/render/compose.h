#pragma once

#include <cstdint>
#include <vector>

#include "codecs/picture.h"

namespace corvanti {

// Gives the face of button P (a copy of the fitted master M, marked by the fitted alpha A)
// the colour c with the master's relief; mouse_over > 0 brightens by 50.
void ComposeColor(Picture& P, const Picture& A, const Picture& M, int mouse_over, Colour c);

// The same with the face taken from background G at (xoff, yoff), moved back inside G.
void ComposeBackground(Picture& P, const Picture& A, const Picture& M, int mouse_over, int yoff,
                       int xoff, const Picture& G);

// Which pixels of a fitted template are face, and the relief of each, worked out once for
// every button of a regeneration. Kept per byte of the 24-bit rows (three entries per
// pixel), so that composing is one straight pass over the bytes.
struct FaceLayout {
  int width = 0;
  int height = 0;
  bool usable = false;  // the alpha fits the master; otherwise nothing is composed
  std::vector<std::int16_t> relief;  // d, or 0 where the pixel is flat or not face
  std::vector<std::uint8_t> face;    // 0xFF where the pixel is face, else 0
  std::vector<std::uint8_t> flat;    // 0xFF where the face pixel has the master's centre colour
};
FaceLayout PrepareFace(const Picture& A, const Picture& M);

// The layout versions compose the button held in rows [top, top + height) of P from the
// master itself (the layout's size, another picture than P): the face from the layout and
// the rest from the master, so the rows need not hold anything yet. They return false, and
// leave the rows as they are, for a layout that is not usable or a background too small
// for it. The one-state background version works on a copy of the master in the rows and
// leaves the rest alone.
bool ComposeColor(Picture& P, int top, const FaceLayout& face, int mouse_over, Colour c,
                  const Picture& master);
void ComposeBackground(Picture& P, int top, const FaceLayout& face, int mouse_over, int yoff,
                       int xoff, const Picture& G);
// Both states of one button in one pass: `normal` as with mouse_over 0, `over` as with 50.
bool ComposeBackground(Picture& normal, Picture& over, int top, const FaceLayout& face, int yoff,
                       int xoff, const Picture& G, const Picture& master);

}  // namespace corvanti
