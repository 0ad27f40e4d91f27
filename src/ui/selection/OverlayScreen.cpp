#include "ui/selection/OverlayScreen.h"

#include <QScreen>
#include <cmath>

namespace kinetta
{

ScreenPlacement screenPlacement(const QScreen& screen)
{
    const QRect geometry = screen.geometry();
    const double ratio = screen.devicePixelRatio();
    return {
        QRect(geometry.topLeft(), QSize(static_cast<int>(std::lround(geometry.width() * ratio)),
                                        static_cast<int>(std::lround(geometry.height() * ratio)))),
        ratio};
}

} // namespace kinetta
