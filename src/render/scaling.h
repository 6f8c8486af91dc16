#pragma once

#include "codecs/picture.h"

namespace corvanti {

// Nearest-neighbour resize in place: target (x, y) copies source (x*w div a, y*h div b).
void StretchPicture(Picture& picture, int new_width, int new_height);

// Fits a template picture to W x H in place, or leaves it unchanged where the rules
// decline. A three-piece fit leaves its left cap, right cap and middle in the optional
// pieces.
void FitTemplate(Picture& picture, int W, int H, Picture* left_cap = nullptr,
                 Picture* right_cap = nullptr, Picture* middle = nullptr);

}  // namespace corvanti
