#pragma once

#include "model/DesktopSession.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace kinetta
{

// Which of Qt's platform plugins the tray program runs on, and why.
struct QtPlatformChoice {
    // The plugin's name for QT_QPA_PLATFORM; empty: leave Qt's own choice.
    QByteArray platform;
    QString reason;
};

// On a Wayland session the tray program prefers XWayland ("xcb") where the
// desktop offers an X display, and runs as a native Wayland client otherwise.
// A platform the user set is kept. pluginAvailable tells whether Qt has the
// named platform plugin installed.
[[nodiscard]] QtPlatformChoice
chooseQtPlatform(const SessionEnvironment& environment,
                 const std::function<bool(const QByteArray& plugin)>& pluginAvailable);

// The one place the choice is made: reads the environment and Qt's plugin
// folder and sets QT_QPA_PLATFORM. Must run before the QApplication exists.
QtPlatformChoice applyQtPlatformChoice();

} // namespace kinetta
