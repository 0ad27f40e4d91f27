// `kinetta record` options, bad input and Ctrl-C, and `kinetta windows`, run as
// the real program against a private X server.
#include "cli/RecordCommand.h"

#include "capture/TestClient.h"
#include "capture/XvfbServer.h"
#include "cli/WindowsCommand.h"
#include "gif/GifTestDecoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
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

TEST(RecordOptionsTest, ReadsEveryOptionAndLeavesOutOthersUnset)
{
    const RecordOptions options = parsed({"--mode",      "area",    "--area",    "10,20,300,200",
                                          "--fps=12.5",  "--scale", "0.5",       "--no-cursor",
                                          "--duration",  "4",       "--loop",    "3",
                                          "--countdown", "0",       "--quality", "40",
                                          "--max-size",  "1.5M",    "--output",  "x.gif"});
    EXPECT_EQ(options.mode, CaptureMode::area);
    EXPECT_EQ(options.area, QRectF(10, 20, 300, 200));
    EXPECT_EQ(options.fps, 12.5);
    EXPECT_EQ(options.scale, 0.5);
    EXPECT_EQ(options.cursor, false);
    EXPECT_EQ(options.durationSeconds, 4);
    EXPECT_EQ(options.loopCount, 3);
    EXPECT_EQ(options.countdownSeconds, 0);
    EXPECT_EQ(options.target.quality, 40);
    EXPECT_EQ(options.target.maxBytes, 1572864u);
    EXPECT_EQ(options.output, "x.gif");

    const RecordOptions bare = parsed({"-o", "out.gif"});
    EXPECT_EQ(bare.output, "out.gif");
    EXPECT_FALSE(bare.mode || bare.fps || bare.scale || bare.cursor || bare.durationSeconds ||
                 bare.loopCount || bare.countdownSeconds);
    EXPECT_EQ(bare.target.quality, 100);
    EXPECT_EQ(bare.target.maxBytes, 0u);
    // --window or --area name the mode.
    EXPECT_EQ(parsed({"--window", "0x1e00004", "-o", "a.gif"}).mode, CaptureMode::window);
    EXPECT_EQ(parsed({"--area", "0,0,2,2", "-o", "a.gif"}).mode, CaptureMode::area);
    // Of two options that undo each other, the last given counts.
    EXPECT_EQ(parsed({"--cursor", "--no-cursor", "--cursor", "-o", "a.gif"}).cursor, true);
    EXPECT_EQ(parsed({"--countdown", "5", "--no-countdown", "-o", "a.gif"}).countdownSeconds, 0);
    EXPECT_EQ(parsed({"--no-countdown", "--countdown=5", "-o", "a.gif"}).countdownSeconds, 5);
}

TEST(RecordOptionsTest, OutOfRangeOrConflictingValuesAreUsageErrors)
{
    // Number reading shared with `encode`: each option below goes through it.
    for (const char* bad : {"--fps 0",
                            "--fps 61",
                            "--fps -5",
                            "--fps nan",
                            "--fps inf",
                            "--fps 1e1",
                            "--fps 0x10",
                            "--fps 0.001",
                            "--scale 0",
                            "--scale 1.5",
                            "--duration 0",
                            "--duration 1.5",
                            "--loop -1",
                            "--loop 2.5",
                            "--loop 0x10",
                            "--loop 65536",
                            "--countdown 61",
                            "--quality 0",
                            "--quality 101",
                            "--max-size 0",
                            "--max-size 3G",
                            "--max-size",
                            "--area 0,0,1,5",
                            "--area 1,2,3",
                            "--mode desktop",
                            "--mode screen --window 5",
                            "--window 5 --area 0,0,9,9",
                            "--bogus",
                            "stray",
                            "--fps 30 --fps 61",
                            "--fps"}) {
        EXPECT_FALSE(usageError(QString(bad).split(' ') + QStringList{"-o", "a.gif"}).isEmpty())
            << bad;
    }
    EXPECT_EQ(usageError({"--fps", "10"}), "the output file is missing (-o OUT.gif)");
    // Worded as `encode` words it: one reader for both commands.
    EXPECT_EQ(usageError({"--fps", "100", "-o", "a.gif"}),
              "--fps must be a number from 1 to 60, not '100'");
}

TEST(RecordOptionsTest, WindowIdsAreDecimalOrHex)
{
    EXPECT_EQ(parseWindowID("31457284"), 31457284u);
    EXPECT_EQ(parseWindowID("0x1E00004"), 0x1e00004u);
    for (const char* bad : {"0x", "-5", "12abc", "0", "0x100000000"})
        EXPECT_FALSE(parseWindowID(bad)) << bad;
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

TEST(WindowsFormatTest, TabSeparatedWithHexIdAndWholeNumbers)
{
    WindowInfo window{0x1e00004, "Term\tinal", "a\nb", QRectF(10.7, -3.2, 640.9, 480.1), 5, {}};
    EXPECT_EQ(formatWindowLine(window), "0x1e00004\tTerm inal\ta b\t10\t-3\t640\t480");
}

// --- The program ------------------------------------------------------------------

namespace
{

struct CommandFixture : ::testing::Test {
    kinetta::testing::XvfbServer server{320, 240};
    kinetta::testing::TestClient client{server.display()};
    QTemporaryDir home;

    struct Result {
        int status = -1;
        QString out;
        QString err;
    };

    void SetUp() override { ASSERT_TRUE(server.running() && client.connected()); }

    // Saved settings of the user running the tests must not leak in.
    void prepare(QProcess& process, bool withDisplay = true)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("DISPLAY");
        if (withDisplay)
            environment.insert("DISPLAY", QString::fromStdString(server.display()));
        process.setProcessEnvironment(environment);
    }

    Result run(const QStringList& args, bool withDisplay = true,
               const QStringList& extraEnvironment = {})
    {
        QProcess process;
        prepare(process, withDisplay);
        QProcessEnvironment environment = process.processEnvironment();
        for (const QString& entry : extraEnvironment)
            environment.insert(entry.section(QLatin1Char('='), 0, 0),
                               entry.section(QLatin1Char('='), 1));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KINETTA_EXECUTABLE), args);
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    [[nodiscard]] QString settingsFile() const
    {
        return home.filePath("config/kinetta/kinetta.conf");
    }

    void writeSettings(const QByteArray& content)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(settingsFile()).path()));
        QFile file(settingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    // Bad input: one line on stderr, the status (1 for bad input, 2 for a
    // usage error), no file made.
    void expectRefused(QStringList args, const QString& text, int status = 1,
                       bool withDisplay = true)
    {
        if (!args.contains("-o"))
            args << "-o" << home.filePath("out.gif");
        const Result result = run(QStringList{"record"} + args, withDisplay);
        EXPECT_EQ(result.status, status) << args.join(' ').toStdString();
        EXPECT_TRUE(result.err.startsWith("kinetta record: ")) << result.err.toStdString();
        EXPECT_EQ(result.err.count('\n'), 1) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(text)) << result.err.toStdString();
        EXPECT_FALSE(QFileInfo(args.last()).isFile());
        EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }
};

// Logical screen width and height of a GIF file.
std::pair<int, int> gifSize(const QByteArray& gif)
{
    const auto word = [&](int at) {
        return static_cast<unsigned char>(gif[at]) | static_cast<unsigned char>(gif[at + 1]) << 8;
    };
    return gif.size() < 10 ? std::pair(0, 0) : std::pair(word(6), word(8));
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(CommandFixture, BadInputIsRefusedBeforeRecording)
{
    expectRefused({"--window", "0x7ffffff"}, "no window 0x7ffffff is on screen");
    expectRefused({"--area", "300,200,50,50"}, "lies outside the display");
    expectRefused({"--area", "0,0,1,1"}, "at least 2x2", 2);
    expectRefused({}, "No X display is set", 1, false);
    expectRefused({"-o", home.filePath("nowhere/out.gif")}, "does not exist");
    expectRefused({"-o", home.path()}, "is a folder");
    if (geteuid() != 0) { // root may write anywhere
        const QString locked = home.filePath("locked");
        ASSERT_TRUE(QDir().mkdir(locked));
        chmod(locked.toLocal8Bit().constData(), 0500);
        expectRefused({"-o", locked + "/out.gif"}, locked);
    }
}

TEST_F(CommandFixture, MissingTargetsAndValuesGivenToFlagsAreUsageErrors)
{
    // Each would otherwise record for a second.
    const QStringList shortRun{"--duration", "1", "--no-countdown"};
    expectRefused(QStringList{"--mode", "area"} + shortRun, "area mode needs --area X,Y,W,H", 2);
    expectRefused(QStringList{"--mode", "window"} + shortRun, "window mode needs --window", 2);
    expectRefused(QStringList{"--cursor=no"} + shortRun, "--cursor takes no value", 2);
    expectRefused({"--duration", "1", "--no-countdown=5"}, "--no-countdown takes no value", 2);
    // A saved mode needs its target as much as a given one.
    writeSettings("[General]\ncaptureMode=Area\n");
    expectRefused(shortRun,
                  "area mode needs --area X,Y,W,H (the saved mode; --mode chooses another)", 2);
}

// The control panel cannot reach these; a hand-edited file can.
TEST_F(CommandFixture, SavedSettingsOutsideThePanelsRangesAreHeldToThemAndNamed)
{
    const QByteArray saved = "[General]\nfps=1000\nscale=100\nuseCountdown=true\n"
                             "countdownSeconds=-3\nloopCount=99999999\n";
    writeSettings(saved);
    const QString output = home.filePath("out.gif");
    const Result result = run({"record", "--duration", "1", "-o", output});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    for (const QString held : {"fps=1000 in %1 is outside 5 to 24; using 24.",
                               "scale=100 in %1 is outside 0.25 to 1; using 1.",
                               "countdownSeconds=-3 in %1 is outside 1 to 30; using 1.",
                               "loopCount=99999999 in %1 is outside 0 to 65535; using 65535."}) {
        EXPECT_EQ(result.err.count("kinetta record: " + held.arg(settingsFile()) + "\n"), 1)
            << held.toStdString() << "\n"
            << result.err.toStdString();
    }
    EXPECT_TRUE(result.err.contains("Recording starts in 1 second.\n")) << result.err.toStdString();
    const QByteArray gif = readAll(output);
    EXPECT_EQ(gifSize(gif), std::pair(320, 240));
    // The looping extension carries the held count.
    const qsizetype loop = gif.indexOf("NETSCAPE2.0");
    ASSERT_GT(loop, 0);
    EXPECT_EQ(gif.mid(loop + 11, 4), QByteArray("\x03\x01\xff\xff", 4));
    // The file is the user's: left exactly as it was.
    EXPECT_EQ(readAll(settingsFile()), saved);
    // Options given keep their own ranges; a saved value they replace is not named.
    const Result given = run({"record", "--duration", "1", "--fps", "60", "--scale", "0.05",
                              "--countdown", "0", "--loop", "2", "-o", output});
    ASSERT_EQ(given.status, 0) << given.err.toStdString();
    EXPECT_FALSE(given.err.contains("kinetta record: ")) << given.err.toStdString();
    EXPECT_EQ(gifSize(readAll(output)), std::pair(16, 12));
}

TEST_F(CommandFixture, WindowsListsRecordableWindowsInOrder)
{
    const xcb_window_t first = client.createWindow({.x = 10,
                                                    .y = 20,
                                                    .width = 200,
                                                    .height = 100,
                                                    .pid = 4000002,
                                                    .windowClass = "Zed",
                                                    .title = "second"});
    const xcb_window_t second = client.createWindow({.x = 30,
                                                     .y = 40,
                                                     .width = 150,
                                                     .height = 90,
                                                     .pid = 4000002,
                                                     .windowClass = "Alpha",
                                                     .title = "first"});
    client.createWindow({.width = 100, .height = 50, .pid = 4000002}); // too small

    const Result result = run({"windows"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, QStringLiteral("0x%1\tAlpha\tfirst\t30\t40\t150\t90\n"
                                         "0x%2\tZed\tsecond\t10\t20\t200\t100\n")
                              .arg(second, 0, 16)
                              .arg(first, 0, 16));
    const Result noDisplay = run({"windows"}, false);
    EXPECT_EQ(noDisplay.status, 1);
    EXPECT_TRUE(noDisplay.err.startsWith("kinetta windows: "));

    // Through the desktop portal there are no windows to list or record, and
    // no screen-sharing prompt is shown to find that out.
    const QStringList portal{QStringLiteral("KINETTA_CAPTURE=portal"),
                             QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent")};
    const Result wayland = run({"windows"}, true, portal);
    EXPECT_EQ(wayland.status, 1);
    EXPECT_TRUE(wayland.err.contains(QStringLiteral("single windows are not offered")))
        << wayland.err.toStdString();
    EXPECT_TRUE(wayland.out.isEmpty());
    const Result window = run({"record", "--window", QString::number(second), "--duration", "1",
                               "-o", home.filePath("w.gif")},
                              true, portal);
    EXPECT_EQ(window.status, 1);
    EXPECT_TRUE(window.err.contains(QStringLiteral("single windows are not offered")))
        << window.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.filePath("w.gif")));
}

TEST_F(CommandFixture, RecordsAWindowForTheGivenDuration)
{
    const xcb_window_t window = client.createWindow(
        {.x = 10, .y = 20, .width = 120, .height = 80, .background = 0x3366cc, .pid = 4000003});
    const QString output = home.filePath("window.gif");
    const Result result =
        run({"record", "--window", QString::number(window), "--fps", "10", "--scale", "0.5",
             "--duration", "1", "--no-countdown", "-o", output});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    // Checking that the output is writable left nothing behind.
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"window.gif"});
    const QByteArray gif = readAll(output);
    EXPECT_EQ(gif.left(6), "GIF89a");
    // Logical screen size: the window at half scale.
    EXPECT_EQ(gifSize(gif), std::pair(60, 40));
    // Options given on the command line are not saved.
    EXPECT_LE(QFileInfo(settingsFile()).size(), 0);

    // A size target: each pass and what fitted are printed.
    const Result fitted =
        run({"record", "--window", QString::number(window), "--duration", "1", "--no-countdown",
             "--quality", "50", "--max-size", "100K", "-o", home.filePath("small.gif")});
    ASSERT_EQ(fitted.status, 0) << fitted.err.toStdString();
    EXPECT_TRUE(fitted.err.contains("Encoding: pass 1 of 3: estimating sizes"))
        << fitted.err.toStdString();
    EXPECT_TRUE(fitted.err.contains("Encoding: pass 2 of 3: encoding at quality 50"))
        << fitted.err.toStdString();
    EXPECT_TRUE(fitted.err.contains("Encoding: quality 50 fits in 102400 bytes"))
        << fitted.err.toStdString();
    EXPECT_LE(readAll(home.filePath("small.gif")).size(), 102400);
}

TEST_F(CommandFixture, RecordingsPlayAsLongAsTheyWereRecordedAtFractionalAndFastRates)
{
    client.createWindow({.x = 20, .y = 20, .width = 200, .height = 150, .background = 0x336699});
    // Side by side, so that the three take the time of one.
    const QStringList rates{"12.5", "30", "1.5"};
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QString& rate : rates) {
        auto process = std::make_unique<QProcess>();
        prepare(*process);
        process->start(QStringLiteral(KINETTA_EXECUTABLE),
                       {"record", "--fps", rate, "--scale", "0.5", "--duration", "6",
                        "--no-countdown", "-o", home.filePath(rate + ".gif")});
        processes.push_back(std::move(process));
    }
    for (std::size_t i = 0; i < processes.size(); ++i) {
        const QString& rate = rates[static_cast<qsizetype>(i)];
        SCOPED_TRACE(rate.toStdString() + " fps");
        QProcess& process = *processes[i];
        ASSERT_TRUE(process.waitForFinished(60000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        ASSERT_EQ(process.exitCode(), 0) << err.toStdString();
        const QByteArray bytes = readAll(home.filePath(rate + ".gif"));
        const auto gif =
            gif::testing::decodeGif({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                     static_cast<std::size_t>(bytes.size())});
        ASSERT_TRUE(gif);
        int hundredths = 0;
        for (const auto& image : gif->images)
            hundredths += image.delayHundredths;
        EXPECT_NEAR(hundredths, 600, 10) << err.toStdString();
        // Every frame captured is written, repeats included.
        EXPECT_TRUE(err.contains(QStringLiteral("Recording stopped. %1 frames captured.")
                                     .arg(gif->images.size())))
            << err.toStdString();
    }
}

TEST_F(CommandFixture, CtrlCWhileRecordingStopsAndSavesOnlyTheFinishedFile)
{
    const QString output = home.filePath("out.gif");
    QProcess process;
    prepare(process);
    process.setReadChannel(QProcess::StandardError);
    process.start(QStringLiteral(KINETTA_EXECUTABLE), {"record", "--countdown", "0", "-o", output});
    ASSERT_TRUE(process.waitForStarted(5000));
    QString err;
    while (!err.contains("Recording started.") && process.waitForReadyRead(15000))
        err += QString::fromUtf8(process.readAllStandardError());
    // The hotkey means nothing to a terminal, and a countdown of 0 is none at all.
    ASSERT_TRUE(err.contains("Recording started. Press Ctrl+C to stop.")) << err.toStdString();
    EXPECT_FALSE(err.contains("Recording starts in")) << err.toStdString();
    EXPECT_FALSE(process.waitForFinished(500)); // it records until interrupted
    ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    ASSERT_TRUE(process.waitForFinished(30000));
    err += QString::fromUtf8(process.readAllStandardError());
    ASSERT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(err.contains("\nRecording stopped. ")) << err.toStdString();
    EXPECT_FALSE(err.contains("Recording stopped. 0 ")) << err.toStdString();
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.gif"});
    EXPECT_EQ(readAll(output).left(6), "GIF89a");
}
