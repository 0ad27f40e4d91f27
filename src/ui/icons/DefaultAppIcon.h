#pragma once

#include <QImage>

namespace kinetta
{

// The neutral application glyph shown for a window that offers no icon of its
// own and whose class the icon theme does not know: a grey tile holding a
// small window outline. pixels × pixels, transparent around the tile.
[[nodiscard]] QImage drawDefaultAppIcon(int pixels);

} // namespace kinetta
