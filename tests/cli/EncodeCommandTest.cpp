#include "gif/GifTestDecoder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace
{

using kinetta::gif::testing::DecodedGif;
using kinetta::gif::testing::decodeGif;

struct CommandRun {
    int status = -1;
    QString out;
    QString err;
};

CommandRun runKinetta(const QStringList& args)
{
    QProcess process;
    process.setProgram(QStringLiteral(KINETTA_EXE));
    process.setArguments(QStringList{QStringLiteral("encode")} + args);
    process.start();
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

std::vector<std::uint8_t> readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return {data.begin(), data.end()};
}

class EncodeCommand : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // A PNG of one colour with a marker pixel, so frames can be told apart.
    QString writePng(const QString& name, QRgb colour, int width = 6, int height = 4)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        image.setPixel(0, 0, qRgb(1, 2, 3));
        EXPECT_TRUE(image.save(path(name), "PNG"));
        return path(name);
    }

    // Frame index shown by each image, from the colour of pixel (1, 1).
    static std::vector<QRgb> shownColours(const DecodedGif& gif)
    {
        std::vector<QRgb> colours;
        for (const auto& image : gif.images)
            colours.push_back(image.canvas[static_cast<std::size_t>(gif.width + 1)] & 0xFFFFFFu);
        return colours;
    }

    // Nothing but the given names is in the folder: no output, no temporary file.
    void expectOnly(const QStringList& names) const
    {
        QStringList present = QDir(m_dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
        present.sort();
        QStringList wanted = names;
        wanted.sort();
        EXPECT_EQ(present, wanted);
    }

    static void expectOneLine(const CommandRun& run, const QString& mentions)
    {
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(mentions)) << run.err.toStdString();
    }

    QTemporaryDir m_dir;
};

TEST_F(EncodeCommand, FolderInNameOrderWithDefaults)
{
    QDir(m_dir.path()).mkdir(QStringLiteral("frames"));
    writePng(QStringLiteral("frames/b.png"), 0x00FF00);
    writePng(QStringLiteral("frames/a.png"), 0xFF0000);
    writePng(QStringLiteral("frames/c.PNG"), 0x0000FF);
    QFile note(path(QStringLiteral("frames/notes.txt")));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.write("not a frame");
    note.close();

    const CommandRun run = runKinetta(
        {QStringLiteral("-o"), path(QStringLiteral("out.gif")), path(QStringLiteral("frames"))});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    const auto gif = decodeGif(readBytes(path(QStringLiteral("out.gif"))));
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, 6);
    EXPECT_EQ(gif->height, 4);
    EXPECT_EQ(gif->loopCount, 0);
    EXPECT_EQ(shownColours(*gif), (std::vector<QRgb>{0xFF0000, 0x00FF00, 0x0000FF}));
    for (const auto& image : gif->images)
        EXPECT_EQ(image.delayHundredths, 10);
    // Exact pixels, the marker included.
    EXPECT_EQ(gif->images[0].canvas[0] & 0xFFFFFFu, 0x010203u);
}

TEST_F(EncodeCommand, OptionsSelectFramesAndTiming)
{
    QStringList files;
    const QRgb colours[] = {0x100000, 0x200000, 0x300000, 0x400000, 0x500000};
    for (int i = 0; i < 5; ++i)
        files << writePng(QStringLiteral("f%1.png").arg(i), colours[i]);
    const CommandRun run = runKinetta(
        QStringList{QStringLiteral("--fps"), QStringLiteral("20"), QStringLiteral("--loop=3"),
                    QStringLiteral("--skip"), QStringLiteral("2"), QStringLiteral("--boomerang"),
                    QStringLiteral("--output"), path(QStringLiteral("o.gif"))} +
        files);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const auto gif = decodeGif(readBytes(path(QStringLiteral("o.gif"))));
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->loopCount, 3);
    EXPECT_EQ(shownColours(*gif), (std::vector<QRgb>{0x100000, 0x300000, 0x500000, 0x300000}));
    for (const auto& image : gif->images)
        EXPECT_EQ(image.delayHundredths, 10); // 2 / 20 s
}

TEST_F(EncodeCommand, FilesKeepTheOrderGiven)
{
    const QString a = writePng(QStringLiteral("a.png"), 0xAA0000);
    const QString b = writePng(QStringLiteral("b.png"), 0x00BB00);
    const CommandRun run = runKinetta({QStringLiteral("-o"), path(QStringLiteral("o.gif")), b, a});
    ASSERT_EQ(run.status, 0);
    const auto gif = decodeGif(readBytes(path(QStringLiteral("o.gif"))));
    ASSERT_TRUE(gif);
    EXPECT_EQ(shownColours(*gif), (std::vector<QRgb>{0x00BB00, 0xAA0000}));
}

TEST_F(EncodeCommand, TransparencyIsComposedOverBlack)
{
    QImage image(2, 3, QImage::Format_ARGB32);
    image.fill(qRgba(200, 100, 50, 255));
    image.setPixel(1, 2, qRgba(200, 100, 50, 0));
    ASSERT_TRUE(image.save(path(QStringLiteral("alpha.png")), "PNG"));
    const CommandRun run = runKinetta(
        {QStringLiteral("-o"), path(QStringLiteral("o.gif")), path(QStringLiteral("alpha.png"))});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const auto gif = decodeGif(readBytes(path(QStringLiteral("o.gif"))));
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->images[0].canvas[0], 0xFFC86432u);
    EXPECT_EQ(gif->images[0].canvas[5], 0xFF000000u);
}

TEST_F(EncodeCommand, UsageErrorsExitTwo)
{
    const QString frame = writePng(QStringLiteral("a.png"), 0x123456);
    const QString out = path(QStringLiteral("o.gif"));
    const std::vector<std::pair<QStringList, QString>> cases = {
        {{frame}, QStringLiteral("-o")},
        {{QStringLiteral("-o"), out}, QStringLiteral("input")},
        {{QStringLiteral("--speed"), QStringLiteral("2"), QStringLiteral("-o"), out, frame},
         QStringLiteral("--speed")},
        {{QStringLiteral("--fps"), QStringLiteral("fast"), QStringLiteral("-o"), out, frame},
         QStringLiteral("--fps")},
        {{QStringLiteral("--loop"), QStringLiteral("2.5"), QStringLiteral("-o"), out, frame},
         QStringLiteral("--loop")},
        {{QStringLiteral("-o"), out, frame, QStringLiteral("--skip")}, QStringLiteral("--skip")},
    };
    for (const auto& [args, mentions] : cases) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const CommandRun run = runKinetta(args);
        EXPECT_EQ(run.status, 2);
        expectOneLine(run, mentions);
    }
    expectOnly({QStringLiteral("a.png")});
}

TEST_F(EncodeCommand, OptionsOutOfRangeExitOne)
{
    const QString frame = writePng(QStringLiteral("a.png"), 0x123456);
    const QString out = path(QStringLiteral("o.gif"));
    const std::vector<QStringList> cases = {
        {QStringLiteral("--fps"), QStringLiteral("0")},
        {QStringLiteral("--fps"), QStringLiteral("-5")},
        {QStringLiteral("--fps"), QStringLiteral("inf")},
        {QStringLiteral("--loop"), QStringLiteral("-1")},
        {QStringLiteral("--loop"), QStringLiteral("65536")},
        {QStringLiteral("--skip"), QStringLiteral("0")},
        {QStringLiteral("--skip"), QStringLiteral("99999999999999999999999")},
    };
    for (const QStringList& option : cases) {
        SCOPED_TRACE(option.join(QLatin1Char(' ')).toStdString());
        const CommandRun run = runKinetta(option + QStringList{QStringLiteral("-o"), out, frame});
        const bool hugeSkip = option[0] == QStringLiteral("--skip") && option[1].size() > 5;
        if (hugeSkip) {
            // A stride past the end keeps just the first frame.
            EXPECT_EQ(run.status, 0);
            QFile::remove(out);
            continue;
        }
        EXPECT_EQ(run.status, 1);
        expectOneLine(run, option[0]);
    }
    expectOnly({QStringLiteral("a.png")});
}

TEST_F(EncodeCommand, BadInputsNameTheFileAndLeaveNothing)
{
    const QString good = writePng(QStringLiteral("good.png"), 0x123456);
    const QString wide = writePng(QStringLiteral("wide.png"), 0x654321, 7, 4);
    QFile fake(path(QStringLiteral("fake.png")));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("GIF89a, not a PNG at all");
    fake.close();
    QFile truncated(path(QStringLiteral("cut.png")));
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    truncated.write(readBytes(good).size() > 40
                        ? QByteArray(reinterpret_cast<const char*>(readBytes(good).data()), 40)
                        : QByteArray());
    truncated.close();
    QDir(m_dir.path()).mkdir(QStringLiteral("empty"));
    const QString out = path(QStringLiteral("o.gif"));

    const std::vector<std::pair<QStringList, QString>> cases = {
        {{good, path(QStringLiteral("missing.png"))}, QStringLiteral("missing.png")},
        {{good, path(QStringLiteral("fake.png"))}, QStringLiteral("fake.png")},
        {{good, path(QStringLiteral("cut.png"))}, QStringLiteral("cut.png")},
        {{good, wide}, QStringLiteral("wide.png")},
        {{path(QStringLiteral("empty"))}, QStringLiteral("empty")},
        {{good, out}, QStringLiteral("o.gif")},
    };
    for (const auto& [inputs, mentions] : cases) {
        SCOPED_TRACE(inputs.join(QLatin1Char(' ')).toStdString());
        const CommandRun run = runKinetta(QStringList{QStringLiteral("-o"), out} + inputs);
        EXPECT_EQ(run.status, 1);
        expectOneLine(run, mentions);
        EXPECT_FALSE(QFile::exists(out));
    }
    expectOnly({QStringLiteral("good.png"), QStringLiteral("wide.png"), QStringLiteral("fake.png"),
                QStringLiteral("cut.png")});
}

TEST_F(EncodeCommand, UnwritableOutputFailsAndKeepsAnExistingFile)
{
    const QString frame = writePng(QStringLiteral("a.png"), 0x123456);
    CommandRun run =
        runKinetta({QStringLiteral("-o"), path(QStringLiteral("no/such/dir/o.gif")), frame});
    EXPECT_EQ(run.status, 1);
    expectOneLine(run, QStringLiteral("no/such/dir/o.gif"));

    // A failed encode leaves a file already at the output path as it was.
    QFile existing(path(QStringLiteral("keep.gif")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old");
    existing.close();
    run = runKinetta({QStringLiteral("-o"), path(QStringLiteral("keep.gif")), frame,
                      path(QStringLiteral("missing.png"))});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readBytes(path(QStringLiteral("keep.gif"))),
              (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    expectOnly({QStringLiteral("a.png"), QStringLiteral("keep.gif")});
}

TEST_F(EncodeCommand, HelpExitsZero)
{
    const CommandRun run = runKinetta({QStringLiteral("--help")});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("--boomerang")));
}

} // namespace
