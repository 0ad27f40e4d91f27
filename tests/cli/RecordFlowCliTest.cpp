// `kinetta record` end to end on a private X server: Ctrl-C reaches the
// running program and saves the file. The flow's own cases (countdown, cancel,
// second Ctrl-C, failures) run on virtual time in TerminalRecordingTest.
#include "capture/XvfbServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace kinetta::test
{
namespace
{

class RecordFlowCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(xvfb.running()) << "Xvfb did not start";
        ASSERT_TRUE(home.isValid());
    }

    void TearDown() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    [[nodiscard]] QString output() const { return home.filePath(QStringLiteral("out.gif")); }

    // Runs `kinetta record -o <output>` with options.
    void launch(const QStringList& options)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(xvfb.display()));
        // Saved settings of the user running the tests must not leak in.
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath("config"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        process.setProcessEnvironment(environment);
        process.setReadChannel(QProcess::StandardError);
        process.start(KINETTA_EXECUTABLE, QStringList{"record", "-o", output()} + options);
        ASSERT_TRUE(process.waitForStarted(5000));
    }

    // Reads stderr until the line text.
    bool waitForLine(const QString& text)
    {
        for (;;) {
            while (process.canReadLine()) {
                lines << QString::fromUtf8(process.readLine()).trimmed();
                if (lines.last() == text)
                    return true;
            }
            if (!process.waitForReadyRead(15000))
                return false;
        }
    }

    int finish()
    {
        EXPECT_TRUE(process.waitForFinished(30000));
        lines += QString::fromUtf8(process.readAllStandardError())
                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    void interrupt() { ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0); }

    testing::XvfbServer xvfb{320, 240};
    QTemporaryDir home;
    QProcess process;
    QStringList lines;
};

TEST_F(RecordFlowCliTest, CtrlCWhileRecordingStopsAndSaves)
{
    launch({"--countdown", "0"});
    ASSERT_TRUE(waitForLine("Recording started. Press Control Shift G to stop."))
        << lines.join('\n').toStdString();
    // Let it record for half a second (it runs until interrupted), then Ctrl-C.
    EXPECT_FALSE(process.waitForFinished(500));
    interrupt();
    EXPECT_EQ(finish(), 0) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.first(), "Recording starts in 0 seconds.");
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[2].startsWith("Recording stopped. ")) << lines[2].toStdString();
    EXPECT_FALSE(lines[2].startsWith("Recording stopped. 0 ")) << lines[2].toStdString();
    QFile gif(output());
    ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
    EXPECT_EQ(gif.read(6), "GIF89a");
    // Only the finished file: no temporary file left beside it.
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.gif"});
}

} // namespace
} // namespace kinetta::test
