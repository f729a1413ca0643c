#pragma once
// The value of one pixel of a shown frame, as the camera delivered it (a
// 16-bit sample in full, not the 8 bits shown).

#include <QString>

#include "Frame.h"

// "x 12, y 34: 128" for gray, "x 12, y 34: R 200, G 100, B 50" for colour;
// empty outside the frame or for a frame it cannot read.
QString PixelReadout(const Frame& frame, int x, int y);
