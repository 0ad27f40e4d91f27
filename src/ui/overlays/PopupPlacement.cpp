#include "ui/overlays/PopupPlacement.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kinetta
{

TrayEdge trayEdgeOf(const QRect& anchor, const QRect& screenGeometry)
{
    const QPoint centre = anchor.center();
    const std::array<std::pair<int, TrayEdge>, 4> distances = {{
        {centre.y() - screenGeometry.top(), TrayEdge::top},
        {screenGeometry.bottom() - centre.y(), TrayEdge::bottom},
        {centre.x() - screenGeometry.left(), TrayEdge::left},
        {screenGeometry.right() - centre.x(), TrayEdge::right},
    }};
    // min_element keeps the first of equals, hence the order above.
    return std::min_element(distances.begin(), distances.end(),
                            [](const auto& a, const auto& b) { return a.first < b.first; })
        ->second;
}

QRect keepInside(const QRect& rect, const QRect& area)
{
    QRect result = rect;
    if (result.right() > area.right())
        result.moveRight(area.right());
    if (result.bottom() > area.bottom())
        result.moveBottom(area.bottom());
    if (result.left() < area.left())
        result.moveLeft(area.left());
    if (result.top() < area.top())
        result.moveTop(area.top());
    return result;
}

QRect placeBesideTray(const QRect& anchor, const QSize& size, const QRect& screenGeometry,
                      const QRect& available, int gap)
{
    QRect placed(QPoint(0, 0), size);
    const QPoint centre = anchor.center();
    switch (trayEdgeOf(anchor, screenGeometry)) {
    case TrayEdge::top:
        placed.moveTopLeft({centre.x() - size.width() / 2, anchor.bottom() + 1 + gap});
        break;
    case TrayEdge::bottom:
        placed.moveBottomLeft({centre.x() - size.width() / 2, anchor.top() - 1 - gap});
        break;
    case TrayEdge::left:
        placed.moveTopLeft({anchor.right() + 1 + gap, centre.y() - size.height() / 2});
        break;
    case TrayEdge::right:
        placed.moveTopRight({anchor.left() - 1 - gap, centre.y() - size.height() / 2});
        break;
    }
    return keepInside(placed, available);
}

QRect placeToast(const QRect& anchor, const QSize& size, const QRect& screenGeometry,
                 const QRect& available)
{
    const TrayEdge edge = trayEdgeOf(anchor, screenGeometry);
    const bool alongHeight = edge == TrayEdge::top || edge == TrayEdge::bottom;
    const int depth = alongHeight ? size.height() : size.width();
    return placeBesideTray(anchor, size, screenGeometry, available,
                           std::max(toastMinimumGap, toastReach - depth));
}

} // namespace kinetta
