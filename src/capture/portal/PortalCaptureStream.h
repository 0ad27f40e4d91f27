#pragma once

#include "capture/CaptureSource.h"
#include "capture/portal/CadencedFrameRelay.h"
#include "capture/portal/PipeWireFrameStream.h"
#include "capture/portal/ScreenCastSession.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace kinetta::portal
{

// A recording through a started screen-cast session: its PipeWire stream
// feeds a relay that delivers on the recorder's cadence. The session, the
// stream or the PipeWire connection ending stops the stream with a
// CaptureError; the frames delivered so far stay the recorder's.
class PortalCaptureStream final : public CaptureStream
{
public:
    // configuration.sourceRect crops the stream, in the frame of the stream's
    // reported size.
    [[nodiscard]] static CaptureResult<std::unique_ptr<CaptureStream>>
    start(std::unique_ptr<ScreenCastSession> session, const StreamConfiguration& configuration,
          CaptureStreamOutput& output);
    ~PortalCaptureStream() override;
    void stop() override;

private:
    PortalCaptureStream(std::unique_ptr<ScreenCastSession> session,
                        const StreamConfiguration& configuration, CaptureStreamOutput& output);

    std::mutex m_stopMutex;
    std::unique_ptr<ScreenCastSession> m_session;
    // Set once the stream runs; the relay may ask for pictures before that.
    std::atomic<PipeWireFrameStream*> m_pictures = nullptr;
    CadencedFrameRelay m_relay;
    std::unique_ptr<PipeWireFrameStream> m_pipewire;
};

} // namespace kinetta::portal
