#include "templates/background.h"

#include <algorithm>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/picture_loader.h"

namespace corvanti {
namespace {

constexpr int kWallWidth = 1500;
constexpr int kWallHeight = 400;
// Pictures at least this large on both sides are used at their own size.
constexpr int kMinUntiledSide = 400;

}  // namespace

Picture TileBackground(const Picture& tile) {
  // A picture without pixels has nothing to repeat.
  if (tile.Empty()) throw Error("Cannot tile an empty background picture (0 x 0)");
  Picture wall(kWallWidth, kWallHeight);
  const int h = tile.Height();
  const std::size_t wall_stride = wall.Stride();
  const std::size_t tile_stride = tile.Stride();
  // Whole copies laid from the top-left corner: pixel (x, y) of the wall is pixel
  // (x mod w, y mod h) of the tile. The first band of rows is built by repeating each tile
  // row; later bands repeat the first.
  const int band = std::min(h, kWallHeight);
  for (int y = 0; y < band; ++y) {
    const std::uint8_t* from = tile.Row(y);
    std::uint8_t* to = wall.Row(y);
    for (std::size_t x = 0; x < wall_stride; x += tile_stride) {
      std::copy(from, from + std::min(tile_stride, wall_stride - x), to + x);
    }
  }
  for (int y = band; y < kWallHeight; ++y) {
    const std::uint8_t* from = wall.Row(y % h);
    std::copy(from, from + wall_stride, wall.Row(y));
  }
  return wall;
}

void LoadBackgroundPicture(Design& design, const std::filesystem::path& path,
                           const RegenerateFn& regenerate) {
  std::string bytes = ReadWholeFile(path);
  Picture picture = ToPicture24(DecodePicture(bytes, path));
  if (picture.Width() < kMinUntiledSide || picture.Height() < kMinUntiledSide) {
    picture = TileBackground(picture);
  }
  design.Image7 = std::move(picture);
  // Kept with the picture, so a template saved later embeds what is on screen.
  design.backgroundFile = path.string();
  design.backgroundBytes = std::move(bytes);
  regenerate(design);
}

}  // namespace corvanti
