#pragma once

#include <QIcon>
#include <QImage>

namespace ruvo {

// The program's icon: a phone book with a telephone handset on its cover,
// painted at the given size in pixels.
QImage PaintAppIcon(int size);

// The icon at the usual sizes, for the window and the taskbar.
QIcon AppIcon();

} // namespace ruvo
