#pragma once

#include "app/FlowPort.h"
#include "app/FlowServices.h"
#include "app/GlobalKeys.h"
#include "app/PermissionsService.h"
#include "app/RecordingFlow.h"
#include "app/shell/LaunchRequest.h"
#include "app/shell/TrayMenu.h"
#include "capture/CaptureSource.h"
#include "model/Scheduler.h"
#include "ui/preview/PreviewWindow.h"
#include "ui/selection/ThumbnailLoader.h"

#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QRect>
#include <functional>
#include <memory>

class QMenu;
class QScreen;

namespace kinetta
{

class Announcer;
class AreaOverlay;
class ControlPanelView;
class CountdownOverlayView;
class DragOutFiles;
class FileWriter;
class HotKeyArming;
class PopoverWindow;
class PortalHotKey;
class RecordingHUDView;
class RecordingSession;
class StartAtLogin;
class ToastPresenter;
class TrayStatusItem;
class WindowIconLookup;
class WindowPickerWindow;

// What the shell is given: the services behind the recording and what it
// needs to know of the desktop. The program passes the real ones; tests pass
// fakes, virtual time and a screen query of their choice.
struct ShellServices {
    RecordingSession& session;
    Scheduler& scheduler;
    FlowRecorder& recorder;
    FlowEncoder& encoder;
    FlowDelivery& delivery;
    Announcer& announcer;
    FileWriter& writer;
    DragOutFiles& dragFiles;
    GlobalKeys::ObserverFactory keyObserver = createKeyObserver;
    PermissionsActions permissions;
    // Reads the executable's fingerprint and answers on the main thread.
    std::function<void(QObject* owner, std::function<void(QString)> done)> readFingerprint;
    // The screen under the pointer (overlays open there); null: no screen at all.
    std::function<QScreen*()> mouseScreen;
    WindowSnapshotFunction windowSnapshot;
    WindowIconLookup* windowIcons = nullptr;
    // Whether the desktop has a tray to put the icon in.
    bool trayAvailable = true;
    // Whether a compositing manager runs (translucent windows possible).
    std::function<bool()> compositing;
    bool reduceMotion = false;
    // The version line's and issue report's version.
    QString version;
    QString versionLine;
    // Whether the desktop starts the program at login, for the menu's
    // checkable entry; null: the entry shows unchecked and does nothing.
    StartAtLogin* startAtLogin = nullptr;
    // The desktop does not tell where the pointer is outside Kinetta's
    // windows (Wayland): what would open at the pointer when the tray tells
    // no place opens centred on mouseScreen() instead.
    bool pointerHidden = false;
    // Where keys pressed in other programs cannot be observed (Wayland): the
    // hotkey registered with the desktop, calling activated. Null: the key
    // observer above.
    std::function<std::unique_ptr<PortalHotKey>(std::function<void()> activated)> portalHotKey;
    // Where capture chooses the display (Wayland): CaptureSource::displayStill,
    // run off the GUI thread; the area is drawn on its picture. Null: on the
    // live screen.
    std::function<std::optional<CaptureResult<DisplayStill>>(bool showsCursor)> displayStill;
    // Why single windows cannot be recorded here; empty: the window picker.
    QString windowsUnavailable;
    // Where the desktop's chooser picks the window (Wayland):
    // CaptureSource::chooseWindow, run off the GUI thread at each window
    // recording's start. Null: the window picker.
    std::function<std::optional<CaptureResult<ShareableWindow>>(bool showsCursor)> chooseWindow;
};

// The owner of everything the tray program shows: the tray icon and its menu,
// the control panel and recording popovers, the countdown, area overlay,
// window picker, preview and toasts, at most one of each and dropped when
// closed, and the services the recording flow drives them through. Without a
// tray the panel and the HUD open as normal windows. Main thread only.
class TrayShell final : public QObject, public FlowPort
{
    Q_OBJECT

public:
    // The window section's line where the desktop's chooser picks the window.
    static inline const QString kWindowChooserNote =
        QStringLiteral("The desktop asks which window to record.");
    // The window section's line where the desktop offers no single windows.
    static inline const QString kWindowsUnavailable =
        QStringLiteral("Recording a single window is not available on this desktop: "
                       "Kinetta records a screen, or an area of it, here.");
    static inline const QString kCountdownHint =
        QStringLiteral("Countdown in progress. Press Escape to cancel.");
    // How long after an outside press closed a popover a click on the icon
    // is taken as that same press (the tray reports it after the close).
    static constexpr Scheduler::Duration reopenGuard{300};
    // The panel popover's height until the panel tells its own.
    static constexpr int panelInitialHeight = 540;

    explicit TrayShell(ShellServices services, QObject* parent = nullptr);
    ~TrayShell() override;

    // The launch sequence: tray icon, control panel popover, recording
    // popover, the flow with its subscriptions and stream errors, the hotkey.
    void launch();
    // The program's end: the global key observer goes. Nothing else needs
    // saving; the settings were stored as they changed.
    void terminate();

    // A left click on the tray icon.
    void handleStatusClick();
    // A menu entry, from the tray's menu or the panel header's menu.
    void handleMenuAction(TrayAction action);
    // What the hotkey does: start a recording, or stop the one running.
    void toggleRecording();
    // A later start of the program: a bare start opens the panel (the HUD
    // while recording), --toggle does what the hotkey does.
    void handleRequest(kinetta::InstanceRequest request);
    // The state the menu is built for now.
    [[nodiscard]] std::vector<TrayMenuEntry> menuEntries() const;

    // FlowPort
    void showCountdownOverlay() override;
    void hideCountdownOverlay() override;
    void installEscapeMonitor() override;
    void removeEscapeMonitor() override;
    [[nodiscard]] bool showAreaOverlay() override;
    void showWindowPicker() override;
    [[nodiscard]] bool showWindowChooser() override;
    void showPreviewWindow() override;
    void closePreviewWindow() override;
    void showControlPanel() override;
    void closeControlPanel() override;
    void closeRecordingPopover() override;
    [[nodiscard]] bool isRecordingPopoverShown() const override;
    void showToast(const Toast& toast) override;
    void hideToast() override;
    void updateStatusIcon(bool recording) override;
    void updateStatusTitle(std::int64_t seconds) override;
    void updateStatusCountdown(std::optional<std::int64_t> value) override;
    void announce(const Announcement& announcement) override;
    [[nodiscard]] QString stopInstruction() const override;

    // The parts, for tests and the desktop checks.
    [[nodiscard]] RecordingFlow& flow() const { return *m_flow; }
    [[nodiscard]] TrayStatusItem& statusItem() const { return *m_status; }
    [[nodiscard]] PopoverWindow* panelPopover() const { return m_panelPopover.get(); }
    [[nodiscard]] PopoverWindow* recordingPopover() const { return m_recordingPopover.get(); }
    [[nodiscard]] ControlPanelView* controlPanel() const;
    [[nodiscard]] RecordingHUDView* hud() const;
    [[nodiscard]] CountdownOverlayView* countdownOverlay() const { return m_countdown.get(); }
    [[nodiscard]] AreaOverlay& areaOverlay() const { return *m_areaOverlay; }
    [[nodiscard]] WindowPickerWindow& windowPicker() const { return *m_picker; }
    [[nodiscard]] PreviewWindow* previewWindow() const { return m_preview.data(); }
    [[nodiscard]] ToastPresenter& toasts() const { return *m_toasts; }
    [[nodiscard]] PermissionsService& permissions() const { return *m_permissions; }
    [[nodiscard]] GlobalKeys& globalKeys() const { return *m_keys; }
    // The hotkey as trust, repair and the banner see it: the portal's where
    // there is one, else the key observer.
    [[nodiscard]] GlobalKeyService& hotKey() const;
    [[nodiscard]] PortalHotKey* portalHotKey() const { return m_portalHotKey.get(); }
    [[nodiscard]] QMenu* headerMenu() const { return m_headerMenu.get(); }

Q_SIGNALS:
    // Without a tray, the user closed the panel window while nothing was
    // under way.
    void quitRequested();

private:
    void buildControlPanel();
    void openDesktopSettings();
    void setupRecordingPopover();
    void installGlobalHotKey();
    void keepPanelWindowInReach();
    // The panel back after the window picker closed.
    void handPanelBack();
    void holdPanelThroughHandOver();
    void togglePanelPopover();
    void toggleRecordingPopover();
    void openRecordingPopover();
    void startFromPanel(const std::function<void()>& start);
    // Area mode where capture chooses the display: its picture first, then
    // the selector on it, over the screen that shows that display.
    void openAreaOnStill();
    void showAreaOnStill(const CaptureResult<DisplayStill>& still);
    void popoverDismissedByPress(const QPoint& globalPos);
    // A recording, its countdown or encode, or a window of the program
    // other than the panel is open.
    [[nodiscard]] bool somethingUnderWay() const;
    // The tray icon's rectangle, or the pointer's where it can be read;
    // else empty, and popovers and toasts open centred on anchorScreen().
    [[nodiscard]] QRect trayAnchor() const;
    [[nodiscard]] QScreen* anchorScreen() const;
    [[nodiscard]] bool hasTray() const;

    ShellServices m_services;
    std::unique_ptr<TrayStatusItem> m_status;
    std::unique_ptr<PopoverWindow> m_panelPopover;
    std::unique_ptr<PopoverWindow> m_recordingPopover;
    std::unique_ptr<RecordingFlow> m_flow;
    std::unique_ptr<GlobalKeys> m_keys;
    std::unique_ptr<PortalHotKey> m_portalHotKey;
    std::unique_ptr<HotKeyArming> m_arming;
    std::unique_ptr<PermissionsService> m_permissions;
    std::unique_ptr<CountdownOverlayView> m_countdown;
    std::unique_ptr<AreaOverlay> m_areaOverlay;
    std::unique_ptr<WindowPickerWindow> m_picker;
    QPointer<PreviewWindow> m_preview;
    std::unique_ptr<ToastPresenter> m_toasts;
    // The menu opened from the panel's header when there is no tray.
    std::unique_ptr<QMenu> m_headerMenu;
    // A click on the icon right after an outside press closed a popover.
    bool m_swallowNextClick = false;
    TimerHandle m_swallowTimer;
    int m_panelHeight = panelInitialHeight;
    // The panel came back from the picker and has not had the focus yet.
    bool m_panelInHandOver = false;
    bool m_launched = false;
    // Counts the pictures asked for; a late answer for an older one is dropped.
    quint64 m_stillRequest = 0;
    bool m_stillPending = false;
    // The desktop's window chooser is open.
    bool m_chooserPending = false;
    // The screen that shows the display capture last chose (Wayland); the
    // countdown covers it.
    QPointer<QScreen> m_recordedScreen;
};

} // namespace kinetta
