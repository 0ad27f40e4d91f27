#pragma once

#include "capture/CaptureSource.h"

#include <optional>
#include <vector>

namespace kinetta::testing
{

// A capture source the test drives: fixed content, recorded configurations,
// and images or errors pushed by hand.
class FakeCaptureSource final : public CaptureSource
{
public:
    bool access = true;
    int accessRequests = 0;
    std::optional<CaptureError> contentError;
    ShareableContent content{{{7, QRect(0, 0, 1440, 900)}}, {{42, QRectF(10, 20, 801, 601), 99}}};
    std::optional<CaptureError> startError;
    std::vector<StreamConfiguration> started;
    CaptureStreamOutput* output = nullptr;
    int stops = 0;

    [[nodiscard]] bool preflightAccess() override { return access; }
    void requestAccess() override { ++accessRequests; }
    [[nodiscard]] CaptureResult<ShareableContent> shareableContent() override
    {
        if (contentError)
            return *contentError;
        return content;
    }
    [[nodiscard]] CaptureResult<std::unique_ptr<CaptureStream>>
    startStream(const StreamConfiguration& configuration,
                CaptureStreamOutput& streamOutput) override
    {
        if (startError)
            return *startError;
        started.push_back(configuration);
        output = &streamOutput;
        return std::unique_ptr<CaptureStream>(new Stream(*this));
    }

    // Delivers a 2x2 image whose first pixel is tag.
    void deliver(std::uint32_t tag)
    {
        output->streamDidOutput(CapturedImage{2, 2, {tag, 0, 0, 0}});
    }

private:
    class Stream final : public CaptureStream
    {
    public:
        explicit Stream(FakeCaptureSource& source) : m_source(source) {}
        void stop() override
        {
            if (!m_stopped)
                ++m_source.stops;
            m_stopped = true;
        }

    private:
        FakeCaptureSource& m_source;
        bool m_stopped = false;
    };
};

} // namespace kinetta::testing
