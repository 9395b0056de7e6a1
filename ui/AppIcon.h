#pragma once

#include <QIcon>
#include <QImage>

class QPainter;

namespace ruvo {

// The program's icon: a phone book with a telephone handset on its cover,
// drawn on a square of kAppIconUnits by the painter, whatever it paints on
// (an image of any size, a scalable file).
inline constexpr double kAppIconUnits = 256;
void PaintAppIcon(QPainter& painter);

// The icon painted at the given size in pixels.
QImage PaintAppIcon(int size);

// The icon at the usual sizes, for the window and the taskbar.
QIcon AppIcon();

} // namespace ruvo
