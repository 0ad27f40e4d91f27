#include "ui/selection/OverlayScreen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace kinetta
{

QScreen* mouseScreen()
{
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
        return screen;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return primary;
    const auto screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.constFirst();
}

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
