#pragma once

#include <QString>
#include <functional>

namespace kinetta
{

// Finds a program by name on the PATH; empty when it is not there.
using ProgramFinder = std::function<QString(const QString& name)>;

// The desktop's own settings program, where the user allows screen capture
// and shortcuts: the one of the desktop named in currentDesktop
// ($XDG_CURRENT_DESKTOP, colon-separated) when it is installed, else the
// first known one that is; empty when none is. Looks at the disk: call it
// off the GUI thread.
[[nodiscard]] QString desktopSettingsProgram(const QString& currentDesktop,
                                             const ProgramFinder& find);

} // namespace kinetta
