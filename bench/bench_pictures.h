#pragma once
// The pictures the GIF and whole-process benchmarks share: a photo-sized background
// (1500 x 400) and the whole "Button" stack of a thousand buttons (203 x 19001).

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "codecs/picture.h"

namespace corvanti::bench {

inline int Clamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// Smooth gradients with a few soft shapes and sensor-like noise: many thousands of colours.
inline Picture MakePhoto(int width, int height) {
  Picture p(width, height);
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> noise(-5, 5);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p.Row(y);
    for (int x = 0; x < width; ++x) {
      const int sky = 255 - y * 160 / height;
      const int dx = x - width / 3;
      const int dy = y - height / 2;
      const int sun = std::max(0, 120 - (dx * dx + dy * dy) / 300);
      const int hill = y > height / 2 + (x % 400 < 200 ? x % 400 : 400 - x % 400) / 4 ? 90 : 0;
      const int r = sky / 2 + sun + (x * 60) / width + noise(random);
      const int g = sky * 2 / 3 + sun / 2 + hill + noise(random);
      const int b = sky - hill + ((x ^ y) & 15) + noise(random);
      row[3 * x] = static_cast<std::uint8_t>(Clamp(b));
      row[3 * x + 1] = static_cast<std::uint8_t>(Clamp(g));
      row[3 * x + 2] = static_cast<std::uint8_t>(Clamp(r));
    }
  }
  return p;
}

// A thousand 203 x 19 buttons stacked, plus the key row: a one-pixel dark border, a bevel
// that runs light at the top to dark at the bottom over a face colour of each button's own,
// and a caption of white strokes with grey-level edges in the middle.
inline Picture MakeButtonStack() {
  const int width = 203;
  const int button_height = 19;
  const int buttons = 1000;
  Picture p(width, buttons * button_height + 1);
  std::mt19937 random(777);
  for (int i = 0; i < buttons; ++i) {
    const int face_r = 40 + (i * 37) % 180;
    const int face_g = 60 + (i * 53) % 160;
    const int face_b = 80 + (i * 71) % 150;
    // The caption: a run of "letters", each a few columns of vertical and horizontal strokes.
    std::vector<std::uint8_t> ink(static_cast<std::size_t>(width * button_height), 0);
    int x = 30 + static_cast<int>(random() % 40);
    const int letters = 6 + static_cast<int>(random() % 10);
    for (int l = 0; l < letters && x + 8 < width - 10; ++l) {
      const unsigned shape = random();
      for (int cx = 0; cx < 6; ++cx) {
        for (int cy = 5; cy < 14; ++cy) {
          const bool stroke = (cx == 0 && (shape & 1)) || (cx == 5 && (shape & 2)) ||
                              (cy == 5 && (shape & 4)) || (cy == 9 && (shape & 8)) ||
                              (cy == 13 && (shape & 16)) || (cx == 2 && (shape & 32) && cy > 8);
          if (stroke) ink[static_cast<std::size_t>(cy * width + x + cx)] = 255;
        }
      }
      x += 8;
    }
    for (int y = 0; y < button_height; ++y) {
      std::uint8_t* row = p.Row(i * button_height + y);
      const int bevel = 60 - y * 120 / (button_height - 1);
      for (int cx = 0; cx < width; ++cx) {
        int r, g, b;
        if (y == 0 || y == button_height - 1 || cx == 0 || cx == width - 1) {
          r = g = b = 30;
        } else {
          const int edge = cx < 3 ? 25 : cx > width - 4 ? -25 : 0;
          r = Clamp(face_r + bevel + edge);
          g = Clamp(face_g + bevel + edge);
          b = Clamp(face_b + bevel + edge);
          // Anti-aliased edges: a stroke pixel is white, its neighbours part white.
          int a = ink[static_cast<std::size_t>(y * width + cx)];
          if (a == 0) {
            const bool left = cx > 0 && ink[static_cast<std::size_t>(y * width + cx - 1)];
            const bool right = cx + 1 < width && ink[static_cast<std::size_t>(y * width + cx + 1)];
            if (left || right) a = 96;
          }
          r += (255 - r) * a / 255;
          g += (255 - g) * a / 255;
          b += (255 - b) * a / 255;
        }
        row[3 * cx] = static_cast<std::uint8_t>(b);
        row[3 * cx + 1] = static_cast<std::uint8_t>(g);
        row[3 * cx + 2] = static_cast<std::uint8_t>(r);
      }
    }
  }
  // The key row repeats the top-left pixel's colour.
  const Colour key = p.Pixel(0, 0);
  for (int cx = 0; cx < width; ++cx) p.SetPixel(cx, p.Height() - 1, key);
  return p;
}

}  // namespace corvanti::bench
