#pragma once
// Which drawing stands at which index of the image list and the menu strip,
// and the drawings of the named icons. CImageList turns them into icons.

#include "controls/CPaintedIconEngine.h"
#include "controls/ImageIndices.h"

namespace IconDrawings {

// Image nIndex of the 100-entry list (0..99).
IconDrawing ListImage(int nIndex);
// Menu strip cell nCell (0..47); an empty function for the unused cells.
IconDrawing MenuCell(int nCell);
IconDrawing Named(ENamedIcon icon);
// The program icon turned by nStep * 30 degrees (step 0: upright).
IconDrawing AppSpin(int nStep);

}  // namespace IconDrawings
