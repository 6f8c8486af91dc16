#pragma once

#include "codecs/picture.h"

namespace corvanti {

// Gives the face of button P (a copy of the fitted master M, marked by the fitted alpha A)
// the colour c with the master's relief; mouse_over > 0 brightens by 50.
void ComposeColor(Picture& P, const Picture& A, const Picture& M, int mouse_over, Colour c);

// The same with the face taken from background G at (xoff, yoff), moved back inside G.
void ComposeBackground(Picture& P, const Picture& A, const Picture& M, int mouse_over, int yoff,
                       int xoff, const Picture& G);

}  // namespace corvanti
