#pragma once

#include "app/shell/StatusAppearance.h"

#include <QIcon>
#include <QImage>

namespace kinetta
{

// The tray icon's picture for an appearance, drawn by the program at whatever
// size the tray asks for. Every picture sits on a disc of its own colour, so
// it reads on a dark panel and on a light one alike:
// - idle and countdown ended: the record symbol, white on the brand purple;
// - counting down: the number, white and as large as the disc allows;
// - recording: the red stop symbol inside a ring that fills once a minute,
//   the whole elapsed time under it where the digits are legible at that
//   size, else the minutes alone on a small badge once the first has passed.
[[nodiscard]] QIcon statusIcon(const StatusAppearance& appearance);
// The same picture sizePx device-independent pixels square, drawn at the
// device pixel ratio (the image carries it).
[[nodiscard]] QImage statusIconImage(const StatusAppearance& appearance, int sizePx,
                                     qreal devicePixelRatio = 1);

} // namespace kinetta
