#include "capture/portal/PortalCaptureSource.h"

#include "capture/CaptureLogging.h"
#include "capture/portal/PortalCaptureStream.h"
#include "capture/portal/SessionPicture.h"

namespace kinetta::portal
{

QString singleWindowsUnavailable()
{
    return QStringLiteral("On Wayland, Kinetta records a screen or an area of it; single "
                          "windows are not offered.");
}

bool offersSingleWindows(const PortalRequests& requests)
{
    const auto types = availableSourceTypes(requests);
    return types.ok() && (*types & windowSource) != 0;
}

PortalCaptureSource::PortalCaptureSource(QDBusConnection bus,
                                         std::shared_ptr<PreferencesStore> settings,
                                         std::chrono::milliseconds responseTimeout)
    : m_requests(std::move(bus), responseTimeout), m_settings(std::move(settings))
{
}

PortalCaptureSource::~PortalCaptureSource() = default;

void PortalCaptureSource::ensureSession(std::optional<bool> showsCursor)
{
    if (m_session && showsCursor && m_session->showsCursor() != *showsCursor)
        m_session.reset();
    if (m_session || m_failure)
        return;
    ScreenCastChoice choice;
    choice.sourceTypes = monitorSource;
    choice.showsCursor = showsCursor.value_or(true);
    choice.restoreToken = m_settings->stringValue(kRestoreTokenKey);
    auto opened = ScreenCastSession::open(m_requests, choice);
    if (!opened.ok()) {
        m_failure = opened.message();
        return;
    }
    m_session = std::move(opened).value();
    // A token is good for one use; the portal hands out the next one.
    if (const auto& token = m_session->restoreToken())
        if (const auto saved = m_settings->setValue(kRestoreTokenKey, *token); !saved.ok())
            qCWarning(lcCapture) << "the screen-sharing choice is not remembered:"
                                 << saved.message();
}

bool PortalCaptureSource::holdsWindow() const
{
    return m_session && !m_session->streams().empty() &&
           m_session->streams().front().sourceType == windowSource;
}

std::optional<CaptureError> PortalCaptureSource::takeFailure()
{
    if (!m_failure)
        return std::nullopt;
    // A refusal holds until access is asked for again; any other failure is
    // told once, and the next attempt asks the portal afresh.
    if (m_failure->kind == ScreenCastFailure::Kind::refused)
        return CaptureError{errorDescription(RecordingError::permissionDenied)};
    return CaptureError{std::exchange(m_failure, std::nullopt)->message};
}

void PortalCaptureSource::forgetConsent(PreferencesStore& settings)
{
    // An empty token is no token.
    if (const auto saved = settings.setValue(kRestoreTokenKey, QString()); !saved.ok())
        qCWarning(lcCapture) << "the screen-sharing choice could not be forgotten:"
                             << saved.message();
}

bool PortalCaptureSource::preflightAccess()
{
    std::lock_guard lock(m_mutex);
    ensureSession();
    return !(m_failure && m_failure->kind == ScreenCastFailure::Kind::refused);
}

void PortalCaptureSource::requestAccess()
{
    std::lock_guard lock(m_mutex);
    m_failure.reset();
}

CaptureResult<ShareableContent> PortalCaptureSource::shareableContent()
{
    std::lock_guard lock(m_mutex);
    ensureSession();
    if (auto failure = takeFailure())
        return *failure;
    ShareableContent content;
    for (const ScreenCastStream& stream : m_session->streams()) {
        if (stream.size.isEmpty())
            continue;
        // A window's session shares no monitor: the window stands as the
        // display too, which window recordings only check is there.
        content.displays.push_back({stream.node, monitorGeometry(stream)});
        if (stream.sourceType == windowSource)
            content.windows.push_back(
                {stream.node, QRectF(QPointF(0, 0), QSizeF(stream.size)), std::nullopt});
    }
    if (content.displays.empty())
        return CaptureError{
            QStringLiteral("The desktop portal did not say the shared screen's size.")};
    return content;
}

CaptureResult<std::unique_ptr<CaptureStream>>
PortalCaptureSource::startStream(const StreamConfiguration& configuration,
                                 CaptureStreamOutput& output)
{
    std::lock_guard lock(m_mutex);
    if (configuration.content == StreamConfiguration::Content::window) {
        // Only the window the chooser has just given can be recorded.
        if (!holdsWindow() || m_session->streams().front().node != configuration.targetID)
            return CaptureError{
                QStringLiteral("No window was chosen in the desktop's dialog for this recording.")};
        return PortalCaptureStream::start(std::exchange(m_session, nullptr), configuration, output);
    }
    if (holdsWindow())
        m_session.reset();
    // The cursor is asked for when the session is made; a session made for
    // the content with the other choice gives way to a new one, which the
    // restore token starts without asking the user again.
    ensureSession(configuration.showsCursor);
    if (auto failure = takeFailure())
        return *failure;
    return PortalCaptureStream::start(std::exchange(m_session, nullptr), configuration, output);
}

std::optional<CaptureResult<DisplayStill>> PortalCaptureSource::displayStill(bool showsCursor)
{
    std::lock_guard lock(m_mutex);
    if (holdsWindow())
        m_session.reset();
    ensureSession(showsCursor);
    if (auto failure = takeFailure())
        return CaptureResult<DisplayStill>(*failure);
    const ScreenCastStream shared = m_session->streams().empty() ? ScreenCastStream{}
                                                                 : m_session->streams().front();
    if (shared.size.isEmpty())
        return CaptureResult<DisplayStill>(
            CaptureError{QStringLiteral("The desktop portal did not say the shared screen's size.")});
    auto picture = firstPicture(*m_session, std::chrono::seconds(5));
    if (!picture.ok()) {
        // A session whose stream gives nothing is no use to the recording either.
        m_session.reset();
        return CaptureResult<DisplayStill>(CaptureError{picture.message()});
    }
    return CaptureResult<DisplayStill>(
        DisplayStill{{shared.node, monitorGeometry(shared)}, std::move(picture).value()});
}

std::optional<CaptureResult<ShareableWindow>> PortalCaptureSource::chooseWindow(bool showsCursor)
{
    using Chosen = CaptureResult<ShareableWindow>;
    std::lock_guard lock(m_mutex);
    if (!offersSingleWindows(m_requests))
        return std::nullopt;
    // The chooser asks every time: a remembered window may be long closed,
    // and the restore token kept is the screen's.
    m_session.reset();
    ScreenCastChoice choice;
    choice.sourceTypes = windowSource;
    choice.showsCursor = showsCursor;
    choice.persists = false;
    auto opened = ScreenCastSession::open(m_requests, choice);
    if (!opened.ok())
        return Chosen(CaptureError{opened.message().kind == ScreenCastFailure::Kind::refused
                                       ? errorDescription(RecordingError::permissionDenied)
                                       : opened.message().message});
    const ScreenCastStream window = opened.value()->streams().front();
    if (window.size.isEmpty())
        return Chosen(CaptureError{
            QStringLiteral("The desktop portal did not say the chosen window's size.")});
    m_session = std::move(opened).value();
    return Chosen(
        ShareableWindow{window.node, QRectF(QPointF(0, 0), QSizeF(window.size)), std::nullopt});
}

} // namespace kinetta::portal
