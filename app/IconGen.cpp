// Build tool: writes the program's icon as a PNG file of the given size.
#include "ui/AppIcon.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SIZE OUTPUT.png\n", argv[0]);
        return 2;
    }
    QCoreApplication application(argc, argv);
    const int size = std::atoi(argv[1]);
    if (size <= 0 || !ruvo::PaintAppIcon(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
