#pragma once

// Procedural drawing shared by the data-making tools: button templates (a master with
// border, bevel and gloss, and the alpha that marks its face) and background textures.
//
// A template's face is recoloured by the renderer, which adds the master's relief (its
// grey-level difference from the centre pixel) to the new colour. So everything drawn on
// the face is grey relief over one base colour, and everything that must keep its own
// colour (borders, the transparent surround) lies outside the face.
//
// In the mouse-over state the renderer adds 50 to every face pixel except those that hold
// the centre colour exactly, which keep the plain front colour. The centre pixel is always
// one of them, so a face filled with a colour carries a lens of that one colour around its
// centre, and lies 50 below it elsewhere: on mouse-over the rest rises to the lens.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "codecs/picture.h"

namespace corvanti::art {

struct Rgb {
  double r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb Mix(Rgb a, Rgb b, double t) { return a * (1 - t) + b * t; }
inline Rgb Grey(double v) { return {v, v, v}; }

inline int Clamp255(double v) {
  int i = static_cast<int>(std::lround(v));
  return i < 0 ? 0 : i > 255 ? 255 : i;
}
inline Colour ToColour(Rgb c) { return MakeColour(Clamp255(c.r), Clamp255(c.g), Clamp255(c.b)); }
inline double Clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
inline double SmoothStep(double e0, double e1, double x) {
  double t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// ---------------------------------------------------------------------------------------
// Shapes as signed distances (negative inside), in pixel units with pixel centres at +0.5.

using Sdf = std::function<double(double, double)>;

// A rectangle x0..x1, y0..y1 with corner radii: top-left, top-right, bottom-right,
// bottom-left.
inline Sdf RoundedRect(double x0, double y0, double x1, double y1, double rtl, double rtr,
                       double rbr, double rbl) {
  return [=](double x, double y) {
    double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    double hx = (x1 - x0) / 2, hy = (y1 - y0) / 2;
    double px = x - cx, py = y - cy;
    double r = px < 0 ? (py < 0 ? rtl : rbl) : (py < 0 ? rtr : rbr);
    r = std::min({r, hx, hy});
    double qx = std::fabs(px) - (hx - r), qy = std::fabs(py) - (hy - r);
    double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - r;
  };
}

inline Sdf Pill(double x0, double y0, double x1, double y1) {
  double r = (y1 - y0) / 2;
  return RoundedRect(x0, y0, x1, y1, r, r, r, r);
}

inline Sdf Ellipse(double x0, double y0, double x1, double y1) {
  return [=](double x, double y) {
    double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    double a = (x1 - x0) / 2, b = (y1 - y0) / 2;
    double nx = (x - cx) / a, ny = (y - cy) / b;
    double k = std::hypot(nx, ny);
    // Scaled distance: exact on circles, close enough on mild ellipses.
    return (k - 1) * std::min(a, b);
  };
}

// A convex polygon (points clockwise on screen) grown by `round`, which rounds its corners:
// give the points already pulled in by `round` to keep the overall size.
inline Sdf ConvexPolygon(std::vector<std::pair<double, double>> pts, double round) {
  return [pts, round](double x, double y) {
    const std::size_t n = pts.size();
    bool inside = true;
    double best = 1e18;
    for (std::size_t i = 0; i < n; ++i) {
      auto [ax, ay] = pts[i];
      auto [bx, by] = pts[(i + 1) % n];
      double ex = bx - ax, ey = by - ay;
      double len2 = ex * ex + ey * ey;
      // Outward normal side for points listed clockwise on screen (y down).
      if ((x - ax) * ey - (y - ay) * ex > 0) inside = false;
      double t = Clamp01(((x - ax) * ex + (y - ay) * ey) / len2);
      best = std::min(best, std::hypot(x - (ax + ex * t), y - (ay + ey * t)));
    }
    return (inside ? -best : best) - round;
  };
}

// ---------------------------------------------------------------------------------------
// Button templates.

struct ButtonStyle {
  int width = 160;
  int height = 28;
  Sdf shape;                 // the outline; defaults to a rounded rectangle of `radius`
  double radius = 6;
  double margin = 1;         // transparent rim around the default outline, so stacked
                             // buttons stand apart
  double border = 1.2;       // width of the outline ring (kept out of the face)
  Rgb borderColour{30, 40, 70};
  Rgb borderInner{};         // the ring's colour at its inner edge (lerped across the ring)
  bool borderGradient = false;
  double borderTopLift = 0;  // the ring gets lighter toward the top by this much
  Rgb face{40, 90, 180};     // the base colour of the face (the centre pixel, without lens)
  // The flat lens over the upper part of the face, down to the centre row. Faces filled
  // from a background picture need none: there every face pixel lights up.
  bool lens = true;
  std::optional<Rgb> lensColour;  // the centre colour; by default LensColour(face)
  double lensInset = 1.5;    // how far the lens stays inside the edge of the face
  // Relief, in grey levels added to the face (outside the lens):
  double gradient = 30;      // top lighter, bottom darker, linear over the height
  double gloss = 0;          // a bright band over the upper part (faces without lens)
  double glossEnd = 0.48;    // where the band ends, as a fraction of the height
  double glossFade = 0.5;    // how much of the band fades toward its lower end
  double glossInset = 0;     // > 0: the band is rounded and stays this far inside the outline
  double bevel = 0;          // raised (positive) or sunken (negative) bevel strength
  double bevelWidth = 2.5;
  double innerLine = 0;      // a bright line just inside the ring
  double bottomGlow = 0;     // light reflected up into the lower edge
  double edgeShade = 45;     // anti-aliasing of the face against the ring, as darkening
  double grain = 0;          // fine horizontal streaks (brushed look)
  Rgb key{255, 0, 255};      // the colour around the button, made transparent
  Rgb matte{255, 255, 255};  // what part-covered outline pixels are blended toward
};

struct TemplatePictures {
  Picture master;
  Picture alpha;
};

inline constexpr Colour kAlphaFace = MakeColour(255, 255, 255);
inline constexpr Colour kAlphaRing = MakeColour(128, 128, 128);
inline constexpr Colour kAlphaOutside = MakeColour(0, 0, 0);

// The lens of a face: the face colour raised by 50 grey levels on average over the
// channels (the renderer's relief is that average), in whole levels that add up to exactly
// 150; channels that reach white pass the rest on to the others.
inline Rgb LensColour(Rgb face) {
  int c[3] = {Clamp255(face.r), Clamp255(face.g), Clamp255(face.b)};
  for (int left = 150, i = 0, full = 0; left > 0 && full < 3; i = (i + 1) % 3) {
    if (c[i] < 255) {
      ++c[i];
      --left;
      full = 0;
    } else {
      ++full;
    }
  }
  return {double(c[0]), double(c[1]), double(c[2])};
}

inline TemplatePictures DrawTemplate(const ButtonStyle& s) {
  const int W = s.width, H = s.height;
  const double m = s.margin;
  Sdf shape = s.shape ? s.shape
                      : RoundedRect(m, m, W - m, H - m, s.radius, s.radius, s.radius, s.radius);
  TemplatePictures out{Picture(W, H), Picture(W, H)};

  // The gloss band with an inset: a rounded band across the upper part, inside the outline.
  const double li = s.glossInset;
  const double band_top = m + li * 0.5, band_bottom = H * s.glossEnd;
  const double band_r = std::max(0.0, std::min(s.radius, (band_bottom - band_top) / 2) - 0.5);
  Sdf band = RoundedRect(m + li, band_top, W - m - li, band_bottom,
                         s.shape ? (band_bottom - band_top) / 2 : band_r,
                         s.shape ? (band_bottom - band_top) / 2 : band_r, 1, 1);

  // Light comes from above, a little from the left.
  const double lx = -0.35, ly = -0.94;
  auto relief_at = [&](double x, double y, double depth, bool* in_face) {
    double v = y / H;
    double rel = s.gradient * (0.5 - v) * 2 * 0.5;
    if (s.gloss != 0 && v < s.glossEnd) {
      double t = v / s.glossEnd;
      double weight = 1;
      if (s.glossInset > 0) weight = Clamp01(0.5 - band(x, y));
      rel += s.gloss * (1 - s.glossFade * t * t) * weight;
    }
    if (s.bottomGlow != 0) rel += s.bottomGlow * SmoothStep(0.6, 1.0, v);
    if (s.bevel != 0) {
      double e = 0.6;
      double gx = (shape(x + e, y) - shape(x - e, y)) / (2 * e);
      double gy = (shape(x, y + e) - shape(x, y - e)) / (2 * e);
      double gl = std::hypot(gx, gy);
      if (gl > 1e-9) { gx /= gl; gy /= gl; }
      double facing = gx * lx + gy * ly;  // +1 where the edge faces the light
      double k = 1 - SmoothStep(0, s.bevelWidth, depth);
      rel += s.bevel * facing * k;
    }
    if (s.innerLine != 0) rel += s.innerLine * (1 - SmoothStep(0.0, 1.3, depth));
    if (s.grain != 0) {
      double n = std::sin(y * 12.9898 + std::sin(y * 3.1) * 7) * 0.5 +
                 std::sin(y * 78.233 + x * 0.013) * 0.5;
      rel += s.grain * n;
    }
    if (in_face) *in_face = depth >= 0;
    return rel;
  };

  // The face is every pixel whose centre lies at least `border` inside the outline.
  auto depth_of = [&](double x, double y) { return -shape(x, y) - s.border; };
  // The lens ends with the centre row: the centre of a template fitted to another size
  // comes from that row or one of the two above it, so it still falls inside. The face
  // just below the lens is the face colour itself and meets the lens evenly on mouse-over;
  // without a lens the centre pixel is the face colour.
  const double lens_bottom = H / 2 + 1;
  const Rgb lens_colour = s.lensColour ? *s.lensColour : LensColour(s.face);
  auto in_lens = [&](double x, double y) {
    return s.lens && y < lens_bottom && depth_of(x, y) >= s.lensInset;
  };
  const double cx = (W / 2) + 0.5, cy = s.lens ? lens_bottom + 0.5 : (H / 2) + 0.5;
  const double centre_relief = relief_at(cx, cy, depth_of(cx, cy), nullptr);

  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      double px = x + 0.5, py = y + 0.5;
      double sd = shape(px, py);
      double cover = Clamp01(0.5 - sd);
      double depth = -sd - s.border;
      Rgb colour;
      Colour mark;
      if (depth >= 0 && in_lens(px, py)) {
        colour = lens_colour;
        mark = kAlphaFace;
      } else if (depth >= 0) {
        bool in_face = true;
        double rel = relief_at(px, py, depth, &in_face) - centre_relief;
        // The face edge cannot blend with the ring (the face is recoloured), so soften it
        // with relief instead.
        rel -= s.edgeShade * (1 - Clamp01(depth * 1.4));
        colour = s.face + Grey(rel);
        mark = kAlphaFace;
      } else if (cover >= 0.3) {
        double t = s.border > 0 ? Clamp01(-sd / s.border) : 1;
        Rgb ring = s.borderGradient ? Mix(s.borderColour, s.borderInner, t) : s.borderColour;
        ring = ring + Grey(s.borderTopLift * (1 - double(y) / H));
        colour = cover < 1 ? Mix(s.matte, ring, (cover - 0.3) / 0.7 * 0.85 + 0.15) : ring;
        mark = kAlphaRing;
      } else {
        colour = s.key;
        mark = kAlphaOutside;
      }
      out.master.SetPixel(x, y, ToColour(colour));
      out.alpha.SetPixel(x, y, mark);
    }
  }

  // Only the lens (or the centre pixel) may hold the centre colour exactly: the renderer
  // keeps such pixels unbrightened in the mouse-over state, so any other would stay dark
  // among brightened neighbours.
  const int ccx = W / 2, ccy = H / 2;
  const Colour centre = out.master.Pixel(ccx, ccy);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const bool flat = s.lens ? in_lens(x + 0.5, y + 0.5) : x == ccx && y == ccy;
      if (!flat && out.alpha.Pixel(x, y) == kAlphaFace && out.master.Pixel(x, y) == centre) {
        int b = BlueOf(centre);
        out.master.SetPixel(x, y, MakeColour(RedOf(centre), GreenOf(centre), b < 255 ? b + 1 : b - 1));
      }
    }
  }
  // The key colour must not occur inside the button, or it would turn transparent.
  const Colour key = ToColour(s.key);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      if (out.alpha.Pixel(x, y) != kAlphaOutside && out.master.Pixel(x, y) == key) {
        out.master.SetPixel(x, y, key ^ 0x010101);
      }
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------
// Textures.

// Value noise on a lattice that wraps every `period` cells, so tiles join without seams.
class Noise {
 public:
  explicit Noise(unsigned seed) {
    std::uint32_t s = seed * 2654435761u + 12345u;
    for (auto& v : table_) {
      s ^= s << 13;
      s ^= s >> 17;
      s ^= s << 5;
      v = (s & 0xFFFF) / 65535.0;
    }
  }
  double Lattice(int x, int y, int period) const {
    if (period > 0) {
      x = ((x % period) + period) % period;
      y = ((y % period) + period) % period;
    }
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return table_[(h ^ (h >> 16)) & 1023];
  }
  // Smooth noise in 0..1 at (x, y) in lattice units.
  double At(double x, double y, int period = 0) const {
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    double fx = x - ix, fy = y - iy;
    double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    double a = Lattice(ix, iy, period), b = Lattice(ix + 1, iy, period);
    double c = Lattice(ix, iy + 1, period), d = Lattice(ix + 1, iy + 1, period);
    return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
  }
  // Fractal sum of octaves, 0..1. `period` is the lattice period of the first octave.
  double Fractal(double x, double y, int octaves, int period = 0) const {
    double sum = 0, amp = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
      sum += amp * At(x, y, period);
      norm += amp;
      amp *= 0.5;
      x *= 2;
      y *= 2;
      if (period > 0) period *= 2;
    }
    return sum / norm;
  }

 private:
  double table_[1024];
};

inline Picture DrawPicture(int w, int h, const std::function<Rgb(int, int)>& f) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.SetPixel(x, y, ToColour(f(x, y)));
  return p;
}

// Soft veined stone.
inline Picture Marble(int w, int h, Rgb base, Rgb vein, unsigned seed) {
  Noise n(seed);
  return DrawPicture(w, h, [&](int x, int y) {
    double t = n.Fractal(x / 60.0, y / 60.0, 5);
    double v = std::fabs(std::sin((x * 0.6 + y * 0.9) / 28.0 + t * 9.0));
    double k = std::pow(1 - v, 6);
    double cloud = n.Fractal(x / 25.0 + 40, y / 25.0, 4) - 0.5;
    return Mix(base, vein, k) + Grey(cloud * 30);
  });
}

// Planks of grain running across.
inline Picture Wood(int w, int h, Rgb light, Rgb dark, unsigned seed) {
  Noise n(seed);
  return DrawPicture(w, h, [&](int x, int y) {
    int plank = y / 64;
    double warp = n.Fractal(x / 140.0 + plank * 7.3, y / 25.0, 4) * 6.0;
    double rings = std::sin((y + plank * 17) * 0.45 + warp * 3.0 + x * 0.004) * 0.5 + 0.5;
    double fine = n.Fractal(x / 3.0, y * 1.5 + plank * 11, 2);
    double t = 0.55 * rings + 0.25 * fine + 0.2 * n.Fractal(x / 50.0, y / 12.0 + plank, 3);
    Rgb c = Mix(light, dark, t);
    if (y % 64 == 0 || y % 64 == 63) c = c * 0.65;  // the joint between planks
    return c;
  });
}

// A sky with drifting cloud.
inline Picture Clouds(int w, int h, Rgb top, Rgb bottom, unsigned seed) {
  Noise n(seed);
  return DrawPicture(w, h, [&](int x, int y) {
    Rgb sky = Mix(top, bottom, double(y) / (h - 1));
    double c = n.Fractal(x / 110.0, y / 70.0, 6);
    double k = SmoothStep(0.45, 0.8, c);
    return Mix(sky, Rgb{250, 250, 252}, k * 0.9);
  });
}

}  // namespace corvanti::art
