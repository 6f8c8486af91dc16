#pragma once

#include <filesystem>

#include "design/design.h"
#include "templates/template_file.h"

namespace corvanti {

// Loads a picture file (by extension) into Image7, tiling pictures under 400 pixels on
// either side onto a 1500 x 400 wall, then regenerates. On error Image7 stays as it was.
void LoadBackgroundPicture(Design& design, const std::filesystem::path& path,
                           const RegenerateFn& regenerate);

// The 1500 x 400 wall of whole copies of a small picture.
Picture TileBackground(const Picture& tile);

}  // namespace corvanti
