#pragma once

#include <cstdint>

#include "design/design.h"

namespace corvanti {

// The one regeneration: fits the templates, composes every button, draws the captions,
// publishes Image2, Image8 and Image5 and rebuilds Memo1. Does nothing while Regenerating
// is set; Regenerating is clear again when it returns or throws.
void Regenerate(Design& design);

// The same buttons drawn `scale` times as large, for screens with that many pixels per
// pixel: the templates fitted to scale*W x scale*H by the same scaling, the caption at
// scale times the pixel size with its position, fades and shadow offsets scaled, the
// background picture and its offsets scaled. Only Image2, Image8, Image5 (and the working
// pictures) change; Memo1 and every setting stay. A scale of 1 is Regenerate.
void RegenerateScaled(Design& design, int scale);

// The smallest stack, in pixels, whose regeneration shares its work with a second thread
// (the pictures are the same either way); tests move it to compare both ways. Returns the
// value it had.
std::int64_t SetSharedRegenerationPixels(std::int64_t pixels);

// "Default Size": ImageSource := Imagebackup, the size fields := its size. Returns true
// when a field changed (the caller then regenerates once per changed field).
bool RestoreDefaultSize(Design& design);

}  // namespace corvanti
