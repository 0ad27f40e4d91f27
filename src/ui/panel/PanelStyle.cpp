#include "ui/panel/PanelStyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace kinetta::panel
{

QFont font(qreal size, QFont::Weight weight, Face face)
{
    QFont result(face == Face::monospaced ? QStringLiteral("DejaVu Sans Mono")
                                          : QStringLiteral("DejaVu Sans"));
    result.setStyleHint(face == Face::monospaced ? QFont::Monospace : QFont::SansSerif);
    result.setPixelSize(qRound(size));
    result.setWeight(weight);
    return result;
}

QFont sectionFont()
{
    QFont result = font(10, QFont::DemiBold);
    result.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    return result;
}

QColor white(qreal opacity)
{
    return withOpacity(Qt::white, opacity);
}

QColor withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(static_cast<float>(colour.alphaF() * opacity));
    return colour;
}

void paintCard(QPainter& painter, const QRectF& rect, qreal radius, const QBrush& fill,
               const QColor& outline)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, radius, radius);
    if (outline.alpha() > 0) {
        painter.setPen(QPen(outline, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    }
    painter.restore();
}

void paintDivider(QPainter& painter, qreal left, qreal right, qreal y)
{
    painter.fillRect(QRectF(left, y, right - left, 1), white(0.1));
}

void paintElidedText(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
                     const QColor& colour, Qt::Alignment alignment)
{
    const QFontMetricsF metrics(font);
    painter.save();
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(rect, int(alignment) | Qt::TextSingleLine,
                     metrics.elidedText(text, Qt::ElideRight, rect.width()));
    painter.restore();
}

qreal textWidth(const QString& text, const QFont& font)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

} // namespace kinetta::panel
