#include "render/scaling.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace corvanti {

namespace {

// A piece of a picture: the columns [x0, x0 + w) of every row.
Picture Columns(const Picture& picture, int x0, int w) {
  Picture piece(w, picture.Height());
  piece.CopyFrom(picture, x0, 0, w, picture.Height(), 0, 0);
  return piece;
}

// What FitTemplate does with a picture of w x h asked for W x H.
enum class Fit { kDeclined, kStretched, kThreePiece };

Fit ChooseFit(int w, int h, int W, int H) {
  // Buttons of 10 pixels or less in either direction are not fitted at all.
  if (W <= 10 || H <= 10) return Fit::kDeclined;
  // A template without pixels has no shape to fit; it stays as it is.
  if (w == 0 || h == 0) return Fit::kDeclined;
  if (static_cast<std::int64_t>(w) <= 2 * static_cast<std::int64_t>(h)) return Fit::kStretched;
  // A wide template keeps its caps square, so it only fits a wide button.
  if (static_cast<std::int64_t>(W) <= 2 * static_cast<std::int64_t>(H)) return Fit::kDeclined;
  return Fit::kThreePiece;
}

}  // namespace

void StretchPicture(Picture& picture, int new_width, int new_height, int keep_columns) {
  const int w = picture.Width();
  const int h = picture.Height();
  if (new_width < 0) new_width = 0;
  if (new_height < 0) new_height = 0;
  const int columns = keep_columns >= 0 ? std::min(keep_columns, new_width) : new_width;
  Picture result(columns, new_height);
  // A picture without pixels has nothing to sample from: the result stays black.
  if (result.Empty() || picture.Empty()) {
    picture = std::move(result);
    return;
  }

  // Nearest neighbour only, so the result holds no colour the source lacks: the face of a
  // template is recognised by exact colour equality.
  std::vector<std::size_t> source_offset(static_cast<std::size_t>(columns));
  for (int x = 0; x < columns; ++x) {
    source_offset[static_cast<std::size_t>(x)] =
        3 * static_cast<std::size_t>(static_cast<std::int64_t>(x) * w / new_width);
  }
  int previous_source_row = -1;
  for (int y = 0; y < new_height; ++y) {
    const int sy = static_cast<int>(static_cast<std::int64_t>(y) * h / new_height);
    std::uint8_t* to = result.Row(y);
    if (sy == previous_source_row) {
      // Enlarging repeats source rows: the row just made is the same.
      std::memcpy(to, result.Row(y - 1), result.Stride());
      continue;
    }
    const std::uint8_t* from = picture.Row(sy);
    for (int x = 0; x < columns; ++x) {
      const std::uint8_t* s = from + source_offset[static_cast<std::size_t>(x)];
      to[0] = s[0];
      to[1] = s[1];
      to[2] = s[2];
      to += 3;
    }
    previous_source_row = sy;
  }
  picture = std::move(result);
}

void FitTemplate(Picture& picture, int W, int H, Picture* left_cap, Picture* right_cap,
                 Picture* middle) {
  const int w = picture.Width();
  const int h = picture.Height();
  const Fit fit = ChooseFit(w, h, W, H);
  if (fit == Fit::kDeclined) return;
  if (fit == Fit::kStretched) {
    StretchPicture(picture, W, H);
    return;
  }

  Picture left = Columns(picture, 0, h);
  Picture right = Columns(picture, w - h, h);
  Picture mid = Columns(picture, h, w - 2 * h);
  StretchPicture(left, H, H);
  StretchPicture(right, H, H);
  StretchPicture(mid, W - 2 * H, H);

  Picture result(W, H);
  result.CopyFrom(left, 0, 0, H, H, 0, 0);
  result.CopyFrom(mid, 0, 0, W - 2 * H, H, H, 0);
  result.CopyFrom(right, 0, 0, H, H, W - H, 0);
  picture = std::move(result);

  if (left_cap) *left_cap = std::move(left);
  if (right_cap) *right_cap = std::move(right);
  if (middle) *middle = std::move(mid);
}

void FittedSize(int w, int h, int W, int H, int* fitted_width, int* fitted_height) {
  const bool declined = ChooseFit(w, h, W, H) == Fit::kDeclined;
  *fitted_width = declined ? w : W;
  *fitted_height = declined ? h : H;
}

}  // namespace corvanti
