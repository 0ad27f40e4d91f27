#pragma once

#include "capture/CaptureSource.h"
#include "capture/portal/PortalRequests.h"
#include "capture/portal/ScreenCastSession.h"
#include "model/PreferencesStore.h"

#include <QDBusConnection>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

namespace kinetta::portal
{

// Why single windows are not recorded where the portal offers none.
[[nodiscard]] QString singleWindowsUnavailable();
// Whether the portal offers single windows (through its own chooser).
[[nodiscard]] bool offersSingleWindows(const PortalRequests& requests);

// Where the portal's restore token is kept between runs.
inline const QString kRestoreTokenKey = QStringLiteral("screenCastRestoreToken");

// Screen capture on Wayland through the desktop portal's screen cast. The
// portal asks the user which screen to share the first time; its restore
// token, kept in the settings, lets later recordings start without asking.
// The first display is the shared monitor. Single windows are not listed:
// where the portal offers them, its chooser picks one (chooseWindow).
//
// Access, content and the stream belong to one session: asking for access
// (or for the content) starts it, which may show the portal's dialog and
// blocks until it is answered; startStream() takes it over. Calls come from
// one thread at a time.
class PortalCaptureSource final : public CaptureSource
{
public:
    PortalCaptureSource(QDBusConnection bus, std::shared_ptr<PreferencesStore> settings,
                        std::chrono::milliseconds responseTimeout = std::chrono::minutes(3));
    ~PortalCaptureSource() override;

    // False when the user declined the portal's dialog.
    [[nodiscard]] bool preflightAccess() override;
    // Lets the next preflight ask the portal again.
    void requestAccess() override;
    [[nodiscard]] CaptureResult<ShareableContent> shareableContent() override;
    [[nodiscard]] CaptureResult<std::unique_ptr<CaptureStream>>
    startStream(const StreamConfiguration& configuration, CaptureStreamOutput& output) override;
    // Starts the session (the portal's dialog where no restore token does)
    // and gives its monitor's first picture; the next startStream with the
    // same cursor choice records that session.
    [[nodiscard]] std::optional<CaptureResult<DisplayStill>>
    displayStill(bool showsCursor) override;
    // Opens a session of the window the user picks in the portal's chooser,
    // asked every time (nothing remembered); the next window stream records
    // that session. Nothing where the portal offers no single windows.
    [[nodiscard]] std::optional<CaptureResult<ShareableWindow>>
    chooseWindow(bool showsCursor) override;

    // Forgets the kept restore token: the next session asks the user again.
    static void forgetConsent(PreferencesStore& settings);

private:
    // Starts a session unless one waits for its stream (with this cursor
    // choice, where one is given), or the last attempt was refused. Before a
    // recording's configuration is known, the cursor is shown.
    void ensureSession(std::optional<bool> showsCursor = std::nullopt);
    // Whether the waiting session is the chooser's window.
    [[nodiscard]] bool holdsWindow() const;
    // The failure of the last attempt, in the words the user sees.
    [[nodiscard]] std::optional<CaptureError> takeFailure();

    PortalRequests m_requests;
    std::shared_ptr<PreferencesStore> m_settings;
    std::mutex m_mutex;
    std::unique_ptr<ScreenCastSession> m_session;
    std::optional<ScreenCastFailure> m_failure;
};

} // namespace kinetta::portal
