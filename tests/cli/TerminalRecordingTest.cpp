// `kinetta record`'s run through the recording flow, on virtual time with a
// fake recorder and encoder; the file writing is real, in a temporary folder.
#include "cli/TerminalRecording.h"

#include "app/FlowServices.h"
#include "app/FlowTestDoubles.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace kinetta::test
{
namespace
{

using namespace std::chrono_literals;
using cli::TerminalRecording;

FrameList someFrames(std::size_t count)
{
    return FrameList(count, Frame::fromPixels(2, 2, std::vector<std::uint32_t>(4, 0xff000000u)));
}

QStringList filesIn(const QString& path)
{
    return QDir(path).entryList(QDir::Files | QDir::Hidden);
}

// A two-second countdown and auto-copy, so the flow ends by writing the output.
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

    [[nodiscard]] std::unique_ptr<TerminalRecording> runWritingTo(const QString& output)
    {
        return std::make_unique<TerminalRecording>(
            TerminalRecording::Services{session, scheduler, recorder, encoder}, output,
            [this](const QString& line) { printed << line; },
            std::vector{cli::OutputFileDelivery::folder(downloads.path())});
    }

    void expectAbortedWithoutAFile(const TerminalRecording& recording)
    {
        ASSERT_EQ(encoder.pending.size(), 1u);
        EXPECT_TRUE(encoder.pending[0].job->isCancelled());
        encoder.finish(QByteArray("GIF"));
        EXPECT_EQ(recording.exitStatus(), TerminalRecording::interruptedStatus);
        EXPECT_TRUE(filesIn(folder.path()).isEmpty());
        EXPECT_TRUE(filesIn(downloads.path()).isEmpty());
    }

    // Counts down, starts the recorder, runs for a second and presses Ctrl-C.
    void recordThenInterrupt(TerminalRecording& recording)
    {
        const int stops = recorder.stopCalls;
        recording.start();
        scheduler.advance(2150ms);
        recorder.completeStart();
        scheduler.advance(1s);
        ASSERT_EQ(recording.flow().phase(), RecordingFlow::Phase::recording);
        recording.interrupt();
        ASSERT_EQ(recorder.stopCalls, stops + 1);
    }

    QTemporaryDir folder;
    QTemporaryDir downloads;
    RecordingSession session;
    VirtualScheduler scheduler;
    FakeRecorder recorder;
    FakeEncoder encoder;
    QStringList printed;
    const std::unique_ptr<TerminalRecording> run = runWritingTo(outputPath());
};

TEST_F(TerminalRecordingTest, RepeatedFramesAreCountedInTheAnnouncementAndToldOnTheirOwnLine)
{
    recordThenInterrupt(*run);
    recorder.completeStop(someFrames(12), 3);
    encoder.finish(QByteArray("GIF89a"));
    EXPECT_EQ(run->exitStatus(), 0);
    const auto stopped = printed.indexOf("Recording stopped. 12 frames captured.");
    ASSERT_GE(stopped, 0) << printed.join('|').toStdString();
    EXPECT_EQ(printed.value(stopped + 1), "3 frames repeated: the machine could not keep up.");
    EXPECT_EQ(TerminalRecording::repeatedText(1),
              "1 frame repeated: the machine could not keep up.");
}

TEST_F(TerminalRecordingTest, CountdownIsPrintedAsAnnouncedAndCtrlCCancelsIt)
{
    run->start();
    scheduler.advance(1s);
    EXPECT_EQ(printed, (QStringList{"Recording starts in 2 seconds.", "1"}));
    run->interrupt();
    EXPECT_FALSE(run->isFinished());
    scheduler.advance(1s);
    EXPECT_EQ(printed.last(), "Recording cancelled.");
    EXPECT_EQ(run->exitStatus(), TerminalRecording::interruptedStatus);
    EXPECT_TRUE(recorder.requests.empty());
    EXPECT_FALSE(QFile::exists(outputPath()));
}

TEST_F(TerminalRecordingTest, CtrlCWhileRecordingSavesToTheOutputOrElseToDownloads)
{
    recordThenInterrupt(*run);
    recorder.completeStop(someFrames(10));
    encoder.finish(QByteArray("GIF89a-bytes"));
    EXPECT_EQ(run->exitStatus(), 0);
    QFile written(outputPath());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "GIF89a-bytes");
    EXPECT_EQ(printed, (QStringList{"Recording starts in 2 seconds.", "1",
                                    "Recording started. Press Ctrl+C to stop.",
                                    "Recording stopped. 10 frames captured.", "Encoding GIF…",
                                    "Wrote " + outputPath() + " (0 KB)."}));

    const auto blocked = runWritingTo(folder.filePath(QStringLiteral("missing/out.gif")));
    recordThenInterrupt(*blocked);
    recorder.completeStop(someFrames(2));
    encoder.finish(QByteArray("GIF89a"));
    EXPECT_EQ(blocked->exitStatus(), 0);
    const QStringList saved = filesIn(downloads.path());
    ASSERT_EQ(saved.size(), 1);
    EXPECT_TRUE(printed.last().contains(saved.first())) << printed.last().toStdString();
}

TEST_F(TerminalRecordingTest, SecondCtrlCBeforeOrWhileEncodingAbortsWithoutAFile)
{
    recordThenInterrupt(*run);
    run->interrupt();
    recorder.completeStop(someFrames(10));
    expectAbortedWithoutAFile(*run);

    const auto encoding = runWritingTo(outputPath());
    recordThenInterrupt(*encoding);
    recorder.completeStop(someFrames(10));
    ASSERT_TRUE(encoding->flow().isEncoding());
    encoding->interrupt();
    expectAbortedWithoutAFile(*encoding);
}

TEST_F(TerminalRecordingTest, CtrlCDuringTheStartPauseStopsOnceRecording)
{
    run->start();
    scheduler.advance(2050ms);
    ASSERT_EQ(run->flow().phase(), RecordingFlow::Phase::starting);
    run->interrupt();
    scheduler.advance(100ms);
    recorder.completeStart();
    EXPECT_EQ(recorder.stopCalls, 1);
    recorder.completeStop(someFrames(1));
    encoder.finish(QByteArray("GIF"));
    EXPECT_EQ(run->exitStatus(), 0);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(TerminalRecordingTest, FailuresArePrintedAndExitWithOneLeavingNoFile)
{
    run->start();
    scheduler.advance(2150ms);
    recorder.completeStart(QStringLiteral("No window selected."));
    EXPECT_EQ(run->exitStatus(), 1);
    EXPECT_EQ(printed.last(), "kinetta: No window selected.");

    const auto emptyRun = runWritingTo(outputPath());
    recordThenInterrupt(*emptyRun);
    recorder.completeStop({});
    EXPECT_EQ(emptyRun->exitStatus(), 1);
    EXPECT_EQ(encoder.encodeCalls, 0);

    const auto failing = runWritingTo(outputPath());
    recordThenInterrupt(*failing);
    recorder.completeStop(someFrames(2));
    encoder.fail(QStringLiteral("there is not enough memory to read frame 1"));
    EXPECT_EQ(failing->exitStatus(), 1);
    EXPECT_EQ(printed.last(),
              "kinetta: GIF encoding failed: there is not enough memory to read frame 1.");
    EXPECT_TRUE(filesIn(folder.path()).isEmpty());

    // Refused before the countdown: nothing is recorded only to be lost.
    session.setLoopCount(70000);
    const QStringList before = printed;
    const auto refused = runWritingTo(outputPath());
    refused->start();
    EXPECT_EQ(refused->exitStatus(), 1);
    EXPECT_EQ(printed.mid(before.size()),
              QStringList{"kinetta: These settings cannot make a GIF: the loop count must be "
                          "between 0 and 65535."});
}

// Fails every write into the given folders the way a full disk does.
class FullDiskWriter final : public FileWriter
{
public:
    std::optional<QString> write(const QString& path, const QByteArray& data) override
    {
        for (const QString& folder : fullFolders) {
            if (path.startsWith(folder + QLatin1Char('/')))
                return QStringLiteral("cannot write %1: %2")
                    .arg(path, QString::fromLocal8Bit(std::strerror(ENOSPC)));
        }
        return AtomicFileWriter::instance().write(path, data);
    }
    QStringList fullFolders;
};

// The standard places, in this test's folders: no Downloads folder at all.
TEST_F(TerminalRecordingTest, AFullOutputDiskFallsBackToTheCacheThenTheRuntimeFolder)
{
    const QString home = folder.filePath(QStringLiteral("home"));
    const QString cache = folder.filePath(QStringLiteral("cache"));
    const QString runtime = folder.filePath(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkpath(home) && QDir().mkpath(runtime));
    ASSERT_TRUE(
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    FullDiskWriter writer;
    writer.fullFolders = {folder.path() + QStringLiteral("/out"), cache};
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("out")));
    const QString output = folder.filePath(QStringLiteral("out/rec.gif"));
    const QString full = QString::fromLocal8Bit(std::strerror(ENOSPC));
    // A session of its own: the fixture's run listens to the shared one.
    RecordingSession own;
    own.setAutoCopy(true);
    own.setUseCountdown(true);
    own.setCountdownSeconds(2);
    const auto runOnto = [&] {
        printed.clear();
        auto recording = std::make_unique<TerminalRecording>(
            TerminalRecording::Services{own, scheduler, recorder, encoder}, output,
            [this](const QString& line) { printed << line; },
            cli::OutputFileDelivery::standardFallbacks(), writer);
        recordThenInterrupt(*recording);
        recorder.completeStop(someFrames(3));
        encoder.finish(QByteArray("GIF89a-kept"));
        return recording;
    };

    const auto rescued = runOnto();
    EXPECT_EQ(rescued->exitStatus(), 0);
    const QStringList saved = filesIn(runtime + QStringLiteral("/kinetta"));
    ASSERT_EQ(saved.size(), 1);
    const QString location = runtime + QStringLiteral("/kinetta/") + saved.first();
    QFile file(location);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "GIF89a-kept");
    const QStringList report = printed.mid(printed.indexOf("Encoding GIF…") + 1);
    ASSERT_EQ(report.size(), 4) << report.join('\n').toStdString();
    EXPECT_EQ(report[0], "kinetta: cannot write " + output + ": " + full);
    EXPECT_EQ(report[1], "kinetta: there is no Downloads folder");
    EXPECT_TRUE(report[2].startsWith("kinetta: cannot write " + cache + "/kinetta/kinetta-"));
    EXPECT_TRUE(report[2].endsWith(": " + full));
    EXPECT_EQ(report[3], "Saved the GIF to " + location + " instead.");

    // Nowhere left: every reason, then the loss, and never a word of copying.
    writer.fullFolders << runtime;
    const auto lost = runOnto();
    EXPECT_EQ(lost->exitStatus(), 1);
    EXPECT_EQ(printed.last(), "kinetta: the GIF could not be saved anywhere.");
    EXPECT_EQ(printed.filter(full).size(), 3);
    EXPECT_TRUE(printed.filter("cop", Qt::CaseInsensitive).isEmpty())
        << printed.join('\n').toStdString();
    EXPECT_EQ(filesIn(runtime + QStringLiteral("/kinetta")), saved);
}

} // namespace
} // namespace kinetta::test
