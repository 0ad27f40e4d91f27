#include "app/AsyncScreenRecorder.h"

#include "capture/ScreenRecorder.h"
#include "capture/SerialQueue.h"

#include <QMetaObject>

namespace kinetta
{

AsyncScreenRecorder::AsyncScreenRecorder(std::unique_ptr<ScreenRecorder> recorder, QObject* parent)
    : QObject(parent), m_recorder(std::move(recorder)), m_calls(std::make_unique<SerialQueue>())
{
    // Arrives on the capture thread; the handler itself runs on ours.
    m_recorder->setOnStreamError([this](const CaptureError& error) {
        QMetaObject::invokeMethod(
            this,
            [this, message = error.message] {
                if (m_onStreamError)
                    m_onStreamError(message);
            },
            Qt::QueuedConnection);
    });
}

AsyncScreenRecorder::~AsyncScreenRecorder()
{
    m_recorder->setOnStreamError({});
    // Runs the calls still queued; their answers die with this object.
    m_calls.reset();
}

void AsyncScreenRecorder::start(const RecorderRequest& request, StartDone done)
{
    m_calls->async([this, request, done = std::move(done)]() mutable {
        const std::optional<StartError> error =
            m_recorder->start(request.mode, request.fps, request.scale, request.selectedWindowID,
                              request.selectedRect, request.showCursor, request.selectedScreen);
        std::optional<QString> description;
        if (error)
            description = error->description();
        QMetaObject::invokeMethod(
            this, [done = std::move(done), description] { done(description); },
            Qt::QueuedConnection);
    });
}

void AsyncScreenRecorder::stop(StopDone done)
{
    m_calls->async([this, done = std::move(done)]() mutable {
        RecordedFrames recording = m_recorder->stop();
        QMetaObject::invokeMethod(
            this,
            [done = std::move(done), recording = std::move(recording)]() mutable {
                done(std::move(recording));
            },
            Qt::QueuedConnection);
    });
}

void AsyncScreenRecorder::setStreamErrorHandler(StreamErrorHandler handler)
{
    m_onStreamError = std::move(handler);
}

} // namespace kinetta
