#pragma once
// The window's pictures, drawn at start-up: the six lamps and the application icon.
#include "Types.h"

#include <QIcon>
#include <QImage>

namespace hx {

// A 16 x 16 round lamp on light grey (236, 236, 236); the crossed ones carry a black cross.
// LampImage::None gives a null image.
QImage LampPicture(LampImage image);

// The application icon drawn at size x size pixels (32 and 16 are the sizes used).
QImage AppIconPicture(int size);
// The icon with its 32 x 32 and 16 x 16 pictures.
QIcon AppIcon();

} // namespace hx
