#include "app/shell/TrayShell.h"

#include "app/BackgroundCall.h"
#include "app/ExecutableFingerprint.h"
#include "app/HotKeyArming.h"
#include "app/PortalHotKey.h"
#include "app/shell/DesktopSettings.h"
#include "app/shell/PopoverWindow.h"
#include "app/shell/StartAtLogin.h"
#include "app/shell/StartAtLoginToggle.h"
#include "app/shell/StatusAppearance.h"
#include "app/shell/TrayStatusItem.h"
#include "model/RecordingSession.h"
#include "ui/common/Announcer.h"
#include "ui/icons/WindowIconLookup.h"
#include "ui/overlays/CountdownOverlayView.h"
#include "ui/overlays/RecordingHUDView.h"
#include "ui/overlays/ToastPresenter.h"
#include "ui/panel/ControlPanelView.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelSections.h"
#include "ui/preview/PreviewWindow.h"
#include "ui/selection/AreaOverlay.h"
#include "ui/selection/WindowPickerWindow.h"

#include <QCursor>
#include <QLoggingCategory>
#include <QMenu>
#include <QScreen>
#include <QStandardPaths>

namespace kinetta
{

// Debug messages off unless asked for (QT_LOGGING_RULES).
Q_LOGGING_CATEGORY(lcShell, "kinetta.shell", QtInfoMsg)

TrayShell::TrayShell(ShellServices services, QObject* parent)
    : QObject(parent), m_services(std::move(services))
{
    if (!m_services.compositing)
        m_services.compositing = [] { return false; };
    const bool composited = m_services.compositing();
    m_toasts = std::make_unique<ToastPresenter>(m_services.scheduler, composited);
    m_areaOverlay = std::make_unique<AreaOverlay>(
        AreaOverlay::Services{
            m_services.scheduler, m_services.announcer, m_services.session,
            [this](QRectF area, ScreenPlacement screen) { m_flow->beginRecording(area, screen); },
            m_services.compositing, m_services.reduceMotion},
        this);
    m_picker = std::make_unique<WindowPickerWindow>(
        WindowPickerWindow::Services{{m_services.session, m_services.scheduler,
                                      m_services.announcer, m_services.windowSnapshot,
                                      m_services.windowIcons, m_services.reduceMotion},
                                     [this] { handPanelBack(); },
                                     composited},
        this);
}

TrayShell::~TrayShell()
{
    // Those that report to this port or use one another go first, in order;
    // with the key observer the global hotkey ends.
    m_permissions.reset();
    m_arming.reset();
    m_portalHotKey.reset();
    m_keys.reset();
    m_flow.reset();
    delete m_preview.data();
}

void TrayShell::launch()
{
    if (m_launched)
        return;
    m_launched = true;
    // The tray icon; its click opens the panel or the recording popover.
    m_status = std::make_unique<TrayStatusItem>(m_services.trayAvailable,
                                                [this] { return menuEntries(); });
    connect(m_status.get(), &TrayStatusItem::leftClicked, this, &TrayShell::handleStatusClick);
    connect(m_status.get(), &TrayStatusItem::menuActionTriggered, this,
            &TrayShell::handleMenuAction);
    m_status->show();
    buildControlPanel();
    setupRecordingPopover();
    // The flow follows isRecording (status icon, closing the recording
    // popover) and turns the recorder's stream errors into a stop with the
    // reason in the panel, from its construction on.
    m_flow = std::make_unique<RecordingFlow>(
        RecordingFlow::Services{m_services.session, m_services.scheduler, *this,
                                m_services.recorder, m_services.encoder, m_services.delivery},
        this);
    // X11 asks no permission to capture the screen: nothing to request here.
    installGlobalHotKey();
    if (!hasTray())
        keepPanelWindowInReach();
}

void TrayShell::terminate()
{
    if (m_keys)
        m_keys->remove();
    // Its session and shortcut go with it.
    m_portalHotKey.reset();
}

void TrayShell::keepPanelWindowInReach()
{
    // Without a tray icon the panel window is the program's presence: it
    // comes back whenever nothing else is under way.
    connect(m_flow.get(), &RecordingFlow::phaseChanged, this, [this](RecordingFlow::Phase phase) {
        if (phase == RecordingFlow::Phase::idle)
            showControlPanel();
    });
    connect(m_areaOverlay.get(), &AreaOverlay::cancelled, this, &TrayShell::showControlPanel);
    showControlPanel();
}

void TrayShell::handleRequest(InstanceRequest request)
{
    if (request == InstanceRequest::toggleRecording) {
        toggleRecording();
        return;
    }
    // A bare start opens what the icon's click would: the panel offers no
    // stop while a recording runs, the HUD does.
    if (m_services.session.isCountingDown())
        m_services.announcer.announce(kCountdownHint, Announcer::outcomePriority);
    else if (m_services.session.isRecording())
        openRecordingPopover();
    else
        showControlPanel();
}

void TrayShell::buildControlPanel()
{
    ControlPanelCallbacks callbacks;
    callbacks.onStart = [this] { startFromPanel([this] { m_flow->initiateRecording(); }); };
    callbacks.onUseLastArea = [this] {
        startFromPanel([this] {
            m_flow->beginRecording(m_services.session.selectedRect(),
                                   m_services.session.selectedScreen());
        });
    };
    callbacks.onChooseWindow = [this] {
        closeControlPanel();
        showWindowPicker();
    };
    // The panel tells its height from its construction on, before the popover exists.
    callbacks.onHeightChange = [this](int height) {
        m_panelHeight = height;
        if (m_panelPopover)
            m_panelPopover->setContentSize(QSize(ControlPanelView::kWidth, height));
    };
    // On X11 the repair is the observer installed afresh; no settings pane
    // grants anything here. The panel hears back through hotKeyReset.
    callbacks.onRepairHotKey = [this] { m_permissions->resetHotKeyPermission(); };

    ControlPanelEnvironment environment;
    environment.isHotKeyTrusted = [this] { return !m_keys || hotKey().isTrusted(); };
    environment.hotKeyProblem = [this] {
        return m_portalHotKey ? m_portalHotKey->problem() : QString();
    };
    environment.quit = [this] { m_services.permissions.quit(); };
    environment.openPrivacySettings = [this] { openDesktopSettings(); };
    environment.relaunch = [this] { m_permissions->relaunch(); };
    environment.announcer = &m_services.announcer;
    environment.scheduler = &m_services.scheduler;
    environment.reduceMotion = m_services.reduceMotion;
    environment.windowsUnavailable = m_services.windowsUnavailable;
    if (m_services.chooseWindow)
        environment.windowChooserNote = kWindowChooserNote;
    environment.screen = [this]() -> std::optional<ScreenMetrics> {
        const QScreen* screen = m_services.mouseScreen();
        if (!screen)
            return std::nullopt;
        return ScreenMetrics{QSizeF(screen->geometry().size()), screen->devicePixelRatio()};
    };
    if (WindowIconLookup* icons = m_services.windowIcons)
        environment.windowIcon = [icons](const WindowInfo& window, int side, qreal ratio) {
            return icons->icon(window, side, ratio).image;
        };

    auto* panel =
        new ControlPanelView(m_services.session, std::move(callbacks), std::move(environment));
    m_panelPopover = std::make_unique<PopoverWindow>(
        panel, hasTray() ? PopoverWindow::Style::popup : PopoverWindow::Style::window,
        m_services.compositing());
    m_panelPopover->setObjectName(QStringLiteral("controlPanelPopover"));
    m_panelPopover->setContentSize(QSize(ControlPanelView::kWidth, m_panelHeight));
    connect(m_panelPopover.get(), &PopoverWindow::dismissedByOutsidePress, this,
            &TrayShell::popoverDismissedByPress);
    holdPanelThroughHandOver();
    if (!hasTray()) {
        // The tray's menu, reachable from the panel's header instead.
        panel::TextButton* button = panel->parts().header->menuButton();
        button->setVisible(true);
        connect(button, &QAbstractButton::clicked, this, [this, button] {
            m_headerMenu = std::make_unique<QMenu>();
            m_headerMenu->setObjectName(QStringLiteral("trayMenu"));
            m_status->fillMenu(*m_headerMenu);
            m_headerMenu->popup(button->mapToGlobal(QPoint(0, button->height())));
        });
    }
    // Without a tray, closing the panel window quits, unless that would end
    // something under way: then it waits in the taskbar.
    m_panelPopover->setMinimizedOnClose([this] { return somethingUnderWay(); });
    connect(m_panelPopover.get(), &PopoverWindow::closedByUser, this, &TrayShell::quitRequested);
}

bool TrayShell::somethingUnderWay() const
{
    return m_flow->phase() != RecordingFlow::Phase::idle || m_flow->isEncoding() ||
           m_stillPending || m_chooserPending || m_areaOverlay->view() || m_picker->isOpen() ||
           m_preview;
}

void TrayShell::openDesktopSettings()
{
    // Finding and starting the program touch the disk: off the GUI thread.
    runInBackground(
        this,
        [start = m_services.permissions.startDetached] {
            const QString program = desktopSettingsProgram(
                qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
                [](const QString& name) { return QStandardPaths::findExecutable(name); });
            return !program.isEmpty() && start(program, {});
        },
        [](bool started) {
            if (!started)
                qCInfo(lcShell) << "No settings program of the desktop could be started";
        });
}

void TrayShell::setupRecordingPopover()
{
    auto* hudView = new RecordingHUDView(
        m_services.session, m_services.scheduler, &m_services.announcer, m_services.reduceMotion,
        [this] { m_flow->stopFromPopover(); }, [this] { m_flow->discardFromPopover(); });
    m_recordingPopover = std::make_unique<PopoverWindow>(
        hudView, hasTray() ? PopoverWindow::Style::popup : PopoverWindow::Style::window,
        m_services.compositing());
    m_recordingPopover->setObjectName(QStringLiteral("recordingPopover"));
    m_recordingPopover->setWindowTitle(QStringLiteral("Kinetta Recording"));
    m_recordingPopover->setContentSize(
        QSize(RecordingHUDView::contentWidth, RecordingHUDView::heightWithoutAutoStop));
    connect(m_recordingPopover.get(), &PopoverWindow::dismissedByOutsidePress, this,
            &TrayShell::popoverDismissedByPress);
    // The title was not updated while the popover covered it: whichever way
    // it closes, the elapsed time shows again at once.
    connect(m_recordingPopover.get(), &PopoverWindow::closed, this, [this] {
        if (m_services.session.isRecording())
            updateStatusTitle(m_services.session.recordingSeconds());
    });
    // Without a tray its window is the one way to stop with the mouse.
    m_recordingPopover->setMinimizedOnClose([this] { return m_services.session.isRecording(); });
    if (!hasTray()) {
        // Nothing else shows a running recording: its window opens with it.
        connect(&m_services.session, &RecordingSession::isRecordingChanged, this,
                [this](bool recording) {
                    if (recording)
                        openRecordingPopover();
                });
    }
}

void TrayShell::installGlobalHotKey()
{
    m_keys = std::make_unique<GlobalKeys>(*m_flow, *this, m_services.keyObserver);
    if (m_services.portalHotKey) {
        m_portalHotKey = m_services.portalHotKey([this] { toggleRecording(); });
        // Registering answers later; the banner follows.
        connect(m_portalHotKey.get(), &PortalHotKey::stateChanged, this,
                [this] { controlPanel()->refreshHotKeyState(); });
    }
    m_arming = std::make_unique<HotKeyArming>(hotKey(), m_services.session.preferences());
    m_permissions = std::make_unique<PermissionsService>(
        *m_arming, m_services.permissions, m_services.version, this,
        m_portalHotKey ? portalHotKeyResetConfirmation() : hotKeyResetConfirmation());
    connect(m_permissions.get(), &PermissionsService::hotKeyReset, this,
            [this](bool) { controlPanel()->refreshHotKeyState(); });
    // The fingerprint is read from the disk, so off the GUI thread; the
    // observer is armed once it is known.
    const auto arm = [self = QPointer(this)](const QString& fingerprint) {
        if (!self)
            return;
        const LaunchDecision decision = self->m_arming->armAtLaunch(fingerprint);
        qCDebug(lcShell) << "Hotkey armed; same executable:" << decision.sameExecutable
                         << "trusted:" << self->m_keys->isTrusted();
        self->controlPanel()->refreshHotKeyState();
    };
    if (m_services.readFingerprint)
        m_services.readFingerprint(this, arm);
    else
        readFingerprintInBackground(this, arm);
}

GlobalKeyService& TrayShell::hotKey() const
{
    if (m_portalHotKey)
        return *m_portalHotKey;
    return *m_keys;
}

ControlPanelView* TrayShell::controlPanel() const
{
    return m_panelPopover ? static_cast<ControlPanelView*>(m_panelPopover->content()) : nullptr;
}

RecordingHUDView* TrayShell::hud() const
{
    return m_recordingPopover ? static_cast<RecordingHUDView*>(m_recordingPopover->content())
                              : nullptr;
}

bool TrayShell::hasTray() const
{
    return m_status && m_status->hasTray();
}

QRect TrayShell::trayAnchor() const
{
    const QRect icon = m_status ? m_status->geometry() : QRect();
    if (!icon.isEmpty() || m_services.pointerHidden)
        return icon;
    return QRect(QCursor::pos(), QSize(1, 1));
}

QScreen* TrayShell::anchorScreen() const
{
    return m_services.pointerHidden ? m_services.mouseScreen() : nullptr;
}

void TrayShell::startFromPanel(const std::function<void()>& start)
{
    closeControlPanel();
    start();
}

void TrayShell::popoverDismissedByPress(const QPoint& globalPos)
{
    const QRect icon = m_status ? m_status->geometry() : QRect();
    if (!icon.isEmpty() && !icon.contains(globalPos))
        return;
    m_swallowNextClick = true;
    m_swallowTimer =
        m_services.scheduler.singleShot(reopenGuard, [this] { m_swallowNextClick = false; });
}

void TrayShell::handleStatusClick()
{
    if (std::exchange(m_swallowNextClick, false)) {
        m_swallowTimer.cancel();
        return;
    }
    // Trust gained since launch takes effect at the next click.
    if (m_arming && !m_arming->armedWhileTrusted() && m_arming->rearmIfTrustGranted())
        controlPanel()->refreshHotKeyState();
    if (m_services.session.isCountingDown()) {
        m_services.announcer.announce(kCountdownHint, Announcer::outcomePriority);
        return;
    }
    if (m_services.session.isRecording())
        toggleRecordingPopover();
    else
        togglePanelPopover();
}

void TrayShell::togglePanelPopover()
{
    if (m_panelPopover->isVisible())
        closeControlPanel();
    else
        showControlPanel();
}

void TrayShell::toggleRecordingPopover()
{
    if (!m_recordingPopover->isVisible()) {
        openRecordingPopover();
        return;
    }
    closeRecordingPopover();
}

void TrayShell::openRecordingPopover()
{
    m_recordingPopover->setContentSize(
        QSize(RecordingHUDView::contentWidth, m_services.session.useAutoStop()
                                                  ? RecordingHUDView::heightWithAutoStop
                                                  : RecordingHUDView::heightWithoutAutoStop));
    m_recordingPopover->open(trayAnchor(), anchorScreen());
}

void TrayShell::toggleRecording()
{
    if (m_keys)
        m_keys->hotkeyPressed();
}

std::vector<TrayMenuEntry> TrayShell::menuEntries() const
{
    TrayMenuState state;
    const RecordingSession& session = m_services.session;
    state.phase = session.isCountingDown() ? TrayMenuState::Phase::countingDown
                  : session.isRecording()  ? TrayMenuState::Phase::recording
                                           : TrayMenuState::Phase::idle;
    state.hasCapturedFrames = !session.capturedFrames().empty();
    state.startsAtLogin = m_services.startAtLogin && m_services.startAtLogin->isEnabled();
    return trayMenuEntries(state, m_services.versionLine);
}

void TrayShell::handleMenuAction(TrayAction action)
{
    switch (action) {
    case TrayAction::cancelCountdown:
        m_flow->cancelCountdownFromMenu();
        return;
    case TrayAction::stopRecording:
        m_flow->stopFromMenu();
        return;
    case TrayAction::discardRecording:
        m_flow->discardFromMenu();
        return;
    case TrayAction::recordAgain:
        m_flow->recordAgainFromMenu();
        return;
    case TrayAction::recordScreen:
        m_flow->recordScreen();
        return;
    case TrayAction::recordWindow:
        m_flow->recordWindow();
        return;
    case TrayAction::recordArea:
        m_flow->recordArea();
        return;
    case TrayAction::resetScreenPermission:
        m_permissions->resetScreenPermission();
        return;
    case TrayAction::resetHotKeyPermission:
        m_permissions->resetHotKeyFromMenu();
        return;
    case TrayAction::toggleStartAtLogin:
        if (m_services.startAtLogin)
            toggleStartAtLogin(*m_services.startAtLogin);
        return;
    case TrayAction::reportIssue:
        m_permissions->openReportUrl();
        return;
    case TrayAction::quit:
        m_services.permissions.quit();
        return;
    }
}

} // namespace kinetta
