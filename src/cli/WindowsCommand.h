#pragma once

#include "model/WindowInfo.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace kinetta::cli
{

// One line per window: id (0x hex), application, title, x, y, width, height,
// separated by tabs. Tabs and line breaks inside names become spaces.
[[nodiscard]] QString formatWindowLine(const WindowInfo& window);

// `kinetta windows`: prints the windows `kinetta record --window` can record,
// in the window picker's order. 0 on success, 1 without a window list, 2 for
// a usage error.
[[nodiscard]] int runWindowsCommand(const QStringList& args);

} // namespace kinetta::cli
