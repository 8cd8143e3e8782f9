#include "QtWindowPictures.h"

#include <QPainter>
#include <QPainterPath>

namespace hx {

QImage LampPicture(LampImage image) {
    QColor colour;
    bool cross = false;
    switch (image) {
    case LampImage::None:
        return {};
    case LampImage::Red:
        colour = QColor(255, 0, 0);
        break;
    case LampImage::Green:
        colour = QColor(0, 255, 0);
        break;
    case LampImage::Yellow:
        colour = QColor(255, 255, 0);
        break;
    case LampImage::Grey:
        colour = QColor(192, 192, 192);
        break;
    case LampImage::RedCross:
        colour = QColor(255, 0, 0);
        cross = true;
        break;
    case LampImage::GreyCross:
        colour = QColor(192, 192, 192);
        cross = true;
        break;
    }
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(QColor(236, 236, 236));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // The lamp: a disc with a dark rim; its inside is the pure lamp colour.
    p.setPen(QPen(QColor(96, 96, 96), 1.0));
    p.setBrush(colour);
    p.drawEllipse(QRectF(1.5, 1.5, 13.0, 13.0));
    if (cross) {
        p.setPen(QPen(Qt::black, 2.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(4.0, 4.0), QPointF(12.0, 12.0));
        p.drawLine(QPointF(12.0, 4.0), QPointF(4.0, 12.0));
    }
    return img;
}

QImage AppIconPicture(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // A dark blue box with two channel lamps and an arrow each way between them: a relay.
    p.setPen(QPen(QColor(16, 40, 80), 1.5));
    p.setBrush(QColor(32, 80, 160));
    p.drawRoundedRect(QRectF(1.5, 4.5, 29.0, 23.0), 4.0, 4.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 208, 0));
    p.drawEllipse(QRectF(4.0, 11.0, 8.0, 8.0));
    p.setBrush(QColor(0, 230, 0));
    p.drawEllipse(QRectF(20.0, 11.0, 8.0, 8.0));
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath right;
    right.moveTo(12.5, 10.0);
    right.lineTo(19.5, 10.0);
    right.moveTo(17.0, 7.5);
    right.lineTo(19.5, 10.0);
    right.lineTo(17.0, 12.5);
    p.drawPath(right);
    QPainterPath left;
    left.moveTo(19.5, 20.0);
    left.lineTo(12.5, 20.0);
    left.moveTo(15.0, 17.5);
    left.lineTo(12.5, 20.0);
    left.lineTo(15.0, 22.5);
    p.drawPath(left);
    return img;
}

QIcon AppIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(AppIconPicture(32)));
    icon.addPixmap(QPixmap::fromImage(AppIconPicture(16)));
    return icon;
}

} // namespace hx
