#include "ui/preview/PreviewWindowSize.h"

#include <algorithm>

namespace kinetta
{

PreviewWindowSize previewWindowSize(std::optional<int> visibleHeight)
{
    const int screen = visibleHeight.value_or(900);
    const int height = visibleHeight ? std::min(660, screen - 60) : 660;
    return {QSize(680, height), QSize(520, 480), QSize(1200, std::max(height, screen - 40))};
}

} // namespace kinetta
