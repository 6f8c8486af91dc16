#include "render/interaction.h"

#include <algorithm>
#include <cstdint>

namespace corvanti {

void PreviewMouseDown(Design& design, int x, int y) {
  // Recorded even during a regeneration: the drag is relative to this press.
  design.PreviewDragX0 = x;
  design.PreviewDragY0 = y;
  design.PreviewDragF0 = design.fontx.Value();
  design.PreviewDragG0 = design.fonty.Value();
  design.PreviewDragging = kBusy;
}

int PreviewMouseMove(Design& design, int x, int y) {
  if (design.Regenerating != 0 || design.PreviewDragging != kBusy) return 0;
  // 64 bits: the mouse may be far outside the preview while the button is held.
  const std::int64_t new_x =
      static_cast<std::int64_t>(design.PreviewDragF0) + x - design.PreviewDragX0;
  const std::int64_t new_y =
      static_cast<std::int64_t>(design.PreviewDragG0) + y - design.PreviewDragY0;
  int changed = 0;
  if (design.fontx.SetValue(new_x <= 0 ? 0 : new_x)) changed |= 1;
  if (design.fonty.SetValue(new_y <= 0 ? 0 : new_y)) changed |= 2;
  return changed;
}

void PreviewMouseUp(Design& design) { design.PreviewDragging = 0; }

int PreviewClick(Design& design) {
  const int H = design.ImageSource.Height();
  // A preview without rows selects the first line; a press above the picture (only
  // possible with a captured mouse) counts as its top row.
  const int y0 = std::max(design.PreviewDragY0, 0);
  design.SelectedLine = H > 0 ? y0 / H : 0;
  return design.SelectedLine;
}

bool Image7MouseUp(Design& design, int x, int y) {
  const bool left_changed = design.bgleft.SetValue(x);
  const bool top_changed = design.bgtop.SetValue(y);
  return left_changed || top_changed;
}

}  // namespace corvanti
