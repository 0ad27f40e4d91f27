#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;
class QWidget;

namespace kinetta
{

// The preview window's own colours, beside the theme's brand colours.
namespace PreviewColors
{
inline const QColor background{0x08, 0x04, 0x14}; // 080414
inline const QColor bar{0x0F, 0x07, 0x20};        // 0F0720
inline const QColor divider{0x1E, 0x10, 0x35};    // 1E1035
inline const QColor amber{0xF5, 0x9E, 0x0B};      // F59E0B
inline const QColor green{0x34, 0xD3, 0x99};      // 34D399
inline const QColor red{0xFF, 0x3B, 0x30};
} // namespace PreviewColors

// c with its alpha set to opacity (0…1).
[[nodiscard]] QColor withOpacity(QColor c, double opacity);
// The widget's font at pixelSize and weight.
[[nodiscard]] QFont previewFont(const QWidget& widget, int pixelSize,
                                QFont::Weight weight = QFont::Normal);

// A symbol of `symbolSize` then the text, spacing apart, drawn from the left
// of `origin`'s vertical centre line; gives the width used.
qreal paintSymbolAndText(QPainter& painter, QPointF leftCentre, const QString& symbol,
                         qreal symbolSize, const QString& text, const QFont& font,
                         const QColor& colour, qreal spacing);
// The width paintSymbolAndText would use.
[[nodiscard]] qreal symbolAndTextWidth(const QString& symbol, qreal symbolSize,
                                       const QString& text, const QFont& font, qreal spacing);

// A still busy mark: a faint ring with a bright arc of a third of it.
void paintBusyRing(QPainter& painter, const QRectF& ring, const QColor& colour, qreal lineWidth);

} // namespace kinetta
