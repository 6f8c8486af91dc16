#pragma once

#include "design/design.h"

namespace corvanti {

// Mouse work on the three previews, in the picture's own pixels. Each function that
// changes a setting returns true when it did; the caller then regenerates.
void PreviewMouseDown(Design& design, int x, int y);
// Moves fontx, then fonty; returns which changed (bit 0 fontx, bit 1 fonty).
int PreviewMouseMove(Design& design, int x, int y);
void PreviewMouseUp(Design& design);
// SelectedLine := Y0 div H; returns the line.
int PreviewClick(Design& design);
// bgleft := x, bgtop := y (clamped by the fields); returns true when either changed.
bool Image7MouseUp(Design& design, int x, int y);

}  // namespace corvanti
