#pragma once

#include <QRect>
#include <QRectF>

namespace kinetta
{

// Where one screen lies on the desktop as capture sees it: its rectangle in
// the root window's device pixels, and how many device pixels make a point
// there. An area drawn on that screen carries it, so that the recorder takes
// the area from that screen and not from the first one.
struct ScreenPlacement {
    QRect deviceGeometry;
    double devicePixelRatio = 1;

    // A rectangle in the screen's points (origin at its top-left corner) in
    // the root window's device pixels.
    [[nodiscard]] QRectF toDevice(const QRectF& points) const
    {
        return {deviceGeometry.x() + points.x() * devicePixelRatio,
                deviceGeometry.y() + points.y() * devicePixelRatio,
                points.width() * devicePixelRatio, points.height() * devicePixelRatio};
    }

    friend bool operator==(const ScreenPlacement&, const ScreenPlacement&) = default;
};

} // namespace kinetta
