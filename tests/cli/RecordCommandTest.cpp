// `kinetta record` options and bad input, and `kinetta windows`, run as the
// real program against a private X server.
#include "cli/RecordCommand.h"

#include "capture/TestClient.h"
#include "capture/XvfbServer.h"
#include "cli/WindowsCommand.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace kinetta;
using namespace kinetta::cli;

namespace
{

RecordOptions parsed(const QStringList& args)
{
    auto result = parseRecordOptions(args);
    if (const auto* error = std::get_if<QString>(&result)) {
        ADD_FAILURE() << error->toStdString();
        return {};
    }
    return std::get<RecordOptions>(result);
}

QString usageError(const QStringList& args)
{
    auto result = parseRecordOptions(args);
    const auto* error = std::get_if<QString>(&result);
    return error ? *error : QString();
}

} // namespace

// --- Options -------------------------------------------------------------------

TEST(RecordOptionsTest, LeftOutOptionsStayUnset)
{
    const RecordOptions options = parsed({"-o", "out.gif"});
    EXPECT_EQ(options.output, "out.gif");
    EXPECT_FALSE(options.mode);
    EXPECT_FALSE(options.fps);
    EXPECT_FALSE(options.scale);
    EXPECT_FALSE(options.cursor);
    EXPECT_FALSE(options.durationSeconds);
    EXPECT_FALSE(options.loopCount);
    EXPECT_FALSE(options.countdownSeconds);
}

TEST(RecordOptionsTest, ReadsEveryOption)
{
    const RecordOptions options = parsed({"--mode", "area", "--area", "10,20,300,200", "--fps=12.5",
                                          "--scale", "0.5", "--no-cursor", "--duration", "4",
                                          "--loop", "3", "--countdown", "0", "--output", "x.gif"});
    EXPECT_EQ(options.mode, CaptureMode::area);
    EXPECT_EQ(options.area, QRectF(10, 20, 300, 200));
    EXPECT_EQ(options.fps, 12.5);
    EXPECT_EQ(options.scale, 0.5);
    EXPECT_EQ(options.cursor, false);
    EXPECT_EQ(options.durationSeconds, 4);
    EXPECT_EQ(options.loopCount, 3);
    EXPECT_EQ(options.countdownSeconds, 0);
    EXPECT_EQ(options.output, "x.gif");
}

TEST(RecordOptionsTest, WindowOrAreaNameTheMode)
{
    EXPECT_EQ(parsed({"--window", "0x1e00004", "-o", "a.gif"}).mode, CaptureMode::window);
    EXPECT_EQ(parsed({"--area", "0,0,2,2", "-o", "a.gif"}).mode, CaptureMode::area);
    EXPECT_FALSE(usageError({"--mode", "screen", "--window", "5", "-o", "a.gif"}).isEmpty());
    EXPECT_FALSE(usageError({"--window", "5", "--area", "0,0,9,9", "-o", "a.gif"}).isEmpty());
}

TEST(RecordOptionsTest, WindowIdsAreDecimalOrHex)
{
    EXPECT_EQ(parseWindowID("31457284"), 31457284u);
    EXPECT_EQ(parseWindowID("0x1E00004"), 0x1e00004u);
    EXPECT_FALSE(parseWindowID("0x"));
    EXPECT_FALSE(parseWindowID("-5"));
    EXPECT_FALSE(parseWindowID("12abc"));
    EXPECT_FALSE(parseWindowID("0"));
    EXPECT_FALSE(parseWindowID("0x100000000"));
}

TEST(RecordOptionsTest, OutOfRangeValuesAreUsageErrors)
{
    for (const QStringList& bad : {QStringList{"--fps", "0"},
                                   {"--fps", "61"},
                                   {"--fps", "nan"},
                                   {"--scale", "0"},
                                   {"--scale", "1.5"},
                                   {"--duration", "0"},
                                   {"--duration", "1.5"},
                                   {"--loop", "-1"},
                                   {"--loop", "65536"},
                                   {"--countdown", "61"},
                                   {"--area", "0,0,1,5"},
                                   {"--area", "1,2,3"},
                                   {"--mode", "desktop"},
                                   {"--bogus"},
                                   {"--fps"}}) {
        EXPECT_FALSE(usageError(bad + QStringList{"-o", "a.gif"}).isEmpty())
            << bad.join(' ').toStdString();
    }
    EXPECT_EQ(usageError({"--fps", "10"}), "the output file is missing (-o OUT.gif)");
}

TEST(RecordTargetTest, ChecksWindowAndAreaAgainstTheDisplay)
{
    ShareableContent content{{{1, QRect(0, 0, 320, 240)}}, {{77, QRectF(0, 0, 200, 100), 5}}};
    EXPECT_FALSE(checkTarget(CaptureMode::fullScreen, std::nullopt, std::nullopt, content));
    EXPECT_FALSE(checkTarget(CaptureMode::window, 77u, std::nullopt, content));
    EXPECT_TRUE(checkTarget(CaptureMode::window, 78u, std::nullopt, content));
    EXPECT_TRUE(checkTarget(CaptureMode::window, std::nullopt, std::nullopt, content));
    EXPECT_FALSE(checkTarget(CaptureMode::area, std::nullopt, QRectF(0, 0, 320, 240), content));
    EXPECT_TRUE(checkTarget(CaptureMode::area, std::nullopt, QRectF(1, 0, 320, 240), content));
    EXPECT_TRUE(checkTarget(CaptureMode::area, std::nullopt, QRectF(-1, 0, 20, 20), content));
    EXPECT_TRUE(
        checkTarget(CaptureMode::fullScreen, std::nullopt, std::nullopt, ShareableContent{}));
}

TEST(RecordOutputTest, OutputMustBeWritableAndLeavesNothingBehind)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    EXPECT_FALSE(checkOutputWritable(folder.filePath("out.gif")));
    EXPECT_TRUE(checkOutputWritable(folder.path()));
    EXPECT_TRUE(checkOutputWritable(folder.filePath("missing/out.gif")));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

TEST(WindowsFormatTest, TabSeparatedWithHexIdAndWholeNumbers)
{
    WindowInfo window{0x1e00004, "Term\tinal", "a\nb", QRectF(10.7, -3.2, 640.9, 480.1), 5};
    EXPECT_EQ(formatWindowLine(window), "0x1e00004\tTerm inal\ta b\t10\t-3\t640\t480");
}

// --- The program ------------------------------------------------------------------

namespace
{

struct CommandFixture : ::testing::Test {
    kinetta::testing::XvfbServer server{320, 240};
    QTemporaryDir home;

    struct Result {
        int status = -1;
        QString out;
        QString err;
    };

    Result run(const QStringList& args, bool withDisplay = true)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        environment.remove("WAYLAND_DISPLAY");
        if (withDisplay)
            environment.insert("DISPLAY", QString::fromStdString(server.display()));
        else
            environment.remove("DISPLAY");
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KINETTA_EXECUTABLE), args);
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // Bad input: one line on stderr, a failure status, no file made.
    void expectRefused(const QStringList& args, const QString& text, bool withDisplay = true)
    {
        const QString output = home.filePath("out.gif");
        const Result result =
            run(QStringList{"record"} + args + QStringList{"-o", output}, withDisplay);
        EXPECT_NE(result.status, 0);
        EXPECT_TRUE(result.err.startsWith("kinetta record: ")) << result.err.toStdString();
        EXPECT_EQ(result.err.count('\n'), 1) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(text)) << result.err.toStdString();
        EXPECT_FALSE(QFile::exists(output));
        EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }
};

} // namespace

TEST_F(CommandFixture, BadInputIsRefusedBeforeRecording)
{
    ASSERT_TRUE(server.running());
    expectRefused({"--window", "0x7ffffff"}, "no window 0x7ffffff is on screen");
    expectRefused({"--area", "300,200,50,50"}, "lies outside the display");
    expectRefused({"--area", "0,0,1,1"}, "at least 2x2");
    expectRefused({"--fps", "100"}, "--fps must be");
    expectRefused({"--mode", "window"}, "window mode needs --window");
    expectRefused({}, "No X display is set", false);
}

TEST_F(CommandFixture, UnwritableOutputIsRefusedBeforeRecording)
{
    ASSERT_TRUE(server.running());
    const Result missing = run({"record", "-o", home.filePath("nowhere/out.gif")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("does not exist")) << missing.err.toStdString();
    const Result folder = run({"record", "-o", home.path()});
    EXPECT_EQ(folder.status, 1);
    EXPECT_TRUE(folder.err.contains("is a folder")) << folder.err.toStdString();
    if (geteuid() != 0) { // root may write anywhere
        const QString locked = home.filePath("locked");
        ASSERT_TRUE(QDir().mkdir(locked));
        chmod(locked.toLocal8Bit().constData(), 0500);
        const Result denied = run({"record", "-o", locked + "/out.gif"});
        EXPECT_EQ(denied.status, 1);
    }
}

TEST_F(CommandFixture, WindowsListsRecordableWindowsInOrder)
{
    ASSERT_TRUE(server.running());
    kinetta::testing::TestClient client(server.display());
    kinetta::testing::WindowSpec big = kinetta::testing::solidWindow(10, 20, 200, 100, 0xff0000);
    big.windowClass = "Zed";
    big.title = "second";
    big.pid = 4000002;
    const xcb_window_t first = client.createWindow(big);
    kinetta::testing::WindowSpec other = kinetta::testing::solidWindow(30, 40, 150, 90, 0x00ff00);
    other.windowClass = "Alpha";
    other.title = "first";
    other.pid = 4000002;
    const xcb_window_t second = client.createWindow(other);
    kinetta::testing::WindowSpec small = kinetta::testing::solidWindow(0, 0, 100, 50, 0x0000ff);
    small.pid = 4000002;
    client.createWindow(small);

    const Result result = run({"windows"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, QStringLiteral("0x%1\tAlpha\tfirst\t30\t40\t150\t90\n"
                                         "0x%2\tZed\tsecond\t10\t20\t200\t100\n")
                              .arg(second, 0, 16)
                              .arg(first, 0, 16));
    const Result noDisplay = run({"windows"}, false);
    EXPECT_EQ(noDisplay.status, 1);
    EXPECT_TRUE(noDisplay.err.startsWith("kinetta windows: "));
}

TEST_F(CommandFixture, RecordsAWindowForTheGivenDuration)
{
    ASSERT_TRUE(server.running());
    kinetta::testing::TestClient client(server.display());
    kinetta::testing::WindowSpec spec = kinetta::testing::solidWindow(10, 20, 120, 80, 0x3366cc);
    spec.pid = 4000003;
    const xcb_window_t window = client.createWindow(spec);
    const QString output = home.filePath("window.gif");
    const Result result =
        run({"record", "--window", QString::number(window), "--fps", "10", "--scale", "0.5",
             "--duration", "1", "--no-countdown", "-o", output});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    QFile gif(output);
    ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
    const QByteArray header = gif.read(10);
    EXPECT_EQ(header.left(6), "GIF89a");
    // Logical screen size: the window at half scale.
    EXPECT_EQ(static_cast<unsigned char>(header[6]) | (static_cast<unsigned char>(header[7]) << 8),
              60);
    EXPECT_EQ(static_cast<unsigned char>(header[8]) | (static_cast<unsigned char>(header[9]) << 8),
              40);
    // Options given on the command line are not saved.
    EXPECT_FALSE(QFile::exists(home.filePath("config/kinetta/kinetta.conf")) &&
                 QFile(home.filePath("config/kinetta/kinetta.conf")).size() > 0);
}
