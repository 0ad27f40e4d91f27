// What the flow does with settings it cannot use as they are: stored values
// out of the control panel's ranges are held to them, impossible ones refuse
// the start before anything is recorded.
#include "FlowFixture.h"
#include "model/IniPreferencesStore.h"

#include <QFile>
#include <QTemporaryDir>

namespace kinetta::test
{
namespace
{

QStringList flowWarnings;

void keepFlowWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && QLatin1String(context.category) == QLatin1String("kinetta.flow"))
        flowWarnings << message;
}

QStringList warningsWhileBeginning(RecordingFlow& flow)
{
    flowWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepFlowWarnings);
    flow.beginRecording();
    qInstallMessageHandler(previous);
    return flowWarnings;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A settings file written by hand, before the session reads it.
struct HandWrittenSettings {
    static constexpr const char* content =
        "[General]\nfps=1000\nscale=100\nuseCountdown=true\ncountdownSeconds=100000\n"
        "useAutoStop=true\nautoStopSeconds=2\nloopCount=99999999\nautoCopy=true\n";

    HandWrittenSettings()
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
    }

    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("kinetta.conf"));
};

// The file comes first: the flow's session reads it as it is made.
class FlowSettingsTest : public HandWrittenSettings, public FlowTest
{
protected:
    FlowSettingsTest() : FlowTest(std::make_shared<IniPreferencesStore>(path)) {}
};

TEST_F(FlowSettingsTest, StoredValuesOutOfRangeAreHeldToTheControlsOnceAndTheFileKept)
{
    // Loaded as stored: the ranges apply where the values are used.
    EXPECT_EQ(session.fps(), 1000);

    EXPECT_EQ(
        warningsWhileBeginning(flow),
        (QStringList{"fps=1000 in " + path + " is outside 5 to 24; using 24.",
                     "scale=100 in " + path + " is outside 0.25 to 1; using 1.",
                     "countdownSeconds=100000 in " + path + " is outside 1 to 30; using 30.",
                     "autoStopSeconds=2 in " + path + " is outside 5 to 300; using 5.",
                     "loopCount=99999999 in " + path + " is outside 0 to 65535; using 65535."}));
    EXPECT_EQ(port.announcementTexts().first(), "Recording starts in 30 seconds.");
    scheduler.advance(30150ms);
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(recorder.requests[0].fps, 24);
    EXPECT_EQ(recorder.requests[0].scale, 1.0);
    recorder.completeStart();
    scheduler.advance(5s);
    ASSERT_EQ(recorder.stopCalls, 1);
    recorder.completeStop(makeFrames(2));
    ASSERT_EQ(encoder.pending.size(), 1u);
    EXPECT_EQ(encoder.pending[0].request.loopCount, 65535);
    encoder.finish(QByteArray("GIF"));

    // Held once: the next start says nothing more, and the file is as it was.
    EXPECT_EQ(warningsWhileBeginning(flow), QStringList{});
    EXPECT_EQ(readAll(path), QByteArray(content));
}

struct ImpossibleCase {
    double fps;
    double scale;
    qint64 loopCount;
    QString error;
};

class ImpossibleSettingsTest : public FlowTest, public ::testing::WithParamInterface<ImpossibleCase>
{
};

// Values assigned in this run (the command line's own ranges, a caller's
// mistake) are not held; those no recording or GIF can have refuse the start.
TEST_P(ImpossibleSettingsTest, RefuseTheStartBeforeTheCountdown)
{
    const ImpossibleCase& c = GetParam();
    session.setUseCountdown(true);
    session.setFps(c.fps);
    session.setScale(c.scale);
    session.setLoopCount(c.loopCount);
    flow.beginRecording();
    EXPECT_EQ(flow.phase(), RecordingFlow::Phase::idle);
    EXPECT_EQ(session.errorMessage(), c.error);
    EXPECT_EQ(port.announcementTexts(), QStringList{"Recording failed: " + c.error});
    EXPECT_EQ(port.count("showControlPanel"), 1);
    EXPECT_EQ(port.count("showCountdownOverlay"), 0);
    scheduler.advance(10s);
    EXPECT_TRUE(recorder.requests.empty());
}

const QString loopCountError =
    "These settings cannot make a GIF: the loop count must be between 0 and 65535.";

INSTANTIATE_TEST_SUITE_P(
    Values, ImpossibleSettingsTest,
    ::testing::Values(ImpossibleCase{10, 0.5, 99999999, loopCountError},
                      ImpossibleCase{10, 0.5, -1, loopCountError},
                      ImpossibleCase{10, 100, 0, "The scale must be above 0 and at most 1."},
                      ImpossibleCase{1000, 0.5, 0,
                                     "The frame rate must be from 1 to 60 frames per second."}));

} // namespace
} // namespace kinetta::test
