#include "render/compose.h"

#include <algorithm>
#include <cstdint>

#include "codecs/vector_clones.h"

namespace corvanti {

namespace {

inline std::uint8_t Clamp(int v) {
  return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

inline bool SameBytes(const std::uint8_t* a, const std::uint8_t* b) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

// The button must have the layout's size and room for it in P.
bool Fits(const Picture& P, int top, const FaceLayout& face) {
  return face.usable && P.Width() == face.width && top >= 0 &&
         static_cast<std::int64_t>(top) + face.height <= P.Height();
}

// P is a copy of M for a button of its own: the layout version then does the rest.
bool SameSize(const Picture& P, const Picture& M) {
  return P.Width() == M.Width() && P.Height() == M.Height();
}

}  // namespace

FaceLayout PrepareFace(const Picture& A, const Picture& M) {
  FaceLayout layout;
  layout.width = M.Width();
  layout.height = M.Height();
  // The alpha must match the master pixel for pixel; an empty master has no centre.
  layout.usable = !M.Empty() && SameSize(A, M);
  if (!layout.usable) return layout;
  const int W = M.Width();
  const int H = M.Height();
  // The reference point is the centre of the button.
  const int cx = W / 2;
  const int cy = H / 2;
  const std::uint8_t* r = M.Row(cy) + 3 * static_cast<std::size_t>(cx);
  const std::uint8_t* q = A.Row(cy) + 3 * static_cast<std::size_t>(cx);
  const std::size_t bytes = M.ByteSize();
  layout.relief.assign(bytes, 0);
  layout.face.assign(bytes, 0);
  layout.flat.assign(bytes, 0);
  std::size_t i = 0;
  for (int y = 0; y < H; ++y) {
    const std::uint8_t* a = A.Row(y);
    const std::uint8_t* m = M.Row(y);
    for (int x = 0; x < W; ++x, a += 3, m += 3, i += 3) {
      if (!SameBytes(a, q)) continue;
      const bool flat = SameBytes(m, r);
      // Averaged over the channels with a division that truncates toward zero.
      const int d = flat ? 0 : ((m[0] - r[0]) + (m[1] - r[1]) + (m[2] - r[2])) / 3;
      for (int k = 0; k < 3; ++k) {
        layout.relief[i + k] = static_cast<std::int16_t>(d);
        layout.face[i + k] = 0xFF;
        layout.flat[i + k] = flat ? 0xFF : 0;
      }
    }
  }
  return layout;
}

CORVANTI_VECTOR_CLONES bool ComposeColor(Picture& P, int top, const FaceLayout& layout, int mouse_over,
                                         Colour c, const Picture& master) {
  if (!Fits(P, top, layout)) return false;
  const int bright = mouse_over > 0 ? 50 : 0;
  const std::size_t stride = P.Stride();
  // The front colour laid out like one row of pixels.
  std::vector<std::uint8_t> colour_row(stride);
  for (std::size_t j = 0; j < stride; j += 3) {
    colour_row[j] = static_cast<std::uint8_t>(BlueOf(c));
    colour_row[j + 1] = static_cast<std::uint8_t>(GreenOf(c));
    colour_row[j + 2] = static_cast<std::uint8_t>(RedOf(c));
  }
  const std::uint8_t* __restrict colour = colour_row.data();
  for (int y = 0; y < layout.height; ++y) {
    // Restricted, so that the compiler may work on many bytes at once.
    std::uint8_t* __restrict p = P.Row(top + y);
    const std::uint8_t* __restrict outside = master.Row(y);
    const std::size_t row = stride * static_cast<std::size_t>(y);
    const std::int16_t* __restrict d = layout.relief.data() + row;
    const std::uint8_t* __restrict face = layout.face.data() + row;
    const std::uint8_t* __restrict flat = layout.flat.data() + row;
    for (std::size_t j = 0; j < stride; ++j) {
      // Flat face pixels take exactly the front colour, in both states.
      const int shaded = Clamp(colour[j] + d[j] + bright);
      const int value = (colour[j] & flat[j]) | (shaded & ~flat[j]);
      p[j] = static_cast<std::uint8_t>((value & face[j]) | (outside[j] & ~face[j]));
    }
  }
  return true;
}

namespace {

// The window of G a button uses, or false when G is too small for the button.
bool BackgroundWindow(const FaceLayout& layout, const Picture& G, int* xoff, int* yoff) {
  if (G.Width() < layout.width || G.Height() < layout.height) return false;
  // Offsets below 0 (only a template file can carry them) count as 0.
  *xoff = std::max(*xoff, 0);
  *yoff = std::max(*yoff, 0);
  // Keep the window inside the background, moved back from its right and bottom edges.
  if (G.Width() - *xoff < layout.width) *xoff = G.Width() - layout.width;
  if (G.Height() - *yoff < layout.height) *yoff = G.Height() - layout.height;
  return true;
}

}  // namespace

CORVANTI_VECTOR_CLONES bool ComposeBackground(Picture& normal, Picture& over, int top, const FaceLayout& layout,
                                              int yoff, int xoff, const Picture& G, const Picture& master) {
  if (!Fits(normal, top, layout) || !Fits(over, top, layout)) return false;
  if (!BackgroundWindow(layout, G, &xoff, &yoff)) return false;
  const std::size_t stride = normal.Stride();
  for (int y = 0; y < layout.height; ++y) {
    std::uint8_t* __restrict p = normal.Row(top + y);
    std::uint8_t* __restrict o = over.Row(top + y);
    const std::uint8_t* __restrict outside = master.Row(y);
    const std::uint8_t* __restrict g = G.Row(y + yoff) + 3 * static_cast<std::size_t>(xoff);
    const std::size_t row = stride * static_cast<std::size_t>(y);
    const std::int16_t* __restrict d = layout.relief.data() + row;
    const std::uint8_t* __restrict face = layout.face.data() + row;
    for (std::size_t j = 0; j < stride; ++j) {
      // A flat face shows the background itself (brightened when the mouse is over).
      const int lit = g[j] + d[j];
      p[j] = static_cast<std::uint8_t>((Clamp(lit) & face[j]) | (outside[j] & ~face[j]));
      o[j] = static_cast<std::uint8_t>((Clamp(lit + 50) & face[j]) | (outside[j] & ~face[j]));
    }
  }
  return true;
}

void ComposeBackground(Picture& P, int top, const FaceLayout& layout, int mouse_over, int yoff,
                       int xoff, const Picture& G) {
  if (!Fits(P, top, layout)) return;
  if (!BackgroundWindow(layout, G, &xoff, &yoff)) return;
  const int bright = mouse_over > 0 ? 50 : 0;
  const std::size_t stride = P.Stride();
  for (int y = 0; y < layout.height; ++y) {
    std::uint8_t* __restrict p = P.Row(top + y);
    const std::uint8_t* __restrict g = G.Row(y + yoff) + 3 * static_cast<std::size_t>(xoff);
    const std::size_t row = stride * static_cast<std::size_t>(y);
    const std::int16_t* __restrict d = layout.relief.data() + row;
    const std::uint8_t* __restrict face = layout.face.data() + row;
    for (std::size_t j = 0; j < stride; ++j) {
      const int lit = g[j] + d[j] + bright;
      p[j] = static_cast<std::uint8_t>((Clamp(lit) & face[j]) | (p[j] & ~face[j]));
    }
  }
}

void ComposeColor(Picture& P, const Picture& A, const Picture& M, int mouse_over, Colour c) {
  if (!SameSize(P, M)) return;
  const FaceLayout face = PrepareFace(A, M);
  if (!face.usable) return;
  // Outside the face the button keeps the master's colours.
  P = M;
  ComposeColor(P, 0, face, mouse_over, c, M);
}

void ComposeBackground(Picture& P, const Picture& A, const Picture& M, int mouse_over, int yoff,
                       int xoff, const Picture& G) {
  if (!SameSize(P, M)) return;
  const FaceLayout face = PrepareFace(A, M);
  if (!face.usable || G.Width() < face.width || G.Height() < face.height) return;
  P = M;
  ComposeBackground(P, 0, face, mouse_over, yoff, xoff, G);
}

}  // namespace corvanti
