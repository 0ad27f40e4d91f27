#include "ui/preview/PreviewPainting.h"

#include "ui/common/Symbols.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QWidget>

namespace kinetta
{

QColor withOpacity(QColor c, double opacity)
{
    c.setAlphaF(static_cast<float>(opacity));
    return c;
}

QFont previewFont(const QWidget& widget, int pixelSize, QFont::Weight weight)
{
    QFont font = widget.font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

qreal symbolAndTextWidth(const QString& symbol, qreal symbolSize, const QString& text,
                         const QFont& font, qreal spacing)
{
    const qreal textWidth = QFontMetricsF(font).horizontalAdvance(text);
    if (symbol.isEmpty())
        return textWidth;
    return symbolSize + (text.isEmpty() ? 0 : spacing + textWidth);
}

qreal paintSymbolAndText(QPainter& painter, QPointF leftCentre, const QString& symbol,
                         qreal symbolSize, const QString& text, const QFont& font,
                         const QColor& colour, qreal spacing)
{
    qreal x = leftCentre.x();
    if (!symbol.isEmpty()) {
        Symbols::paint(painter,
                       QRectF(x, leftCentre.y() - symbolSize / 2, symbolSize, symbolSize), symbol,
                       colour);
        x += symbolSize + spacing;
    }
    if (!text.isEmpty()) {
        const QFontMetricsF metrics(font);
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(QPointF(x, leftCentre.y() + (metrics.ascent() - metrics.descent()) / 2),
                         text);
    }
    return symbolAndTextWidth(symbol, symbolSize, text, font, spacing);
}

void paintBusyRing(QPainter& painter, const QRectF& ring, const QColor& colour, qreal lineWidth)
{
    painter.setPen(QPen(withOpacity(colour, 0.3), lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(ring);
    painter.setPen(QPen(colour, lineWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, 90 * 16, -120 * 16);
}

} // namespace kinetta
