#pragma once

#include "model/ScreenPlacement.h"

#include <QList>
#include <QRect>
#include <QSizeF>
#include <optional>

namespace kinetta
{

// An area drawn on the still of a display that capture reports with frame
// (its rectangle in capture's logical pixels) and that is shown across a
// screen of screenPoints: the placement that maps the area's points onto
// that frame, so that the recorder crops the display's stream to it. A
// scaled monitor's pictures are larger than the frame; capture scales the
// crop from the frame to the pictures.
[[nodiscard]] ScreenPlacement stillPlacement(const QRect& displayFrame, const QSizeF& screenPoints);

// Which of the screens (their geometries in the system's order) shows the
// display with frame: the one with the same geometry, else the same size,
// else the same top-left corner; none when no screen fits.
[[nodiscard]] std::optional<qsizetype> screenShowingDisplay(const QList<QRect>& screens,
                                                            const QRect& displayFrame);

} // namespace kinetta
