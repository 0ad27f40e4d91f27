// The shell's FlowPort: what the recording flow shows, on the real windows.
#include "app/BackgroundCall.h"
#include "app/shell/PopoverWindow.h"
#include "app/shell/StatusAppearance.h"
#include "app/shell/TrayShell.h"
#include "app/shell/TrayStatusItem.h"
#include "model/RecordingSession.h"
#include "ui/common/Announcer.h"
#include "ui/overlays/CountdownOverlayView.h"
#include "ui/overlays/ToastPresenter.h"
#include "ui/overlays/ToastView.h"
#include "ui/panel/ControlPanelView.h"
#include "ui/preview/PreviewWindow.h"
#include "ui/selection/AreaOverlay.h"
#include "ui/selection/AreaSelectorView.h"
#include "ui/selection/StillArea.h"
#include "ui/selection/WindowPickerView.h"
#include "ui/selection/WindowPickerWindow.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QWindow>

namespace kinetta
{

Q_DECLARE_LOGGING_CATEGORY(lcShell)

void TrayShell::showCountdownOverlay()
{
    // Where capture chose the display, the countdown covers that one.
    QScreen* screen = m_recordedScreen ? m_recordedScreen.data() : m_services.mouseScreen();
    if (!screen) {
        // The tray icon still counts down; there is nothing to cover.
        qCInfo(lcShell) << "No screen for the countdown overlay";
        return;
    }
    m_countdown = CountdownOverlayView::openOn(screen, m_services.session, m_services.scheduler,
                                               m_services.reduceMotion, m_services.compositing(),
                                               &m_services.announcer);
    m_countdown->setObjectName(QStringLiteral("countdownOverlay"));
}

void TrayShell::hideCountdownOverlay()
{
    if (m_countdown) {
        m_countdown->hide();
        m_countdown.reset();
    }
}

void TrayShell::installEscapeMonitor()
{
    if (m_keys)
        m_keys->installEscapeMonitor();
}

void TrayShell::removeEscapeMonitor()
{
    if (m_keys)
        m_keys->removeEscapeMonitor();
}

bool TrayShell::showAreaOverlay()
{
    if (m_services.displayStill) {
        openAreaOnStill();
        return true;
    }
    // Without a screen the flow refuses the start and the panel says why.
    if (!m_services.mouseScreen() || !m_areaOverlay->show())
        return false;
    m_areaOverlay->view()->window()->setObjectName(QStringLiteral("areaOverlay"));
    return true;
}

void TrayShell::openAreaOnStill()
{
    const quint64 request = ++m_stillRequest;
    m_stillPending = true;
    // The desktop's dialog may wait for the user; the picture follows.
    runInBackground(
        this,
        [still = m_services.displayStill, cursor = m_services.session.showCursor()] {
            return still(cursor);
        },
        [this, request](const std::optional<CaptureResult<DisplayStill>>& still) {
            if (request != m_stillRequest)
                return;
            m_stillPending = false;
            if (still)
                showAreaOnStill(*still);
            // A capture that draws areas on the live screen after all.
            else if (!m_areaOverlay->show())
                m_flow->failStart(RecordingFlow::noScreenText());
        });
}

void TrayShell::showAreaOnStill(const CaptureResult<DisplayStill>& still)
{
    if (!still.ok()) {
        m_flow->failStart(still.error().message);
        return;
    }
    const DisplayStill& picture = still.value();
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRect> geometries;
    for (QScreen* screen : screens)
        geometries.append(screen->geometry());
    const auto shown = screenShowingDisplay(geometries, picture.display.frame);
    QScreen* screen = shown ? screens[*shown] : m_services.mouseScreen();
    if (!screen) {
        m_flow->failStart(RecordingFlow::noScreenText());
        return;
    }
    m_recordedScreen = screen;
    m_areaOverlay->showOnStill(
        *screen, picture.image,
        stillPlacement(picture.display.frame, QSizeF(screen->geometry().size())));
    m_areaOverlay->view()->window()->setObjectName(QStringLiteral("areaOverlay"));
}

void TrayShell::showWindowPicker()
{
    // No windows to pick: the panel's window section says why.
    if (!m_services.windowsUnavailable.isEmpty()) {
        showControlPanel();
        m_services.announcer.announce(m_services.windowsUnavailable, Announcer::outcomePriority);
        return;
    }
    // The desktop's chooser is the picker: it opens at the start.
    if (m_services.chooseWindow) {
        m_flow->initiateRecording();
        return;
    }
    closeControlPanel();
    m_picker->show();
    if (WindowPickerView* view = m_picker->view())
        view->window()->setObjectName(QStringLiteral("windowPicker"));
}

bool TrayShell::showWindowChooser()
{
    if (!m_services.chooseWindow)
        return false;
    if (std::exchange(m_chooserPending, true))
        return true;
    closeControlPanel();
    // The desktop's chooser waits for the user; the recording follows.
    runInBackground(
        this,
        [choose = m_services.chooseWindow, cursor = m_services.session.showCursor()] {
            return choose(cursor);
        },
        [this](const std::optional<CaptureResult<ShareableWindow>>& chosen) {
            m_chooserPending = false;
            if (!chosen) {
                m_flow->failStart(
                    QStringLiteral("This desktop no longer offers single windows to record."));
                return;
            }
            if (!chosen->ok()) {
                m_flow->failStart(chosen->error().message);
                return;
            }
            WindowInfo window;
            window.windowID = chosen->value().windowID;
            window.title = QStringLiteral("Window chosen on the desktop");
            window.frame = chosen->value().frame;
            m_services.session.setSelectedWindow(window);
            m_flow->beginRecording(std::nullopt);
        });
    return true;
}

void TrayShell::showPreviewWindow()
{
    if (m_preview) {
        m_preview->raise();
        m_preview->activateWindow();
        return;
    }
    auto* preview = new PreviewWindow(m_services.session,
                                      {m_services.scheduler, m_services.encoder,
                                       m_services.announcer, m_services.delivery, m_services.writer,
                                       m_services.dragFiles, m_services.reduceMotion});
    preview->setObjectName(QStringLiteral("previewWindow"));
    // Every way of closing it empties the frames (the window does that); the
    // shell drops the window.
    preview->setOnClosed([this] {
        if (m_preview)
            m_preview->deleteLater();
        m_preview.clear();
    });
    preview->setOnRecordAgain([this] { m_flow->initiateRecording(); });
    m_preview = preview;
    preview->show();
    preview->raise();
    preview->activateWindow();
}

void TrayShell::closePreviewWindow()
{
    if (m_preview)
        m_preview->close();
}

void TrayShell::showControlPanel()
{
    if (!m_panelPopover)
        return;
    if (m_panelPopover->style() == PopoverWindow::Style::window && m_panelPopover->isMinimized())
        m_panelPopover->showNormal();
    const QRect anchor = trayAnchor();
    QScreen* centreOn = anchorScreen();
    // On a low screen the panel's settings scroll rather than push it over
    // the icon and its start button off screen.
    controlPanel()->setHeightLimit(m_panelPopover->heightRoom(anchor, centreOn));
    m_panelPopover->open(anchor, centreOn);
}

void TrayShell::handPanelBack()
{
    showControlPanel();
    m_panelInHandOver = m_panelPopover && m_panelPopover->isVisible() &&
                        m_panelPopover->style() == PopoverWindow::Style::popup;
}

void TrayShell::holdPanelThroughHandOver()
{
    // The picker's window had the focus. When it hides, the window manager
    // may give the focus to another program before the panel's activation
    // arrives, and the toolkit, seeing the application turn inactive, closes
    // its popups: the panel, just opened. Nothing would be left on screen, so
    // that close opens it again; the user's press or key still closes it.
    connect(m_panelPopover.get(), &PopoverWindow::closedWithApplication, this, [this] {
        if (!std::exchange(m_panelInHandOver, false))
            return;
        // Not inside the close, which hides the window after this.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_panelPopover->isVisible())
                    showControlPanel();
            },
            Qt::QueuedConnection);
    });
    connect(m_panelPopover.get(), &PopoverWindow::closed, this,
            [this] { m_panelInHandOver = false; });
    // Once the panel holds the focus, losing it is the user's doing.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
        if (window && window == m_panelPopover->windowHandle())
            m_panelInHandOver = false;
    });
}

void TrayShell::closeControlPanel()
{
    if (!m_panelPopover || !m_panelPopover->isVisible())
        return;
    // Without a tray the window stays in the taskbar, the one way back to it.
    if (m_panelPopover->style() == PopoverWindow::Style::window)
        m_panelPopover->showMinimized();
    else
        m_panelPopover->hide();
}

void TrayShell::closeRecordingPopover()
{
    if (m_recordingPopover)
        m_recordingPopover->hide();
}

bool TrayShell::isRecordingPopoverShown() const
{
    return m_recordingPopover && m_recordingPopover->isVisible();
}

void TrayShell::showToast(const Toast& toast)
{
    // Without a tray's place the toast opens at the pointer, or centred on
    // the screen of the last interaction where the pointer cannot be read.
    const QRect icon = m_status ? m_status->geometry() : QRect();
    m_toasts->show(toast, icon, anchorScreen());
    if (ToastView* view = m_toasts->current())
        view->setObjectName(QStringLiteral("toast"));
}

void TrayShell::hideToast()
{
    m_toasts->hide();
}

void TrayShell::updateStatusIcon(bool recording)
{
    // A recording starts at 0:00; the tick moves it on.
    if (m_status)
        m_status->setAppearance(recording ? StatusAppearance::recording(0)
                                          : StatusAppearance::idle());
}

void TrayShell::updateStatusTitle(std::int64_t seconds)
{
    if (m_status)
        m_status->setAppearance(StatusAppearance::recording(seconds));
}

void TrayShell::updateStatusCountdown(std::optional<std::int64_t> value)
{
    if (m_status)
        m_status->setAppearance(value ? StatusAppearance::countingDown(*value)
                                      : StatusAppearance::countdownEnded());
}

void TrayShell::announce(const Announcement& announcement)
{
    m_services.announcer.announce(announcement.text, announcement.priority);
}

QString TrayShell::stopInstruction() const
{
    return QStringLiteral("Press Control Shift G to stop.");
}

} // namespace kinetta
