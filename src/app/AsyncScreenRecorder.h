#pragma once

#include "app/FlowServices.h"

#include <QObject>
#include <memory>

namespace kinetta
{

class ScreenRecorder;
class SerialQueue;

// Runs the screen recorder's start and stop on a thread of their own, one
// after the other, so that waiting for the display or for the capture thread
// never blocks the main thread; answers come back to the main thread.
class AsyncScreenRecorder final : public QObject, public FlowRecorder
{
    Q_OBJECT

public:
    explicit AsyncScreenRecorder(std::unique_ptr<ScreenRecorder> recorder,
                                 QObject* parent = nullptr);
    ~AsyncScreenRecorder() override;

    void start(const RecorderRequest& request, StartDone done) override;
    void stop(StopDone done) override;
    void setStreamErrorHandler(StreamErrorHandler handler) override;

private:
    std::unique_ptr<ScreenRecorder> m_recorder;
    StreamErrorHandler m_onStreamError;
    // Destroyed before the recorder, after running what was queued.
    std::unique_ptr<SerialQueue> m_calls;
};

} // namespace kinetta
