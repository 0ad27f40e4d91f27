#include "app/GifDelivery.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace kinetta;

namespace
{

const QRegularExpression kNamePattern(
    QStringLiteral("^kinetta-\\d{4}-\\d{2}-\\d{2}-\\d{2}-\\d{2}-\\d{2}-[0-9A-F]{8}\\.gif$"));
const QRegularExpression
    kUuidPattern(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));

// The clipboard needs a GUI application; the offscreen platform keeps it in-process.
QClipboard* clipboard()
{
    static int argc = 1;
    static char name[] = "delivery_tests";
    static char* argv[] = {name, nullptr};
    static auto* app = new QGuiApplication(argc, argv); // lives until the process ends
    Q_UNUSED(app);
    return QGuiApplication::clipboard();
}

QByteArray gifBytes(qsizetype size)
{
    QByteArray data(size, '\0');
    data.replace(0, 6, "GIF89a");
    for (qsizetype i = 6; i < size; ++i)
        data[i] = static_cast<char>(i * 31);
    return data;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t modeOf(const QString& path)
{
    struct stat info {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

void setTime(const QString& path, qint64 seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Every test gets its own runtime, cache, home and config folders.
class Delivery : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "HOME"})
            m_saved.emplace_back(name, qgetenv(name));
        m_runtime = subfolder("runtime");
        ASSERT_EQ(::chmod(QFile::encodeName(m_runtime).constData(), 0700), 0);
        m_home = subfolder("home");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(subfolder("cache")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(subfolder("config")));
        qputenv("HOME", QFile::encodeName(m_home));
        clipboard()->setText(QStringLiteral("before"));
    }
    void TearDown() override
    {
        for (const auto& [name, value] : m_saved)
            qputenv(name, value);
    }
    QString subfolder(const char* name)
    {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QDir().mkpath(path);
        return path;
    }
    QString cacheFolder() const { return m_runtime + QStringLiteral("/kinetta/Kinetta-Clipboard"); }

    QTemporaryDir m_dir;
    std::vector<std::pair<const char*, QByteArray>> m_saved;
    QString m_runtime;
    QString m_home;
};

} // namespace

TEST(FormattedSize, KilobytesUpToOneMebibyteThenMegabytesFromWholeKilobytes)
{
    const std::pair<qint64, const char*> cases[] = {
        {0, "0 KB"},
        {1023, "0 KB"},
        {1024, "1 KB"},
        {1048575, "1023 KB"},
        {1048576, "1.0 MB"},
        {1572864, "1.5 MB"},
        {52428800, "50.0 MB"},
        {1048576 + 1023, "1.0 MB"},
        // 1075 KB and 1023 bytes: 1.0508 MiB, but the whole kilobytes give 1.0498.
        {(1024 + 51) * 1024 + 1023, "1.0 MB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(GifDelivery::formattedSize(bytes), QString::fromLatin1(text)) << bytes;
    EXPECT_EQ(GifDelivery::formattedSize(gifBytes(2048)), QStringLiteral("2 KB"));
    EXPECT_EQ(GifDelivery::clipboardByteLimit, 52428800);
}

TEST(TimestampedName, HasTheShapeAndDiffersWithinOneSecond)
{
    std::set<QString> names;
    for (int i = 0; i < 200; ++i) {
        const QString name = GifDelivery::timestampedName();
        EXPECT_TRUE(kNamePattern.match(name).hasMatch()) << name.toStdString();
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 200u);
    // They were made within a few milliseconds: most share their second.
    std::map<QString, int> perSecond;
    for (const QString& name : names)
        ++perSecond[name.left(QStringLiteral("kinetta-yyyy-MM-dd-HH-mm-ss").size())];
    int largest = 0;
    for (const auto& [second, count] : perSecond)
        largest = std::max(largest, count);
    EXPECT_GE(largest, 100);
}

TEST_F(Delivery, CopyPutsTheFileAndTheBytesOnTheClipboard)
{
    const QByteArray data = gifBytes(5000);
    ASSERT_TRUE(GifDelivery::copyToClipboard(data));
    const QMimeData* mime = clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->hasFormat(QStringLiteral("text/uri-list")));
    EXPECT_EQ(mime->data(QStringLiteral("image/gif")), data);
    // Nothing of the previous contents survives.
    QStringList formats = mime->formats();
    formats.sort();
    EXPECT_EQ(formats, (QStringList{QStringLiteral("image/gif"), QStringLiteral("text/uri-list")}));
    ASSERT_EQ(mime->urls().size(), 1);
    const QString file = mime->urls().front().toLocalFile();
    EXPECT_EQ(readAll(file), data);

    const QFileInfo info(file);
    EXPECT_TRUE(kNamePattern.match(info.fileName()).hasMatch());
    EXPECT_TRUE(kUuidPattern.match(info.dir().dirName()).hasMatch())
        << info.dir().dirName().toStdString();
    EXPECT_EQ(info.dir().absolutePath(), cacheFolder() + QLatin1Char('/') + info.dir().dirName());
    EXPECT_EQ(entries(info.dir().absolutePath()), QStringList{info.fileName()});
    EXPECT_EQ(modeOf(m_runtime + QStringLiteral("/kinetta")), 0700u);
    EXPECT_EQ(modeOf(cacheFolder()), 0700u);
    EXPECT_EQ(modeOf(info.dir().absolutePath()), 0700u);
}

TEST_F(Delivery, DataOfExactlyTheLimitIsCopiedWhole)
{
    const QByteArray data = gifBytes(GifDelivery::clipboardByteLimit);
    ASSERT_TRUE(GifDelivery::copyToClipboard(data));
    EXPECT_EQ(clipboard()->mimeData()->data(QStringLiteral("image/gif")).size(), data.size());
    EXPECT_EQ(QFileInfo(clipboard()->mimeData()->urls().front().toLocalFile()).size(), data.size());
}

TEST_F(Delivery, APlantedCacheLinkIsRefusedAndTheClipboardLeftAlone)
{
    const QString elsewhere = subfolder("attacker");
    ASSERT_TRUE(QDir().mkpath(m_runtime + QStringLiteral("/kinetta")));
    ASSERT_TRUE(QFile::link(elsewhere, cacheFolder()));
    EXPECT_FALSE(GifDelivery::clipboardCacheFolder());
    EXPECT_FALSE(GifDelivery::copyToClipboard(gifBytes(100)));
    EXPECT_FALSE(GifDelivery::copyToClipboard(gifBytes(100), cacheFolder()));
    EXPECT_TRUE(entries(elsewhere).isEmpty());
    EXPECT_EQ(clipboard()->text(), QStringLiteral("before"));

    // Pruning through the link must not touch what it points to either.
    QDir(elsewhere).mkdir(QStringLiteral("keep"));
    for (int i = 0; i < 5; ++i)
        QDir(elsewhere).mkdir(QString::number(i));
    GifDelivery::pruneClipboardCache();
    EXPECT_EQ(entries(elsewhere).size(), 6);
}

TEST_F(Delivery, AFailedWriteLeavesTheClipboardAndNoFile)
{
    // A plain file where the cache folder should be.
    ASSERT_TRUE(QDir().mkpath(m_runtime + QStringLiteral("/kinetta")));
    QFile blocker(cacheFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(GifDelivery::copyToClipboard(gifBytes(100)));
    EXPECT_EQ(clipboard()->text(), QStringLiteral("before"));
}

TEST(PruneOrder, KeepsTheThreeNewestAndDropsUndatedFirst)
{
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(1'700'000'000);
    using Entry = GifDelivery::CacheEntry;
    const std::vector<Entry> three = {{"a", t0}, {"b", std::nullopt}, {"c", t0.addSecs(5)}};
    EXPECT_TRUE(GifDelivery::entriesToPrune(three).empty());

    const std::vector<Entry> five = {{"e2", t0.addSecs(2)},
                                     {"e5", t0.addSecs(5)},
                                     {"e1", t0.addSecs(1)},
                                     {"e4", t0.addSecs(4)},
                                     {"e3", t0.addSecs(3)}};
    EXPECT_EQ(GifDelivery::entriesToPrune(five), (std::vector<QString>{"e2", "e1"}));

    const std::vector<Entry> undated = {
        {"u1", std::nullopt}, {"old", t0}, {"u2", std::nullopt}, {"new", t0.addSecs(9)}};
    EXPECT_EQ(GifDelivery::entriesToPrune(undated, 2), (std::vector<QString>{"u1", "u2"}));
    EXPECT_EQ(GifDelivery::entriesToPrune(undated, 3), (std::vector<QString>{"u2"}));

    // Equal dates keep the listing order.
    const std::vector<Entry> ties = {{"x", t0}, {"y", t0}, {"z", t0}, {"w", t0}};
    EXPECT_EQ(GifDelivery::entriesToPrune(ties), (std::vector<QString>{"w"}));
}

TEST_F(Delivery, PruningRemovesOlderCopiesWithTheirContents)
{
    const QString cache = *GifDelivery::clipboardCacheFolder();
    const QString outside = subfolder("outside");
    QFile(outside + QStringLiteral("/precious")).open(QIODevice::WriteOnly);
    for (int i = 1; i <= 5; ++i) {
        const QString copy = cache + QStringLiteral("/copy%1").arg(i);
        ASSERT_TRUE(QDir().mkpath(copy + QStringLiteral("/deeper")));
        QFile(copy + QStringLiteral("/deeper/file.gif")).open(QIODevice::WriteOnly);
        setTime(copy, 1'700'000'000 + i * 10);
    }
    ASSERT_TRUE(QFile::link(outside, cache + QStringLiteral("/link")));
    setTime(cache + QStringLiteral("/link"), 1'700'000'000);
    ASSERT_TRUE(QDir().mkpath(cache + QStringLiteral("/.hidden")));
    setTime(cache + QStringLiteral("/.hidden"), 1);

    GifDelivery::pruneClipboardCache();
    EXPECT_EQ(entries(cache), (QStringList{".hidden", "copy3", "copy4", "copy5"}));
    EXPECT_TRUE(QFile::exists(outside + QStringLiteral("/precious")));

    // Three or fewer entries stay as they are.
    GifDelivery::pruneClipboardCache();
    EXPECT_EQ(entries(cache).size(), 4);
}

TEST_F(Delivery, PruningAMissingCacheDoesNothing)
{
    GifDelivery::pruneClipboardCache(m_dir.filePath(QStringLiteral("nowhere")));
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("nowhere"))));
}

TEST_F(Delivery, SavesIntoTheXdgDownloadsFolder)
{
    const QString downloads = subfolder("home/Stuff");
    QFile dirs(m_dir.filePath(QStringLiteral("config/user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOWNLOAD_DIR=\"$HOME/Stuff\"\n");
    dirs.close();

    const QByteArray data = gifBytes(3000);
    const std::optional<QString> first = GifDelivery::saveToDownloads(data);
    const std::optional<QString> second = GifDelivery::saveToDownloads(data);
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(QFileInfo(*first).absolutePath(), downloads);
    EXPECT_TRUE(kNamePattern.match(QFileInfo(*first).fileName()).hasMatch());
    EXPECT_EQ(readAll(*first), data);
    EXPECT_EQ(entries(downloads).size(), 2);
}

TEST_F(Delivery, WithoutADownloadsFolderNothingIsWritten)
{
    EXPECT_FALSE(GifDelivery::downloadsFolder());
    EXPECT_FALSE(GifDelivery::saveToDownloads(gifBytes(100)));
    EXPECT_TRUE(entries(m_home).isEmpty());
}

TEST_F(Delivery, AnInterruptedWriteNeverLeavesATruncatedFile)
{
    const QString folder = subfolder("out");
    const QString existing = folder + QStringLiteral("/kept.gif");
    ASSERT_FALSE(GifDelivery::writeFile(existing, "old"));

    // A file-size limit makes the write fail part-way, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::optional<QString> replaceError = GifDelivery::writeFile(existing, gifBytes(1 << 20));
    const std::optional<QString> newError =
        GifDelivery::writeFile(folder + QStringLiteral("/new.gif"), gifBytes(1 << 20));
    const std::optional<QString> saved = GifDelivery::saveToFolder(gifBytes(1 << 20), folder);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);

    EXPECT_TRUE(replaceError);
    EXPECT_TRUE(newError);
    EXPECT_FALSE(saved);
    EXPECT_EQ(readAll(existing), QByteArray("old"));
    EXPECT_EQ(entries(folder), QStringList{QStringLiteral("kept.gif")});
}
