#include "ui/selection/AreaRecordingRig.h"

#include "app/ProcessUntil.h"
#include "capture/Compositing.h"
#include "capture/ScreenRecorder.h"
#include "capture/TestClient.h"
#include "capture/x11/X11CaptureSource.h"
#include "support/XdotoolDrag.h"
#include "ui/common/XcbApplication.h"
#include "ui/selection/AreaSelectorView.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>

namespace kinetta::test
{

AreaRecordingRig::AreaRecordingRig()
    // A pid of nobody's, so that the test's own windows are recorded too.
    : recorder(std::make_unique<ScreenRecorder>(std::make_shared<x11::X11CaptureSource>(),
                                                FrameStore::optionsFromEnvironment(),
                                                ScreenRecorder::Clock{}, 1)),
      overlay({overlayScheduler, announcer, session,
               [this](QRectF area, ScreenPlacement screen) { flow.beginRecording(area, screen); },
               [] { return compositingManagerRunning(); }, false})
{
    session.setCaptureMode(CaptureMode::area);
    session.setUseCountdown(false);
    session.setAutoCopy(true);
    session.setFps(10);
    session.setScale(1.0);
    session.setShowCursor(false);
}

bool AreaRecordingRig::open()
{
    flow.initiateRecording();
    if (port.count(QStringLiteral("showAreaOverlay")) == 0 || !overlay.show())
        return false;
    return QTest::qWaitForWindowExposed(overlay.view());
}

bool AreaRecordingRig::drag(QPoint from, QPoint to)
{
    return runXdotool(xdotoolDrag(from, to));
}

std::optional<gif::testing::DecodedGif> AreaRecordingRig::recordHalfASecond()
{
    if (!processUntil([&] { return flow.phase() == RecordingFlow::Phase::recording; }))
        return std::nullopt;
    runEventsFor(500);
    const std::size_t copied = delivery.copied.size();
    const std::size_t saved = delivery.saved.size();
    flow.stopRecording();
    if (!processUntil([&] {
            return delivery.copied.size() + delivery.saved.size() > copied + saved &&
                   flow.phase() == RecordingFlow::Phase::idle;
        }))
        return std::nullopt;
    const QByteArray& bytes =
        delivery.saved.size() > saved ? delivery.saved.back() : delivery.copied.back();
    return gif::testing::decodeGif(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size()));
}

CardDesktop::CardDesktop(const std::string& display, const char* binaryName, QRect card)
{
    qunsetenv("KINETTA_CAPTURE");
    m_application = test::openXcbApplication(display, binaryName);
    m_client = std::make_unique<testing::TestClient>(display);
    m_client->createWindow(
        {.x = card.x(), .y = card.y(), .width = card.width(), .height = card.height()},
        testing::quadrantCard(card.width(), card.height()));
}

CardDesktop::~CardDesktop() = default;

bool runXdotool(const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    return processUntil([&] { return xdotool.state() == QProcess::NotRunning; }) &&
           xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

void runEventsFor(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    processUntil([&] { return deadline.hasExpired(); });
}

} // namespace kinetta::test
