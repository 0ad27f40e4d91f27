#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QStringList>
#include <QStringView>

class QPainter;

namespace kinetta
{

// The symbols the views show, drawn by us: each symbol name the views use
// maps to one outline, filled in a single tint, so no icon theme changes the
// look and every size and device pixel ratio stays sharp.
class Symbols final
{
public:
    Symbols() = delete;

    // Every shape lies inside a square of this side, at the origin.
    static constexpr qreal designSize = 24.0;

    // All known names, sorted.
    [[nodiscard]] static QStringList names();
    [[nodiscard]] static bool contains(QStringView name);
    // The area to fill, in the design square; empty for an unknown name.
    [[nodiscard]] static QPainterPath shape(QStringView name);

    // Fills name's shape with tint, scaled to the largest square that fits
    // rect and centred in it. Draws nothing for an unknown name.
    static void paint(QPainter& painter, const QRectF& rect, QStringView name, const QColor& tint);
    // The symbol alone on transparency, side points wide and high, at the
    // given device pixel ratio (the image carries it).
    [[nodiscard]] static QImage image(QStringView name, qreal side, qreal devicePixelRatio,
                                      const QColor& tint);
};

} // namespace kinetta
