#pragma once

#include "model/ScreenPlacement.h"

class QScreen;

namespace kinetta
{

// Where a screen lies in the root window's device pixels. Qt keeps a screen's
// top-left corner in device pixels and divides only its size by the ratio.
[[nodiscard]] ScreenPlacement screenPlacement(const QScreen& screen);

} // namespace kinetta
