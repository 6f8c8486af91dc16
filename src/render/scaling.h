#pragma once

#include "codecs/picture.h"

namespace corvanti {

// Nearest-neighbour resize of a w x h picture in place: target (x, y) copies source
// (x*w div new_width, y*h div new_height).
// With keep_columns at or above 0 only the first keep_columns columns of the result are
// made (the picture ends that wide), each as the whole resize would give it.
void StretchPicture(Picture& picture, int new_width, int new_height, int keep_columns = -1);

// Fits a template picture to W x H in place, or leaves it unchanged where the rules
// decline. A three-piece fit leaves its left cap, right cap and middle in the optional
// pieces.
void FitTemplate(Picture& picture, int W, int H, Picture* left_cap = nullptr,
                 Picture* right_cap = nullptr, Picture* middle = nullptr);

// The size FitTemplate gives a picture of w x h asked for W x H, without fitting it (so a
// caller can check what the fit will cost first).
void FittedSize(int w, int h, int W, int H, int* fitted_width, int* fitted_height);

}  // namespace corvanti
