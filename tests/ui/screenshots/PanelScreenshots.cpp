// The control panel in each capture mode and with each banner.
#include "Screenshots.h"
#include "app/PortalHotKey.h"
#include "app/shell/TrayShell.h"
#include "model/RecordingSession.h"
#include "ui/panel/ControlPanelView.h"
#include "ui/panel/RecordButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QPixmap>

namespace
{

using namespace kinetta;

// A panel over session at twice the density, as a HiDPI screen shows it.
QImage render(RecordingSession& session, bool hotKeyTrusted = true,
              const std::function<void(ControlPanelView&)>& prepare = {},
              const std::function<void(ControlPanelEnvironment&)>& desktop = {})
{
    ControlPanelEnvironment environment;
    environment.isHotKeyTrusted = [hotKeyTrusted] { return hotKeyTrusted; };
    environment.screen = [] { return ScreenMetrics{QSizeF(1440, 900), 2.0}; };
    if (desktop)
        desktop(environment);
    ControlPanelView panel(session, {}, environment);
    panel.ensurePolished();
    // Shown, as on a desktop: the panel takes its height from the layout
    // requests it is then posted, and its settings fit without scrolling.
    panel.show();
    QCoreApplication::processEvents();
    // No key has been pressed yet: nothing shows the focus.
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
    if (prepare)
        prepare(panel);
    QPixmap pixmap(panel.size() * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    panel.render(&pixmap);
    return pixmap.toImage();
}

WindowInfo editorWindow()
{
    WindowInfo window;
    window.windowID = 0x1200007;
    window.appName = QStringLiteral("Text Editor");
    window.title = QStringLiteral("release-notes.md — ~/projects/kinetta");
    window.frame = QRectF(120, 80, 1280, 800);
    window.className = QStringLiteral("TextEditor");
    return window;
}

std::vector<screenshots::Shot> panelShots()
{
    std::vector<screenshots::Shot> shots;
    const auto add = [&](const QString& name, const std::function<void(RecordingSession&)>& set,
                         bool hotKeyTrusted = true,
                         const std::function<void(ControlPanelView&)>& prepare = {},
                         const std::function<void(ControlPanelEnvironment&)>& desktop = {}) {
        RecordingSession session;
        set(session);
        shots.push_back({QStringLiteral("panel-") + name,
                         render(session, hotKeyTrusted, prepare, desktop)});
    };
    const auto windowMode = [](RecordingSession& s) { s.setCaptureMode(CaptureMode::window); };
    add(QStringLiteral("screen"), [](RecordingSession&) {});
    add(QStringLiteral("window-none"), windowMode);
    add(QStringLiteral("window-chosen"), [](RecordingSession& s) {
        s.setCaptureMode(CaptureMode::window);
        s.setSelectedWindow(editorWindow());
    });
    add(QStringLiteral("area-none"),
        [](RecordingSession& s) { s.setCaptureMode(CaptureMode::area); });
    add(QStringLiteral("area-saved"), [](RecordingSession& s) {
        s.setCaptureMode(CaptureMode::area);
        s.setSelectedRect(QRectF(200, 150, 801, 401));
    });
    add(
        QStringLiteral("hotkey-banner"), [](RecordingSession&) {}, false);
    add(QStringLiteral("error-screen-capture"), [](RecordingSession& s) {
        s.setErrorMessage(QStringLiteral("Screen Recording permission denied.\n\nAllow Kinetta to "
                                         "record the screen, then relaunch."));
    });
    add(QStringLiteral("error-other"), [](RecordingSession& s) {
        s.setErrorMessage(QStringLiteral("The X server refused the capture: the window is gone."));
    });
    add(QStringLiteral("autostop-on"), [](RecordingSession& s) {
        s.setUseAutoStop(true);
        s.setAutoStopSeconds(45);
        s.setLoopCount(3);
        s.setFps(24);
        s.setScale(1.0);
    });
    add(QStringLiteral("autostop-off"), [](RecordingSession& s) {
        s.setUseAutoStop(false);
        s.setUseCountdown(false);
        s.setAutoCopy(true);
        s.setShowCursor(false);
        s.setFps(5);
        s.setScale(0.25);
    });
    add(
        QStringLiteral("record-hovered"), [](RecordingSession&) {}, true,
        [](ControlPanelView& panel) {
            RecordButton* button = panel.parts().record;
            const QPointF inside = button->buttonRect().center();
            QEnterEvent enter(inside, inside, button->mapToGlobal(inside));
            QApplication::sendEvent(button, &enter);
        });
    // A Wayland desktop: the portal's chooser or no single windows at all,
    // and a hotkey bound through the desktop's shortcuts or not at all.
    add(QStringLiteral("wayland-window-chooser"), windowMode, true, {},
        [](ControlPanelEnvironment& e) { e.windowChooserNote = TrayShell::kWindowChooserNote; });
    add(QStringLiteral("wayland-window-unavailable"), windowMode, true, {},
        [](ControlPanelEnvironment& e) { e.windowsUnavailable = TrayShell::kWindowsUnavailable; });
    add(
        QStringLiteral("wayland-hotkey-banner"), [](RecordingSession&) {}, false, {},
        [](ControlPanelEnvironment& e) {
            e.hotKeyProblem = [] { return PortalHotKey::unavailableText(); };
        });
    return shots;
}

const bool registered = screenshots::add("panel", panelShots);

} // namespace
