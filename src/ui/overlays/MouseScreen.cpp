#include "ui/overlays/MouseScreen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace kinetta
{

std::optional<qsizetype> mouseScreenIndex(const QList<QRect>& frames, const QPoint& pointer,
                                          std::optional<qsizetype> primaryIndex)
{
    for (qsizetype i = 0; i < frames.size(); ++i) {
        if (frames[i].contains(pointer))
            return i;
    }
    if (primaryIndex && *primaryIndex >= 0 && *primaryIndex < frames.size())
        return primaryIndex;
    if (!frames.isEmpty())
        return 0;
    return std::nullopt;
}

QScreen* mouseScreen()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRect> frames;
    frames.reserve(screens.size());
    for (QScreen* screen : screens)
        frames.append(screen->geometry());
    const qsizetype primary = screens.indexOf(QGuiApplication::primaryScreen());
    const std::optional<qsizetype> index = mouseScreenIndex(
        frames, QCursor::pos(), primary >= 0 ? std::optional<qsizetype>(primary) : std::nullopt);
    return index ? screens[*index] : nullptr;
}

} // namespace kinetta
