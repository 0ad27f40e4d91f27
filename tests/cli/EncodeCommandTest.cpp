#include "gif/GifTestDecoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
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

    // Nothing but the given names is in the folder: no output, no temporary file.
    void expectOnly(QStringList names) const
    {
        QStringList present = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
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

TEST_F(EncodeCommand, FailuresExitWithOneLineNamingTheCauseAndLeaveNothing)
{
    const QString good = writePng("good.png", 0x123456);
    const QString wide = writePng("wide.png", 0x654321, 7);
    writeFile(path("fake.png"), "GIF89a, not a PNG at all");
    writeFile(path("cut.png"), readAll(good).left(40));
    writeFile(path("keep.gif"), "old");
    QDir(m_dir.path()).mkdir("empty");
    const QString out = path("o.gif");
    expectFailures({{{good}, "-o"},
                    {{"-o", out}, "input"},
                    {{"--speed", "2", "-o", out, good}, "--speed"},
                    {{"--fps", "fast", "-o", out, good}, "--fps"},
                    {{"--loop", "2.5", "-o", out, good}, "--loop"},
                    {{"-o", out, good, "--skip"}, "--skip"}},
                   2);

    Cases cases;
    for (const QString option :
         {"--fps 0", "--fps -5", "--fps inf", "--loop -1", "--loop 65536", "--skip 0"}) {
        const QStringList words = option.split(' ');
        cases.emplace_back(words + QStringList{"-o", out, good}, words[0]);
    }
    for (const QString& bad : {path("missing.png"), path("fake.png"), path("cut.png"), wide, out})
        cases.emplace_back(QStringList{"-o", out, good, bad}, QFileInfo(bad).fileName());
    cases.emplace_back(QStringList{"-o", out, path("empty")}, "empty");
    cases.emplace_back(QStringList{"-o", path("no/such/dir/o.gif"), good}, "no/such/dir/o.gif");
    // A failed encode leaves a file already at the output path as it was.
    cases.emplace_back(QStringList{"-o", path("keep.gif"), good, path("missing.png")},
                       "missing.png");
    expectFailures(cases, 1);
    EXPECT_EQ(readAll(path("keep.gif")), "old");
    expectOnly({"good.png", "wide.png", "fake.png", "cut.png", "keep.gif"});
}

} // namespace
