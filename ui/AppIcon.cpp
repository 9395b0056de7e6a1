#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ruvo {

void PaintAppIcon(QPainter& painter) {

    // Index tabs along the page edge, behind the cover.
    const QColor tabs[] = {QColor(0xE5, 0x39, 0x35), QColor(0xFB, 0xC0, 0x2D),
                           QColor(0x43, 0xA0, 0x47), QColor(0x1E, 0x88, 0xE5)};
    for (int i = 0; i < 4; ++i) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(tabs[i]);
        painter.drawRoundedRect(QRectF(196, 40 + i * 46, 44, 34), 8, 8);
    }

    // Pages, then the cover with its spine.
    painter.setBrush(QColor(0xF5, 0xF0, 0xE1));
    painter.setPen(QPen(QColor(0x9E, 0x93, 0x7A), 3));
    painter.drawRoundedRect(QRectF(30, 22, 196, 218), 14, 14);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x8E, 0x24, 0x2A));
    painter.drawRoundedRect(QRectF(22, 14, 190, 220), 16, 16);
    painter.setBrush(QColor(0x6A, 0x16, 0x1B));
    painter.drawRoundedRect(QRectF(22, 14, 34, 220), 16, 16);
    painter.drawRect(QRectF(40, 14, 16, 220));

    // Label plate.
    painter.setBrush(QColor(0xF5, 0xE6, 0xB8));
    painter.drawRoundedRect(QRectF(80, 36, 112, 26), 6, 6);
    painter.setBrush(QColor(0x8E, 0x24, 0x2A));
    for (int i = 0; i < 3; ++i)
        painter.drawRect(QRectF(92 + i * 30, 46, 20, 6));

    // Telephone handset: a curved grip with the ear and mouth pieces.
    const QColor handset(0xFA, 0xFA, 0xFA);
    QPainterPath grip;
    grip.moveTo(86, 128);
    grip.cubicTo(104, 92, 168, 92, 186, 128);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(handset, 20, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(grip);
    painter.setPen(Qt::NoPen);
    painter.setBrush(handset);
    painter.drawRoundedRect(QRectF(64, 120, 46, 30), 12, 12);
    painter.drawRoundedRect(QRectF(162, 120, 46, 30), 12, 12);

    // Telephone body with its dial.
    QPainterPath body;
    body.moveTo(96, 212);
    body.lineTo(176, 212);
    body.cubicTo(178, 184, 170, 160, 154, 150);
    body.lineTo(118, 150);
    body.cubicTo(102, 160, 94, 184, 96, 212);
    painter.drawPath(body);
    painter.setBrush(QColor(0x8E, 0x24, 0x2A));
    painter.drawEllipse(QPointF(136, 184), 17, 17);
    painter.setBrush(handset);
    painter.drawEllipse(QPointF(136, 184), 6, 6);
}

QImage PaintAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kAppIconUnits, size / kAppIconUnits);
    PaintAppIcon(painter);
    return image;
}

QIcon AppIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(PaintAppIcon(size)));
    return icon;
}

} // namespace ruvo
