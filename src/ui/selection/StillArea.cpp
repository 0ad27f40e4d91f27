#include "ui/selection/StillArea.h"

#include <algorithm>

namespace kinetta
{

ScreenPlacement stillPlacement(const QRect& displayFrame, const QSizeF& screenPoints)
{
    const double ratio = screenPoints.width() > 0
                             ? static_cast<double>(displayFrame.width()) / screenPoints.width()
                             : 1.0;
    return {displayFrame, ratio};
}

std::optional<qsizetype> screenShowingDisplay(const QList<QRect>& screens,
                                              const QRect& displayFrame)
{
    const auto first = [&screens](auto&& fits) -> std::optional<qsizetype> {
        const auto found = std::find_if(screens.begin(), screens.end(), fits);
        if (found == screens.end())
            return std::nullopt;
        return found - screens.begin();
    };
    if (auto same = first([&](const QRect& s) { return s == displayFrame; }))
        return same;
    // A portal that tells no position puts the display at the origin.
    if (auto sized = first([&](const QRect& s) { return s.size() == displayFrame.size(); }))
        return sized;
    return first([&](const QRect& s) { return s.topLeft() == displayFrame.topLeft(); });
}

} // namespace kinetta
