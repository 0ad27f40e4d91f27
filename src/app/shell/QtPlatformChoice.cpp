#include "app/shell/QtPlatformChoice.h"

#include <QFileInfo>
#include <QLibraryInfo>

namespace kinetta
{

// Why XWayland first on a Wayland session:
// - Clipboard: the GIF is delivered to the clipboard after a recording that
//   the hotkey or `kinetta --toggle` stopped, while none of our windows has
//   the keyboard. A native client may only set the Wayland selection with
//   the serial of a recent input event on a focused surface of its own, so
//   that copy would be refused; an X client owns the X clipboard without
//   focus and the compositor hands it on to Wayland programs.
// - Popovers and toasts: a native client cannot put a window at a position
//   (a popup needs a parent window; a parentless one becomes a toplevel that
//   a tiling compositor tiles). Unmanaged X windows go where they are put,
//   so the panel and toasts can sit near the tray icon when it tells where
//   it is, and centred on a screen otherwise.
// - Full-screen overlays (area still, countdown): an unmanaged X window
//   covers exactly the geometry of the monitor it is given; XWayland lists
//   the monitors at the compositor's logical positions, the same ones the
//   capture portal reports, so the recorded monitor is found by geometry.
// - The tray: Qt speaks StatusNotifierItem over D-Bus on either platform, so
//   nothing is lost; such a tray never reports the icon's geometry.
// What it costs: on a scaled monitor the compositor enlarges our windows
// (slightly soft), and XWayland must be there. Neither way can read the
// pointer outside our windows or observe keys; the shell handles both as a
// Wayland session whatever the plugin (see DesktopSession).
QtPlatformChoice chooseQtPlatform(const SessionEnvironment& environment,
                                  const std::function<bool(const QByteArray&)>& pluginAvailable)
{
    if (!environment.qtPlatform.isEmpty())
        return {{}, QStringLiteral("QT_QPA_PLATFORM is set to %1; kept")
                        .arg(QString::fromLocal8Bit(environment.qtPlatform))};
    if (!isWaylandSession(environment))
        return {{}, QStringLiteral("an X11 session: Qt's own choice")};
    if (!environment.x11Display.isEmpty() && pluginAvailable("xcb"))
        return {"xcb", QStringLiteral("a Wayland session with XWayland: running through XWayland "
                                      "for the clipboard, window placement and overlays")};
    if (pluginAvailable("wayland"))
        return {"wayland",
                QStringLiteral("a Wayland session without XWayland: running as a Wayland client; "
                               "the clipboard may refuse copies while no Kinetta window has the "
                               "keyboard")};
    return {{}, QStringLiteral("a Wayland session, but Qt has neither its XWayland nor its "
                               "Wayland platform here: Qt's own choice")};
}

QtPlatformChoice applyQtPlatformChoice()
{
    const QString folder =
        QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms/");
    // The Wayland platform comes as the generic (shared memory) and EGL plugins.
    const auto installed = [&folder](const QByteArray& plugin) {
        const QString name = QString::fromLatin1(plugin);
        return QFileInfo::exists(folder + QStringLiteral("libq%1.so").arg(name)) ||
               QFileInfo::exists(folder + QStringLiteral("libq%1-generic.so").arg(name)) ||
               QFileInfo::exists(folder + QStringLiteral("libq%1-egl.so").arg(name));
    };
    const QtPlatformChoice choice = chooseQtPlatform(SessionEnvironment::fromProcess(), installed);
    if (!choice.platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", choice.platform);
    return choice;
}

} // namespace kinetta
