#include "ui/selection/AreaGeometry.h"

#include <algorithm>
#include <cmath>

namespace kinetta::area
{

QRectF clamped(const QRectF& rect, QSizeF bounds)
{
    const double width = std::min(bounds.width(), std::max(rect.width(), kMinimumSide));
    const double height = std::min(bounds.height(), std::max(rect.height(), kMinimumSide));
    const double x = std::min(bounds.width() - width, std::max(0.0, rect.left()));
    const double y = std::min(bounds.height() - height, std::max(0.0, rect.top()));
    return {x, y, width, height};
}

QRectF moved(const QRectF& rect, double dx, double dy, QSizeF bounds)
{
    return clamped(rect.translated(dx, dy), bounds);
}

QRectF resized(const QRectF& rect, double dw, double dh, QSizeF bounds)
{
    return clamped({rect.left(), rect.top(), std::max(rect.width() + dw, kMinimumSide),
                    std::max(rect.height() + dh, kMinimumSide)},
                   bounds);
}

QRectF defaultSelection(QSizeF bounds)
{
    // std::round rounds halves away from zero.
    const double width = std::round(std::min(bounds.width() * 0.7, 1280.0));
    const double height = std::round(std::min(bounds.height() * 0.7, 800.0));
    return clamped(
        {(bounds.width() - width) * 0.5, (bounds.height() - height) * 0.5, width, height}, bounds);
}

QRectF dragRect(QPointF start, QPointF end)
{
    return {std::min(start.x(), end.x()), std::min(start.y(), end.y()),
            std::abs(end.x() - start.x()), std::abs(end.y() - start.y())};
}

bool isDrawn(const QRectF& rect)
{
    return rect.width() > kDrawingSide && rect.height() > kDrawingSide;
}

bool isAcceptable(const QRectF& rect)
{
    return rect.width() > kAcceptanceSide && rect.height() > kAcceptanceSide;
}

std::optional<ArrowStep> arrowStep(int key, Qt::KeyboardModifiers modifiers)
{
    const double step = modifiers.testFlag(Qt::ShiftModifier) ? kShiftArrowStep : kArrowStep;
    ArrowStep result;
    result.resize = modifiers.testFlag(Qt::AltModifier);
    switch (key) {
    case Qt::Key_Left:
        result.dx = -step;
        break;
    case Qt::Key_Right:
        result.dx = step;
        break;
    case Qt::Key_Down:
        result.dy = step;
        break;
    case Qt::Key_Up:
        result.dy = -step;
        break;
    default:
        return std::nullopt;
    }
    return result;
}

QRectF applied(const ArrowStep& step, const QRectF& rect, QSizeF bounds)
{
    return step.resize ? resized(rect, step.dx, step.dy, bounds)
                       : moved(rect, step.dx, step.dy, bounds);
}

QRectF sizeBadgeRect(const QRectF& selection, QSizeF textSize, QSizeF bounds)
{
    const double height = textSize.height() + 2 * kBadgeTextInsetY;
    const double width = textSize.width() + 2 * kBadgeTextInsetX;
    double y = selection.top() - height - 10;
    if (y < 4)
        y = selection.bottom() + 10;
    const double x =
        std::max(4.0, std::min(bounds.width() - width - 4, selection.center().x() - width / 2));
    return {x, y, width, height};
}

InstructionsLayout instructionsLayout(QSizeF titleSize, QSizeF subtitleSize, QSizeF bounds)
{
    constexpr double gap = 10;
    const double width = std::max(titleSize.width(), subtitleSize.width());
    const double height = titleSize.height() + gap + subtitleSize.height();
    const double midX = bounds.width() / 2;
    const double left = midX - width / 2;
    const double top = bounds.height() / 2 - height / 2;
    return {QRectF(left - 28, top - 20, width + 56, height + 40),
            QPointF(midX - titleSize.width() / 2, top),
            QPointF(midX - subtitleSize.width() / 2, top + titleSize.height() + gap)};
}

QString widthText(const QRectF& rect)
{
    return QString::number(static_cast<long long>(std::trunc(rect.width())));
}

QString heightText(const QRectF& rect)
{
    return QString::number(static_cast<long long>(std::trunc(rect.height())));
}

} // namespace kinetta::area
