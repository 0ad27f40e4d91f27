#include "ui/overlays/OverlayPainting.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace kinetta::overlaypaint
{

QFont font(int pixelSize, QFont::Weight weight, qreal letterSpacing)
{
    QFont result(QStringLiteral("Sans Serif"));
    result.setStyleHint(QFont::SansSerif);
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    if (letterSpacing != 0)
        result.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return result;
}

QColor white(qreal opacity)
{
    QColor colour(Qt::white);
    colour.setAlphaF(float(opacity));
    return colour;
}

QColor systemRed()
{
    return QColor(255, 69, 58);
}

QColor systemGreen()
{
    return QColor(48, 209, 88);
}

namespace
{

qreal digitAdvance(const QFontMetricsF& metrics)
{
    qreal widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(digit)));
    return widest;
}

} // namespace

qreal monospacedWidth(const QFont& font, const QString& text)
{
    const QFontMetricsF metrics(font);
    const qreal digit = digitAdvance(metrics);
    qreal width = 0;
    for (const QChar c : text)
        width += c.isDigit() ? digit : metrics.horizontalAdvance(c);
    return width;
}

void drawMonospaced(QPainter& painter, const QFont& font, qreal left, qreal baseline,
                    const QString& text)
{
    const QFontMetricsF metrics(font);
    const qreal digit = digitAdvance(metrics);
    painter.setFont(font);
    qreal x = left;
    for (const QChar c : text) {
        if (c.isDigit()) {
            // Each digit centred in its fixed cell.
            const qreal own = metrics.horizontalAdvance(c);
            painter.drawText(QPointF(x + (digit - own) / 2, baseline), QString(c));
            x += digit;
        } else {
            painter.drawText(QPointF(x, baseline), QString(c));
            x += metrics.horizontalAdvance(c);
        }
    }
}

void drawMonospacedCentred(QPainter& painter, const QFont& font, const QRectF& rect,
                           const QString& text)
{
    const QFontMetricsF metrics(font);
    const qreal width = monospacedWidth(font, text);
    const qreal baseline = rect.center().y() + (metrics.ascent() - metrics.descent()) / 2;
    drawMonospaced(painter, font, rect.center().x() - width / 2, baseline, text);
}

QPainterPath capsule(const QRectF& rect)
{
    QPainterPath path;
    const qreal radius = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

void drawShadow(QPainter& painter, const QPainterPath& shape, const QColor& colour, qreal radius,
                QPointF offset)
{
    if (radius <= 0 || shape.isEmpty())
        return;
    // Drawn small and scaled up smoothly: a cheap blur of about radius.
    const qreal shrink = std::min<qreal>(1, 2.0 / radius);
    const QRectF area = shape.boundingRect().adjusted(-radius, -radius, radius, radius);
    QImage small(QSize(int(std::ceil(area.width() * shrink)) + 1,
                       int(std::ceil(area.height() * shrink)) + 1),
                 QImage::Format_ARGB32_Premultiplied);
    small.fill(Qt::transparent);
    {
        QPainter inner(&small);
        inner.setRenderHint(QPainter::Antialiasing);
        inner.scale(shrink, shrink);
        inner.translate(-area.topLeft());
        inner.fillPath(shape, colour);
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(
        QRectF(area.topLeft() + offset, QSizeF(small.width() / shrink, small.height() / shrink)),
        small);
    painter.restore();
}

} // namespace kinetta::overlaypaint
