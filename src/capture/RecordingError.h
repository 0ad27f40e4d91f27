#pragma once

#include <QString>
#include <optional>
#include <variant>

namespace kinetta
{

// The recorder's own reasons for refusing to start.
enum class RecordingError { permissionDenied, noDisplay, noWindowSelected };

[[nodiscard]] QString errorDescription(RecordingError error);

// A failure reported by the capture platform, passed on with the platform's text.
struct CaptureError {
    QString message;
    friend bool operator==(const CaptureError&, const CaptureError&) = default;
};

// Why a start failed: either one of the recorder's errors or the platform's.
class StartError final
{
public:
    StartError(RecordingError error) : m_error(error) {} // NOLINT(google-explicit-constructor)
    StartError(CaptureError error)
        : m_error(std::move(error)) {} // NOLINT(google-explicit-constructor)

    [[nodiscard]] std::optional<RecordingError> recordingError() const;
    [[nodiscard]] std::optional<CaptureError> captureError() const;
    // The text shown to the user.
    [[nodiscard]] QString description() const;

    friend bool operator==(const StartError&, const StartError&) = default;

private:
    std::variant<RecordingError, CaptureError> m_error;
};

} // namespace kinetta
