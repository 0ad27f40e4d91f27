#include "capture/portal/PortalCaptureStream.h"

namespace kinetta::portal
{

CaptureResult<std::unique_ptr<CaptureStream>>
PortalCaptureStream::start(std::unique_ptr<ScreenCastSession> session,
                           const StreamConfiguration& configuration, CaptureStreamOutput& output)
{
    if (!session || session->streams().empty())
        return CaptureError{QStringLiteral("The desktop portal shared no screen.")};
    const ScreenCastStream shared = session->streams().front();
    auto connection = session->openPipeWireRemote();
    if (!connection.ok())
        return CaptureError{connection.message()};
    std::unique_ptr<PortalCaptureStream> stream(
        new PortalCaptureStream(std::move(session), configuration, output));
    CadencedFrameRelay& relay = stream->m_relay;
    auto pipewire = PipeWireFrameStream::start(
        std::move(connection).value(),
        {shared.node, shared.size, configuration.sourceRect, configuration.outputSize},
        {[&relay] { relay.pictureArrived(); },
         [&relay](const QString& reason) { relay.end(reason); }});
    if (!pipewire.ok())
        return CaptureError{QStringLiteral("Recording on Wayland needs PipeWire: ") +
                            pipewire.message()};
    stream->m_pipewire = std::move(pipewire).value();
    stream->m_pictures = stream->m_pipewire.get();
    stream->m_session->watchClosed(
        [&relay] { relay.end(QStringLiteral("Screen sharing was stopped from the desktop.")); });
    return std::unique_ptr<CaptureStream>(std::move(stream));
}

PortalCaptureStream::PortalCaptureStream(std::unique_ptr<ScreenCastSession> session,
                                         const StreamConfiguration& configuration,
                                         CaptureStreamOutput& output)
    : m_session(std::move(session)),
      m_relay(configuration.frameRate, configuration.outputSize, output, [this] {
          PipeWireFrameStream* pictures = m_pictures.load();
          return pictures ? pictures->newestPicture() : nullptr;
      })
{
}

PortalCaptureStream::~PortalCaptureStream()
{
    stop();
}

void PortalCaptureStream::stop()
{
    std::lock_guard lock(m_stopMutex);
    if (m_session)
        m_session->stopWatching();
    // The relay first, so that it asks PipeWire for nothing more, and the
    // session last: closing it ends the stream on the portal's side.
    m_pictures = nullptr;
    m_relay.stop();
    m_pipewire.reset();
    if (m_session)
        m_session->close();
}

} // namespace kinetta::portal
