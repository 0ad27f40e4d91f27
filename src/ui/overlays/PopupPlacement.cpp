#include "ui/overlays/PopupPlacement.h"

#include <algorithm>

namespace kinetta
{

TrayEdge trayEdgeOf(const QRect& anchor, const QRect& screenGeometry, const QRect& available)
{
    if (anchor.bottom() < available.top())
        return TrayEdge::top;
    if (anchor.top() > available.bottom())
        return TrayEdge::bottom;
    if (anchor.right() < available.left())
        return TrayEdge::left;
    if (anchor.left() > available.right())
        return TrayEdge::right;
    return anchor.center().y() < screenGeometry.center().y() ? TrayEdge::top : TrayEdge::bottom;
}

QRect centredIn(const QSize& size, const QRect& available)
{
    QRect placed(QPoint(0, 0), size);
    placed.moveCenter(available.center());
    return keepInside(placed, available);
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
    switch (trayEdgeOf(anchor, screenGeometry, available)) {
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

int roomBesideTray(const QRect& anchor, const QRect& screenGeometry, const QRect& available,
                   int gap)
{
    switch (trayEdgeOf(anchor, screenGeometry, available)) {
    case TrayEdge::top:
        return available.bottom() + 1 - std::max(available.top(), anchor.bottom() + 1 + gap);
    case TrayEdge::bottom:
        return std::min(available.bottom() + 1, anchor.top() - gap) - available.top();
    case TrayEdge::left:
    case TrayEdge::right:
        break;
    }
    return available.height();
}

QRect placeToast(const QRect& anchor, const QSize& size, const QRect& screenGeometry,
                 const QRect& available)
{
    const TrayEdge edge = trayEdgeOf(anchor, screenGeometry, available);
    const bool alongHeight = edge == TrayEdge::top || edge == TrayEdge::bottom;
    const int depth = alongHeight ? size.height() : size.width();
    return placeBesideTray(anchor, size, screenGeometry, available,
                           std::max(toastMinimumGap, toastReach - depth));
}

} // namespace kinetta
