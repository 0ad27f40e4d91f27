#include "capture/RecordingError.h"

namespace kinetta
{

QString errorDescription(RecordingError error)
{
    switch (error) {
    case RecordingError::permissionDenied:
        // On X11 there is no permission to grant; capture is refused only where the
        // session (a portal) or the display server (a missing extension) says no.
        return QStringLiteral("Screen Recording permission denied.\n\n"
                              "Allow Kinetta to record the screen in your desktop's privacy "
                              "settings (or the screen-sharing prompt), then relaunch.");
    case RecordingError::noDisplay:
        return QStringLiteral("No display found.");
    case RecordingError::noWindowSelected:
        return QStringLiteral("No window selected.");
    }
    return {};
}

std::optional<RecordingError> StartError::recordingError() const
{
    if (const auto* error = std::get_if<RecordingError>(&m_error))
        return *error;
    return std::nullopt;
}

std::optional<CaptureError> StartError::captureError() const
{
    if (const auto* error = std::get_if<CaptureError>(&m_error))
        return *error;
    return std::nullopt;
}

QString StartError::description() const
{
    if (const auto* error = std::get_if<RecordingError>(&m_error))
        return errorDescription(*error);
    return std::get<CaptureError>(m_error).message;
}

} // namespace kinetta
