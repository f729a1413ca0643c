#pragma once
// A kept frame as an image to show: gray as gray, colour as colour, 16-bit
// gray scaled to 8 bits.

#include <QImage>

#include "Frame.h"

// A null image when the frame has no pixels or a size it cannot show.
QImage FrameToImage(const Frame& frame);
