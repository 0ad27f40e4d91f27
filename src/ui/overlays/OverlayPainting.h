#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QString>

class QPainter;

namespace kinetta
{

// Drawing helpers the overlays share: fonts in device-independent pixels
// (never the platform theme's), white at an opacity, and digits that keep a
// fixed width so changing numbers do not shift the text around them.
namespace overlaypaint
{

[[nodiscard]] QFont font(int pixelSize, QFont::Weight weight, qreal letterSpacing = 0);
[[nodiscard]] QColor white(qreal opacity);
// The system red of the dark appearance.
[[nodiscard]] QColor systemRed();
// The system green of the dark appearance: the done toasts' tint.
[[nodiscard]] QColor systemGreen();

// Width of text when every digit takes the widest digit's advance.
[[nodiscard]] qreal monospacedWidth(const QFont& font, const QString& text);
// Draws text so laid out, its left edge at left and its baseline at baseline.
void drawMonospaced(QPainter& painter, const QFont& font, qreal left, qreal baseline,
                    const QString& text);
// The same text centred horizontally in rect and vertically on its line box.
void drawMonospacedCentred(QPainter& painter, const QFont& font, const QRectF& rect,
                           const QString& text);

// A rectangle whose short sides are half circles.
[[nodiscard]] QPainterPath capsule(const QRectF& rect);

// A soft shadow of shape: its blurred silhouette in colour, moved by offset.
void drawShadow(QPainter& painter, const QPainterPath& shape, const QColor& colour, qreal radius,
                QPointF offset = {});

} // namespace overlaypaint
} // namespace kinetta
