#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <optional>

class QScreen;

namespace kinetta
{

// Which of the screens (their frames in the system's order) the overlays
// open on: the first that holds the pointer, edges included; else the
// primary one (primaryIndex, when there is one); else the first. None when
// there are no screens at all.
[[nodiscard]] std::optional<qsizetype> mouseScreenIndex(const QList<QRect>& frames,
                                                        const QPoint& pointer,
                                                        std::optional<qsizetype> primaryIndex);

// The same choice among the application's screens at the pointer; null
// when the system reports no screen.
[[nodiscard]] QScreen* mouseScreen();

} // namespace kinetta
