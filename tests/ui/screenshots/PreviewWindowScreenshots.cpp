// The preview window over a made-up recording: a large GIF (amber banner),
// after optimizing (green), the error banner, playing at 2×, and a one-frame
// selection with Copy PNG.
#include "Screenshots.h"
#include "app/AtomicFileWriter.h"
#include "app/FlowTestDoubles.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/preview/DragOutFiles.h"
#include "ui/preview/PreviewActions.h"
#include "ui/preview/PreviewFrameView.h"
#include "ui/preview/PreviewModel.h"
#include "ui/preview/PreviewView.h"
#include "ui/preview/PreviewWindow.h"
#include "ui/preview/TrimBar.h"
#include "../preview/PreviewTestDoubles.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPainter>
#include <QTemporaryDir>
#include <functional>

namespace
{

using namespace kinetta;
using namespace std::chrono_literals;

// 40 frames of bars rising over a dusk gradient.
FrameList bars()
{
    FrameList frames;
    for (int i = 0; i < 40; ++i) {
        QImage image(640, 360, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient dusk(0, 0, 0, 360);
        dusk.setColorAt(0, QColor(36, 52, 96));
        dusk.setColorAt(1, QColor(180, 96, 120));
        painter.fillRect(image.rect(), dusk);
        for (int bar = 0; bar < 8; ++bar) {
            const int high = 40 + ((bar * 37 + i * 11) % 200);
            painter.fillRect(40 + bar * 72, 320 - high, 48, high,
                             QColor::fromHsv((bar * 40 + i * 3) % 360, 160, 235));
        }
        painter.end();
        frames.push_back(Frame::fromImage(image));
    }
    return frames;
}

// Renders the window after `arrange` set it up, once its frame is on screen.
QImage windowShot(qsizetype gifSize,
                  const std::function<void(PreviewWindow&, VirtualScheduler&,
                                           test::VirtualEncoder&)>& arrange)
{
    QTemporaryDir temp;
    RecordingSession session;
    session.setFps(10);
    session.setCapturedFrames(bars());
    VirtualScheduler scheduler;
    test::VirtualEncoder encoder(scheduler);
    encoder.size = gifSize;
    test::RecordingAnnouncer announcer;
    test::FakeDelivery delivery;
    AtomicFileWriter writer;
    DragOutFiles dragFiles(temp.path(), writer);
    PreviewWindow window(session, {scheduler, encoder, announcer, delivery, writer, dragFiles, true});
    window.setOnRecordAgain([] {});
    window.resize(680, 640);
    window.show();
    scheduler.advance(encoder.duration);
    arrange(window, scheduler, encoder);
    PreviewView& view = *window.view();
    const int wanted = view.model().player().currentFrame();
    const QDeadlineTimer deadline(10000);
    while ((view.frameView()->shownIndex() != wanted || !view.trimBar()->filmstrip().isComplete()) &&
           !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return window.grab().toImage();
}

const bool registered = kinetta::screenshots::add("previewwin", [] {
    using Shot = kinetta::screenshots::Shot;
    std::vector<Shot> shots;
    shots.push_back({QStringLiteral("previewwin-large"),
                     windowShot(4'400'000, [](PreviewWindow& window, VirtualScheduler&,
                                              test::VirtualEncoder&) {
                         window.view()->model().player().setCurrentFrame(12);
                     })});
    shots.push_back({QStringLiteral("previewwin-optimized"),
                     windowShot(4'400'000, [](PreviewWindow& window, VirtualScheduler& scheduler,
                                              test::VirtualEncoder& encoder) {
                         encoder.size = 2'300'000;
                         window.view()->model().optimize();
                         scheduler.advance(encoder.duration);
                         window.view()->model().player().setCurrentFrame(12);
                         window.actions().showToast(QStringLiteral("Saved!"));
                     })});
    shots.push_back({QStringLiteral("previewwin-error"),
                     windowShot(900'000, [](PreviewWindow& window, VirtualScheduler&,
                                            test::VirtualEncoder&) {
                         window.view()->model().reportError(
                             QStringLiteral("GIF too large for clipboard and failed to save to "
                                            "Downloads."));
                     })});
    shots.push_back({QStringLiteral("previewwin-playing-2x"),
                     windowShot(900'000, [](PreviewWindow& window, VirtualScheduler& scheduler,
                                            test::VirtualEncoder&) {
                         PreviewModel& model = window.view()->model();
                         model.setSpeed(2.0);
                         model.togglePlayback();
                         scheduler.advance(900ms);
                     })});
    shots.push_back({QStringLiteral("previewwin-one-frame"),
                     windowShot(900'000, [](PreviewWindow& window, VirtualScheduler& scheduler,
                                            test::VirtualEncoder& encoder) {
                         PreviewModel& model = window.view()->model();
                         model.setTrimStart(20);
                         model.setTrimEnd(20);
                         scheduler.advance(encoder.duration);
                     })});
    return shots;
});

} // namespace
