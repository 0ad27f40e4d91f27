#pragma once

#include "capture/CaptureSource.h"

#include <QString>

namespace kinetta
{

// Stands in where no capture platform is available and says why on every use.
class NullCaptureSource final : public CaptureSource
{
public:
    explicit NullCaptureSource(QString reason) : m_reason(std::move(reason)) {}

    [[nodiscard]] bool preflightAccess() override { return true; }
    void requestAccess() override {}
    [[nodiscard]] CaptureResult<ShareableContent> shareableContent() override
    {
        return CaptureError{m_reason};
    }
    [[nodiscard]] CaptureResult<std::unique_ptr<CaptureStream>>
    startStream(const StreamConfiguration& /*configuration*/,
                CaptureStreamOutput& /*output*/) override
    {
        return CaptureError{m_reason};
    }
    [[nodiscard]] const QString& reason() const { return m_reason; }

private:
    QString m_reason;
};

} // namespace kinetta
