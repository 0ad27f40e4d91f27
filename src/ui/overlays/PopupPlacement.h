#pragma once

#include <QRect>

namespace kinetta
{

// Where windows that belong to the tray icon open: the toasts and the
// recording popover sit next to the icon on the side facing the screen,
// below a tray at the top, above one at the bottom, beside one at a side,
// and always inside the screen's available area (its work area, without
// panels). Plain geometry, so the shell passes what it knows: the icon's
// rectangle (or the pointer as a 1 × 1 rectangle when the tray gives none).
enum class TrayEdge { top, bottom, left, right };

// The side of the screen the tray's panel takes: the side of the available
// area that the icon lies beyond, as a panel reserves its room; where the
// icon lies inside (no room reserved, or the pointer), the upper half of the
// screen counts as a tray at the top, the lower half as one at the bottom.
[[nodiscard]] TrayEdge trayEdgeOf(const QRect& anchor, const QRect& screenGeometry,
                                  const QRect& available);

// A window of size next to anchor, gap points off its near edge and centred
// on it along the tray, then held inside available.
[[nodiscard]] QRect placeBesideTray(const QRect& anchor, const QSize& size,
                                    const QRect& screenGeometry, const QRect& available, int gap);

// The height a window placed by placeBesideTray can take without covering
// the icon: from gap points off the icon's near edge to the far edge of
// available; the whole available height beside a tray at a side.
[[nodiscard]] int roomBesideTray(const QRect& anchor, const QRect& screenGeometry,
                                 const QRect& available, int gap);

// Toasts: the toast's far edge lies this far past the icon's near edge...
inline constexpr int toastReach = 54;
// ...but never closer to the icon than this.
inline constexpr int toastMinimumGap = 6;
[[nodiscard]] QRect placeToast(const QRect& anchor, const QSize& size, const QRect& screenGeometry,
                               const QRect& available);

// Where the tray tells no place and the pointer cannot be read (Wayland):
// a window of size centred in the available area of a screen.
[[nodiscard]] QRect centredIn(const QSize& size, const QRect& available);

// Keeps rect inside area, moving it (its top-left wins when it is the larger).
[[nodiscard]] QRect keepInside(const QRect& rect, const QRect& area);

} // namespace kinetta
