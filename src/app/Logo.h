// Logo.h -- the product picture of the main window and the about box, drawn rather than shipped.
#pragma once

#include <QPixmap>

namespace tessaly {

// A square emblem `size` device-independent pixels wide, sharp at the screen's pixel ratio.
QPixmap tessalyLogo(int size, qreal devicePixelRatio);

} // namespace tessaly
