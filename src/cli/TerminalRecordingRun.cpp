// The real pieces behind a terminal recording: the X11 (or other) capture
// platform, the encoder on a worker thread, Qt timers and Ctrl-C.
#include "app/AsyncScreenRecorder.h"
#include "app/ThreadedGifEncoder.h"
#include "capture/ScreenRecorder.h"
#include "cli/InterruptNotifier.h"
#include "cli/TerminalRecording.h"
#include "model/QtScheduler.h"
#include "model/RecordingSession.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <cstdio>

namespace kinetta::cli
{

int runTerminalRecording(RecordingSession& session, std::shared_ptr<CaptureSource> source,
                         const QString& outputPath, EncodeTarget target)
{
    QtScheduler scheduler;
    AsyncScreenRecorder recorder(
        std::make_unique<ScreenRecorder>(std::move(source), FrameStore::optionsFromEnvironment()));
    ThreadedGifEncoder encoder;
    session.setAutoCopy(true);
    TerminalRecording recording({session, scheduler, recorder, encoder}, outputPath,
                                [](const QString& line) {
                                    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
                                    std::fflush(stderr);
                                });
    recording.setEncodeTarget(target);
    InterruptNotifier interrupts;
    QObject::connect(&interrupts, &InterruptNotifier::interrupted, &recording,
                     [&recording](int) { recording.interrupt(); });
    QObject::connect(&recording, &TerminalRecording::finished, &recording, [](int status) {
        // Leave the loop once the current step has unwound.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [status] { QCoreApplication::exit(status); },
            Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(
        &recording, [&recording] { recording.start(); }, Qt::QueuedConnection);
    const int status = QCoreApplication::exec();
    return recording.exitStatus().value_or(status);
}

} // namespace kinetta::cli
