#pragma once

#include "codecs/picture.h"
#include "design/design.h"

namespace corvanti::test {

// Colours of the test template: a magenta-ish outside (blue 128, green 0, red 255), a dark
// face with a lighter top row and a darker bottom row, so the face carries some relief.
constexpr Colour kOutside = MakeColour(255, 0, 128);
constexpr Colour kFace = MakeColour(64, 0, 64);
constexpr Colour kFaceLight = MakeColour(104, 40, 104);
constexpr Colour kFaceDark = MakeColour(34, 0, 34);
constexpr Colour kAlphaFace = MakeColour(0, 0, 0);
constexpr Colour kAlphaOutside = MakeColour(255, 255, 255);

inline bool InFace(int x, int y, int w, int h) {
  return x >= 2 && y >= 2 && x < w - 2 && y < h - 2;
}

inline Picture MakeMaster(int w = 203, int h = 19) {
  Picture p(w, h);
  p.Fill(kOutside);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!InFace(x, y, w, h)) continue;
      p.SetPixel(x, y, y == 2 ? kFaceLight : y == h - 3 ? kFaceDark : kFace);
    }
  }
  return p;
}

inline Picture MakeAlpha(int w = 203, int h = 19) {
  Picture p(w, h);
  p.Fill(kAlphaOutside);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (InFace(x, y, w, h)) p.SetPixel(x, y, kAlphaFace);
    }
  }
  return p;
}

// A design that carries the test template as if it had just been loaded, with no
// background picture.
inline void LoadTestTemplate(Design& design, int w = 203, int h = 19) {
  design.Imagebackup = MakeMaster(w, h);
  design.ImageShadowBackup = MakeAlpha(w, h);
  design.ImageSource = design.Imagebackup;
  design.ImageShadow = design.ImageShadowBackup;
  design.buttonwidth.SetValue(w);
  design.buttonheight.SetValue(h);
  design.frontcolordefault = design.Imagebackup.Pixel(w / 2, h / 2);
  design.LineColors.fill(design.frontcolordefault);
  design.bgpicture = false;
}

}  // namespace corvanti::test
