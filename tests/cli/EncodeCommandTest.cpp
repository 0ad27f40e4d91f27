#include "gif/GifTestDecoder.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <pty.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace
{

using kinetta::gif::testing::DecodedGif;
using Cases = std::vector<std::pair<QStringList, QString>>;

struct CommandRun {
    int status = -1;
    QString err;
};

CommandRun runEncode(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(KINETTA_EXE), QStringList{"encode"} + args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {-1, QStringLiteral("did not finish")};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// A grey PNG whose IHDR declares width x height, with one scanline of data:
// the header is all a reader has to refuse it by.
QByteArray pngDeclaring(std::uint32_t width, std::uint32_t height)
{
    const auto chunk = [](const char* type, const QByteArray& data) {
        QByteArray body = QByteArray(type) + data;
        QByteArray out;
        QDataStream stream(&out, QIODevice::WriteOnly);
        stream << static_cast<quint32>(data.size());
        out += body;
        QDataStream crc(&out, QIODevice::Append);
        crc << static_cast<quint32>(::crc32(0, reinterpret_cast<const Bytef*>(body.constData()),
                                            static_cast<uInt>(body.size())));
        return out;
    };
    QByteArray header;
    QDataStream ihdr(&header, QIODevice::WriteOnly);
    ihdr << width << height << quint8(8) << quint8(0) << quint8(0) << quint8(0) << quint8(0);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", qCompress(QByteArray(1 + width, '\0')).mid(4)) + chunk("IEND", {});
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

class EncodeCommand : public ::testing::Test
{
protected:
    [[nodiscard]] QString path(const QString& name) const { return m_dir.filePath(name); }

    // A PNG of one colour with a marker pixel at the top left, so exact pixels
    // can be checked, and a transparent one at the bottom right.
    QString writePng(const QString& name, QRgb colour, int width = 6)
    {
        QImage image(width, 4, QImage::Format_ARGB32);
        image.fill(0xFF000000u | colour);
        image.setPixel(0, 0, qRgb(1, 2, 3));
        image.setPixel(width - 1, 3, colour & 0xFFFFFFu);
        EXPECT_TRUE(image.save(path(name), "PNG"));
        return path(name);
    }

    [[nodiscard]] DecodedGif decode(const QString& name) const
    {
        const QByteArray data = readAll(path(name));
        const auto gif = kinetta::gif::testing::decodeGif(
            {reinterpret_cast<const std::uint8_t*>(data.constData()),
             static_cast<std::size_t>(data.size())});
        EXPECT_TRUE(gif) << name.toStdString();
        return gif.value_or(DecodedGif{});
    }

    // The colour of pixel (1, 1) in each image, which tells the frames apart.
    static std::vector<QRgb> shownColours(const DecodedGif& gif)
    {
        std::vector<QRgb> colours;
        for (const auto& image : gif.images)
            colours.push_back(image.canvas[static_cast<std::size_t>(gif.width + 1)] & 0xFFFFFFu);
        return colours;
    }

    // Each run exits with status and one stderr line naming what is wrong,
    // and leaves no output behind.
    void expectFailures(const Cases& cases, int status) const
    {
        for (const auto& [args, mentions] : cases) {
            SCOPED_TRACE(args.join(' ').toStdString());
            const CommandRun run = runEncode(args);
            EXPECT_EQ(run.status, status);
            EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
            EXPECT_TRUE(run.err.contains(mentions)) << run.err.toStdString();
            EXPECT_FALSE(QFile::exists(path("o.gif")));
        }
    }

    // Nothing but the given names is in the folder (FIFOs too): no output, no
    // temporary file.
    void expectOnly(QStringList names) const
    {
        QStringList present =
            QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        present.sort();
        names.sort();
        EXPECT_EQ(present, names);
    }

    QTemporaryDir m_dir;
};

TEST_F(EncodeCommand, FolderInNameOrderWithDefaultsOverBlack)
{
    QDir(m_dir.path()).mkdir("frames");
    writePng("frames/b.png", 0x00FF00);
    writePng("frames/a.png", 0xFF0000);
    writePng("frames/c.PNG", 0x0000FF);
    writeFile(path("frames/notes.txt"), "not a frame");
    const CommandRun run = runEncode({"-o", path("out.gif"), path("frames")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    const DecodedGif gif = decode("out.gif");
    EXPECT_EQ(std::pair(gif.width, gif.height), std::pair(6, 4));
    EXPECT_EQ(gif.loopCount, 0);
    ASSERT_EQ(shownColours(gif), (std::vector<QRgb>{0xFF0000, 0x00FF00, 0x0000FF}));
    for (const auto& image : gif.images) {
        EXPECT_EQ(image.delayHundredths, 10);
        // Exact pixels, the marker included; transparency composed over black.
        EXPECT_EQ(image.canvas.front(), 0xFF010203u);
        EXPECT_EQ(image.canvas.back(), 0xFF000000u);
    }
}

TEST_F(EncodeCommand, SixteenBitPngsGiveTheSrgbValuesTheyHold)
{
    QImage grey(6, 4, QImage::Format_Grayscale16);
    grey.fill(QColor::fromRgba64(0x4040, 0x4040, 0x4040));
    ASSERT_TRUE(grey.save(path("grey.png"), "PNG"));
    QImage colour(6, 4, QImage::Format_RGBA64);
    colour.fill(QColor::fromRgba64(0x4040, 0x8080, 0xC0C0));
    ASSERT_TRUE(colour.save(path("colour.png"), "PNG"));
    const CommandRun run = runEncode({"-o", path("out.gif"), path("grey.png"), path("colour.png")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(shownColours(decode("out.gif")), (std::vector<QRgb>{0x404040, 0x4080C0}));
}

TEST_F(EncodeCommand, OptionsSelectFramesAndTimingOfFilesInTheOrderGiven)
{
    // Named against the order given, which must win.
    QStringList files;
    for (QRgb i = 0; i < 5; ++i)
        files << writePng(QStringLiteral("f%1.png").arg(4 - i), 0x100000u * (i + 1));
    CommandRun run = runEncode(QStringList{"--fps", "20", "--loop=3", "--skip", "2", "--boomerang",
                                           "--output", path("o.gif")} +
                               files);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const DecodedGif gif = decode("o.gif");
    EXPECT_EQ(gif.loopCount, 3);
    EXPECT_EQ(shownColours(gif), (std::vector<QRgb>{0x100000, 0x300000, 0x500000, 0x300000}));
    std::vector<int> delays;
    for (const auto& image : gif.images)
        delays.push_back(image.delayHundredths);
    // 2 / 20 s each, but the last frame is the recording's last 1 / 20 s.
    EXPECT_EQ(delays, (std::vector<int>{10, 10, 5, 10}));

    // A stride past the end keeps just the first frame.
    run = runEncode(QStringList{"--skip", "99999999999999999999999", "-o", path("o.gif")} + files);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(shownColours(decode("o.gif")), (std::vector<QRgb>{0x100000}));
}

TEST_F(EncodeCommand, QualityAndMaxSizeReachTheEncoder)
{
    // Noise over a ramp of close shades: exact by default, and the content
    // where moving colours pays. Its bounds are the encoder tests' to check.
    QImage image(96, 64, QImage::Format_RGB32);
    std::uint32_t seed = 1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            const int v = x / 2 + static_cast<int>(seed >> 16) % 16;
            image.setPixel(x, y, qRgb(2 * v, v + 20, 200 - v));
        }
    }
    ASSERT_TRUE(image.save(path("noise.png"), "PNG"));
    for (const QStringList& args : {QStringList{"-o", path("default.gif")},
                                    QStringList{"--quality", "100", "-o", path("q100.gif")},
                                    QStringList{"--quality", "40", "-o", path("q40.gif")}}) {
        const CommandRun run = runEncode(args + QStringList{path("noise.png")});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
    }
    EXPECT_EQ(readAll(path("q100.gif")), readAll(path("default.gif")));
    const qsizetype best = readAll(path("q100.gif")).size();
    const qsizetype low = readAll(path("q40.gif")).size();
    EXPECT_LT(low, best);

    // A size between the two: written at a quality that fits, and said so.
    const qsizetype limit = (best + low) / 2;
    const CommandRun fitted =
        runEncode({"--max-size", QString::number(limit), "-o", path("fit.gif"), path("noise.png")});
    ASSERT_EQ(fitted.status, 0) << fitted.err.toStdString();
    EXPECT_LE(readAll(path("fit.gif")).size(), limit);
    EXPECT_TRUE(fitted.err.contains(QStringLiteral("fits in %1 bytes").arg(limit)))
        << fitted.err.toStdString();
    // Nothing fits: no file, and the smallest size reached.
    const CommandRun tooSmall =
        runEncode({"--max-size", "0.1K", "-o", path("none.gif"), path("noise.png")});
    EXPECT_EQ(tooSmall.status, 1);
    EXPECT_TRUE(tooSmall.err.contains("no file fits in 102 bytes: the smallest reached is "))
        << tooSmall.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("none.gif")));
}

TEST_F(EncodeCommand, FailuresExitWithOneLineNamingTheCauseAndLeaveNothing)
{
    const QString good = writePng("good.png", 0x123456);
    const QString wide = writePng("wide.png", 0x654321, 7);
    writeFile(path("fake.png"), "GIF89a, not a PNG at all");
    writeFile(path("cut.png"), readAll(good).left(40));
    writeFile(path("keep.gif"), "old");
    QDir(m_dir.path()).mkdir("empty");
    const QString out = path("o.gif");
    // Usage errors, with the same ranges and number reading as `record`.
    Cases usage{{{good}, "-o"},
                {{"-o", out}, "input"},
                {{"--speed", "2", "-o", out, good}, "--speed"},
                {{"--boomerang=x", "-o", out, good}, "--boomerang takes no value"},
                {{"--fps", "100", "--fps", "10", "--output", out, good}, "--fps must be a "},
                {{"-o", out, good, "--skip"}, "--skip"}};
    // Each option is read by the reader `record` uses, whose number reading its tests cover.
    for (const QString option :
         {"--fps fast", "--fps 100", "--loop 2.5", "--loop 65536", "--skip 0", "--quality 0",
          "--quality 101", "--quality 50.5", "--max-size 0", "--max-size 2G", "--max-size 1.5",
          "--max-size -3", "--max-size 4097M"}) {
        const QStringList words = option.split(' ');
        usage.emplace_back(words + QStringList{"-o", out, good}, words[0] + " must be a ");
    }
    expectFailures(usage, 2);

    Cases cases;
    // Not a regular file: a FIFO would block the reader for good.
    ASSERT_EQ(::mkfifo(path("pipe.png").toLocal8Bit().constData(), 0600), 0);
    cases.emplace_back(QStringList{"-o", out, good, path("pipe.png")},
                       "'" + path("pipe.png") + "' is not a regular file");
    // Refused by its header, before a byte of its pixels is held.
    writeFile(path("huge.png"), pngDeclaring(60000, 60000));
    cases.emplace_back(QStringList{"-o", out, path("huge.png")},
                       "huge.png' is 60000x60000; frames are limited to 67108864 pixels");
    for (const QString& bad : {path("missing.png"), path("fake.png"), path("cut.png"), wide, out})
        cases.emplace_back(QStringList{"-o", out, good, bad}, QFileInfo(bad).fileName());
    cases.emplace_back(QStringList{"-o", out, path("empty")}, "empty");
    cases.emplace_back(QStringList{"-o", path("no/such/dir/o.gif"), good}, "no/such/dir/o.gif");
    // A failed encode leaves a file already at the output path as it was.
    cases.emplace_back(QStringList{"-o", path("keep.gif"), good, path("missing.png")},
                       "missing.png");
    expectFailures(cases, 1);
    EXPECT_EQ(readAll(path("keep.gif")), "old");
    expectOnly({"good.png", "wide.png", "fake.png", "cut.png", "keep.gif", "pipe.png", "huge.png"});
}

// Replacing the output keeps what the user set up: a private mode stays
// private and a link stays a link, its target getting the GIF.
TEST_F(EncodeCommand, AReplacedOutputKeepsItsModeAndALinkIsWrittenThrough)
{
    const QString good = writePng("good.png", 0x123456);
    writeFile(path("private.gif"), "old");
    const QByteArray privateName = QFile::encodeName(path("private.gif"));
    ASSERT_EQ(::chmod(privateName.constData(), 0600), 0);
    ASSERT_EQ(runEncode({"-o", path("private.gif"), good}).status, 0);
    struct stat info = {};
    ASSERT_EQ(::stat(privateName.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(decode("private.gif").images.size(), 1u);

    ASSERT_TRUE(QFile::link(path("private.gif"), path("link.gif")));
    const QString other = writePng("other.png", 0x654321);
    ASSERT_EQ(runEncode({"-o", path("link.gif"), other}).status, 0);
    EXPECT_TRUE(QFileInfo(path("link.gif")).isSymLink());
    EXPECT_EQ(shownColours(decode("private.gif")), std::vector<QRgb>{0x654321});
    expectOnly({"good.png", "other.png", "private.gif", "link.gif"});

    // The step that failed is named: /proc/version exists, so "No such file
    // or directory" alone would be wrong.
    const CommandRun proc = runEncode({"-o", "/proc/version", good});
    EXPECT_EQ(proc.status, 1);
    EXPECT_TRUE(proc.err.contains(::geteuid() == 0 ? "cannot create a temporary file beside"
                                                   : "Permission denied"))
        << proc.err.toStdString();
}

// Runs `kinetta encode` with its error output on a terminal, where it shows
// its progress, and sends it signalNumber as soon as the progress shows.
// The exit status, or minus the signal that ended it.
int interruptOnceEncoding(const QStringList& args, int signalNumber)
{
    int terminal = -1;
    int side = -1;
    if (::openpty(&terminal, &side, nullptr, nullptr, nullptr) != 0)
        return -1000;
    std::vector<std::string> words{KINETTA_EXE, "encode"};
    for (const QString& arg : args)
        words.push_back(QFile::encodeName(arg).toStdString());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(side, STDERR_FILENO);
        ::close(terminal);
        ::close(side);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(side);
    std::string shown;
    char buffer[256];
    while (shown.find('%') == std::string::npos) {
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n <= 0)
            break;
        shown.append(buffer, static_cast<std::size_t>(n));
    }
    ::kill(child, signalNumber);
    while (::read(terminal, buffer, sizeof buffer) > 0) {
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

TEST_F(EncodeCommand, CtrlCOrTerminationWhileEncodingEndsCleanlyWithoutAFile)
{
    // Noise, so every frame is slow to encode and the run cannot finish first.
    const auto noise = [this](const QString& name, quint32 seed) {
        QImage image(320, 240, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                seed = seed * 1664525u + 1013904223u;
                image.setPixel(x, y, 0xFF000000u | (seed >> 8));
            }
        EXPECT_TRUE(image.save(path(name), "PNG"));
        return path(name);
    };
    const QStringList frames{noise("a.png", 1), noise("b.png", 2)};
    QStringList args{"-o", path("out.gif")};
    for (int i = 0; i < 400; ++i)
        args << frames;
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        EXPECT_EQ(interruptOnceEncoding(args, signalNumber), 130) << signalNumber;
        expectOnly({"a.png", "b.png"});
    }
}

} // namespace
