#pragma once

#include <QSize>
#include <optional>

namespace kinetta
{

// How large the preview window opens and may grow, from the visible height of
// the main screen (none: no screen known).
struct PreviewWindowSize {
    QSize initial;
    QSize minimum;
    QSize maximum;
};

// Opens 680 wide and min(660, V − 60) high; at least 520 × 480; at most 1200
// wide and max(that height, V − 40) high. Without a screen V counts as 900
// and the height as 660.
[[nodiscard]] PreviewWindowSize previewWindowSize(std::optional<int> visibleHeight);

} // namespace kinetta
