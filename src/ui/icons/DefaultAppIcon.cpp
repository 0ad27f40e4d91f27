#include "ui/icons/DefaultAppIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace kinetta
{

QImage drawDefaultAppIcon(int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = pixels;
    // Proportions rather than points, so the glyph reads the same at any size.
    const QRectF tile(side * 0.04, side * 0.04, side * 0.92, side * 0.92);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x6B, 0x6B, 0x76));
    painter.drawRoundedRect(tile, side * 0.22, side * 0.22);

    const QRectF frame(side * 0.24, side * 0.28, side * 0.52, side * 0.44);
    const qreal corner = side * 0.06;
    painter.setBrush(QColor(255, 255, 255, 46));
    painter.setPen(QPen(QColor(255, 255, 255, 220), std::max(1.0, side * 0.05)));
    painter.drawRoundedRect(frame, corner, corner);
    // The title bar: a line across the frame's top.
    const qreal bar = frame.top() + frame.height() * 0.28;
    painter.drawLine(QPointF(frame.left(), bar), QPointF(frame.right(), bar));
    return image;
}

} // namespace kinetta
