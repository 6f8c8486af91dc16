#pragma once

#include "design/design.h"

namespace corvanti {

// The one regeneration: fits the templates, composes every button, draws the captions,
// publishes Image2, Image8 and Image5 and rebuilds Memo1. Does nothing while Regenerating
// is set; Regenerating is clear again when it returns or throws.
void Regenerate(Design& design);

// "Default Size": ImageSource := Imagebackup, the size fields := its size. Returns true
// when a field changed (the caller then regenerates once per changed field).
bool RestoreDefaultSize(Design& design);

}  // namespace corvanti
