#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace kinetta::panel
{

// The panel's type faces: one sans family and one monospaced family fixed
// here, so the desktop's font settings never change the look. Sizes are in
// points of the panel (device-independent pixels).
enum class Face { regular, monospaced };
[[nodiscard]] QFont font(qreal size, QFont::Weight weight = QFont::Normal,
                         Face face = Face::regular);
// Upper-case section labels: size 10 semibold, letter spacing 1.2.
[[nodiscard]] QFont sectionFont();

// White (or colour) at an opacity between 0 and 1.
[[nodiscard]] QColor white(qreal opacity);
[[nodiscard]] QColor withOpacity(QColor colour, qreal opacity);

// The caption size of the banners.
inline constexpr qreal kCaptionSize = 10;

// A rounded card: fill, then a 1-point outline inside rect.
void paintCard(QPainter& painter, const QRectF& rect, qreal radius, const QBrush& fill,
               const QColor& outline);
// A divider across the full width at y.
void paintDivider(QPainter& painter, qreal left, qreal right, qreal y);
// Text in one line, clipped at rect's right edge with an ellipsis.
void paintElidedText(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
                     const QColor& colour,
                     Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
[[nodiscard]] qreal textWidth(const QString& text, const QFont& font);

} // namespace kinetta::panel
