#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "design/design.h"

namespace corvanti {

// The export for today's web, beside the GIF export. For the chosen page DIR/B.html (any
// name; B is the name without its extension) it writes, for every caption line k from 1:
// B_k.png and B_k_hover.png (the normal and mouse-over button, every colour kept, the key
// colour transparent when the background is), B_k@2x.png and B_k_hover@2x.png (the same
// buttons drawn twice as large), then B.css, B.snippet.html (the markup to paste into a
// site) and last the page itself: no script, no inline style or handler; the hover picture
// shows on :hover and :focus-visible through CSS.
//
// Needs a design regenerated without a selection (as the GIF export). Every file is written beside its
// target and renamed; a failure leaves the files written before it whole.
void ExportForWeb(Design& design, const std::filesystem::path& page);

// Each caption line's link target, by line: the lines of `design.links`, "#" where one is
// missing or empty. Throws Error for a target the page must not carry (javascript:).
std::vector<std::string> LinkTargets(const Design& design);

}  // namespace corvanti
