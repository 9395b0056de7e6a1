// Build tool: writes the program's icon as a PNG file of the given size, or
// as a scalable SVG file (SIZE "scalable"), for the desktop's icon theme.
#include "ui/AppIcon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QString>
#include <QSvgGenerator>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool WriteSvg(const QString& path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    const int units = static_cast<int>(ruvo::kAppIconUnits);
    svg.setSize(QSize(units, units));
    svg.setViewBox(QRect(0, 0, units, units));
    svg.setTitle(QStringLiteral("ruvoteledit"));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    painter.setRenderHint(QPainter::Antialiasing);
    ruvo::PaintAppIcon(painter);
    return painter.end();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SIZE|scalable OUTPUT\n", argv[0]);
        return 2;
    }
    QGuiApplication application(argc, argv);
    const QString output = QString::fromLocal8Bit(argv[2]);
    const bool scalable = std::strcmp(argv[1], "scalable") == 0;
    const int size = scalable ? 0 : std::atoi(argv[1]);
    const bool written =
        scalable ? WriteSvg(output) : size > 0 && ruvo::PaintAppIcon(size).save(output, "PNG");
    if (!written) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
