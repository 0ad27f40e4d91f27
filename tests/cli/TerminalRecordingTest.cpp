// `kinetta record`'s run through the recording flow, on virtual time with a
// fake recorder and encoder; the file writing is real, in a temporary folder.
#include "cli/TerminalRecording.h"

#include "app/FlowServices.h"
#include "app/FlowTestDoubles.h"
#include "model/RecordingSession.h"
#include "model/VirtualScheduler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>

namespace kinetta::test
{
namespace
{

using namespace std::chrono_literals;
using cli::TerminalRecording;

FrameList someFrames(std::size_t count)
{
    FrameList frames;
    for (std::size_t i = 0; i < count; ++i)
        frames.push_back(Frame::fromPixels(2, 2, std::vector<std::uint32_t>(4, 0xff000000u)));
    return frames;
}

class TerminalRecordingTest : public ::testing::Test
{
protected:
    TerminalRecordingTest()
    {
        session.setAutoCopy(true);
        session.setUseCountdown(true);
        session.setCountdownSeconds(2);
    }

    [[nodiscard]] QString outputPath() const { return folder.filePath(QStringLiteral("out.gif")); }
    [[nodiscard]] QStringList filesIn(const QString& path) const
    {
        return QDir(path).entryList(QDir::Files | QDir::Hidden);
    }

    // Counts down, starts the recorder and runs for a second.
    void runIntoRecording(TerminalRecording& recording)
    {
        recording.start();
        scheduler.advance(2150ms);
        recorder.completeStart();
        scheduler.advance(1s);
        ASSERT_EQ(recording.flow().phase(), RecordingFlow::Phase::recording);
    }

    QTemporaryDir folder;
    QTemporaryDir downloads;
    RecordingSession session;
    VirtualScheduler scheduler;
    FakeRecorder recorder;
    FakeEncoder encoder;
    QStringList printed;
    TerminalRecording run{{session, scheduler, recorder, encoder},
                          outputPath(),
                          [this](const QString& line) { printed << line; },
                          downloads.path()};
};

TEST_F(TerminalRecordingTest, CountdownIsPrintedAsAnnouncedAndCtrlCCancelsIt)
{
    run.start();
    scheduler.advance(1s);
    EXPECT_EQ(printed, (QStringList{"Recording starts in 2 seconds.", "1"}));
    run.interrupt();
    EXPECT_FALSE(run.isFinished());
    scheduler.advance(1s);
    EXPECT_EQ(printed.last(), "Recording cancelled.");
    EXPECT_EQ(run.exitStatus(), TerminalRecording::interruptedStatus);
    EXPECT_TRUE(recorder.requests.empty());
    EXPECT_FALSE(QFile::exists(outputPath()));
}

TEST_F(TerminalRecordingTest, DurationStopsThroughAutoStopAndWritesTheOutput)
{
    session.setUseAutoStop(true);
    session.setAutoStopSeconds(3);
    run.start();
    scheduler.advance(2150ms);
    recorder.completeStart();
    scheduler.advance(3s);
    ASSERT_EQ(recorder.stopCalls, 1);
    recorder.completeStop(someFrames(30));
    ASSERT_EQ(encoder.pending.size(), 1u);
    encoder.finish(QByteArray("GIF89a-bytes"));
    EXPECT_EQ(run.exitStatus(), 0);
    QFile written(outputPath());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "GIF89a-bytes");
    EXPECT_EQ(printed, (QStringList{"Recording starts in 2 seconds.", "1",
                                    "Recording started. Press Control Shift G to stop.",
                                    "Recording stopped. 30 frames captured.", "Encoding GIF…",
                                    "Wrote " + outputPath() + " (0 KB)."}));
}

TEST_F(TerminalRecordingTest, CtrlCWhileRecordingStopsAndSaves)
{
    runIntoRecording(run);
    run.interrupt();
    ASSERT_EQ(recorder.stopCalls, 1);
    recorder.completeStop(someFrames(10));
    encoder.finish(QByteArray("GIF"));
    EXPECT_EQ(run.exitStatus(), 0);
    EXPECT_TRUE(QFile::exists(outputPath()));
}

TEST_F(TerminalRecordingTest, SecondCtrlCWhileEncodingAbortsWithoutAFile)
{
    runIntoRecording(run);
    run.interrupt();
    recorder.completeStop(someFrames(10));
    ASSERT_TRUE(run.flow().isEncoding());
    run.interrupt();
    EXPECT_TRUE(encoder.pending[0].job->isCancelled());
    encoder.finish(QByteArray("GIF"));
    EXPECT_EQ(run.exitStatus(), TerminalRecording::interruptedStatus);
    EXPECT_FALSE(QFile::exists(outputPath()));
    EXPECT_TRUE(filesIn(folder.path()).isEmpty());
    EXPECT_TRUE(filesIn(downloads.path()).isEmpty());
}

TEST_F(TerminalRecordingTest, SecondCtrlCBeforeTheFramesArriveAlsoAborts)
{
    runIntoRecording(run);
    run.interrupt();
    run.interrupt();
    recorder.completeStop(someFrames(10));
    ASSERT_EQ(encoder.pending.size(), 1u);
    EXPECT_TRUE(encoder.pending[0].job->isCancelled());
    encoder.finish(QByteArray("GIF"));
    EXPECT_EQ(run.exitStatus(), TerminalRecording::interruptedStatus);
    EXPECT_FALSE(QFile::exists(outputPath()));
}

TEST_F(TerminalRecordingTest, CtrlCDuringTheStartPauseStopsOnceRecording)
{
    run.start();
    scheduler.advance(2050ms);
    ASSERT_EQ(run.flow().phase(), RecordingFlow::Phase::starting);
    run.interrupt();
    scheduler.advance(100ms);
    recorder.completeStart();
    EXPECT_EQ(recorder.stopCalls, 1);
    recorder.completeStop(someFrames(1));
    encoder.finish(QByteArray("GIF"));
    EXPECT_EQ(run.exitStatus(), 0);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(TerminalRecordingTest, StartFailureIsPrintedAndFails)
{
    run.start();
    scheduler.advance(2150ms);
    recorder.completeStart(QStringLiteral("No window selected."));
    EXPECT_EQ(run.exitStatus(), 1);
    EXPECT_EQ(printed.last(), "kinetta: No window selected.");
}

TEST_F(TerminalRecordingTest, NothingRecordedWritesNothing)
{
    runIntoRecording(run);
    run.interrupt();
    recorder.completeStop({});
    EXPECT_EQ(run.exitStatus(), 1);
    EXPECT_EQ(encoder.encodeCalls, 0);
    EXPECT_FALSE(QFile::exists(outputPath()));
}

TEST_F(TerminalRecordingTest, UnwritableOutputFallsBackToDownloadsAndSaysWhere)
{
    TerminalRecording blocked{{session, scheduler, recorder, encoder},
                              folder.filePath(QStringLiteral("missing/out.gif")),
                              [this](const QString& line) { printed << line; },
                              downloads.path()};
    runIntoRecording(blocked);
    blocked.interrupt();
    recorder.completeStop(someFrames(2));
    encoder.finish(QByteArray("GIF89a"));
    EXPECT_EQ(blocked.exitStatus(), 0);
    const QStringList saved = filesIn(downloads.path());
    ASSERT_EQ(saved.size(), 1);
    EXPECT_TRUE(printed.last().contains(saved.first())) << printed.last().toStdString();
}

TEST_F(TerminalRecordingTest, EncodingFailureSaysSoAndWritesNothing)
{
    runIntoRecording(run);
    run.interrupt();
    recorder.completeStop(someFrames(2));
    encoder.finish(std::nullopt);
    EXPECT_EQ(run.exitStatus(), 1);
    EXPECT_EQ(printed.last(), "kinetta: GIF encoding failed.");
    EXPECT_FALSE(QFile::exists(outputPath()));
}

} // namespace
} // namespace kinetta::test
