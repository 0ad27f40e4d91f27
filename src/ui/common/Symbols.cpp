#include "ui/common/Symbols.h"

#include "ui/common/SymbolShapes.h"

#include <QPainter>
#include <cmath>

namespace kinetta
{

QStringList Symbols::names()
{
    QStringList result;
    for (const auto& entry : symbolShapes())
        result << entry.first;
    return result;
}

bool Symbols::contains(QStringView name)
{
    return symbolShapes().count(name.toString()) != 0;
}

QPainterPath Symbols::shape(QStringView name)
{
    const auto& shapes = symbolShapes();
    const auto found = shapes.find(name.toString());
    return found == shapes.end() ? QPainterPath() : found->second;
}

void Symbols::paint(QPainter& painter, const QRectF& rect, QStringView name, const QColor& tint)
{
    const QPainterPath path = shape(name);
    if (path.isEmpty() || rect.isEmpty())
        return;
    const qreal side = std::min(rect.width(), rect.height());
    const qreal scale = side / designSize;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(scale, scale);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawPath(path);
    painter.restore();
}

QImage Symbols::image(QStringView name, qreal side, qreal devicePixelRatio, const QColor& tint)
{
    const int pixels = std::max(1, static_cast<int>(std::ceil(side * devicePixelRatio)));
    QImage result(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    result.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&result);
    paint(painter, QRectF(0, 0, side, side), name, tint);
    return result;
}

} // namespace kinetta
