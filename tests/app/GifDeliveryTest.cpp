#include "app/GifDelivery.h"

#include "ProcessUntil.h"
#include "app/AtomicFileWriter.h"
#include "app/DesktopDelivery.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

using namespace kinetta;
using kinetta::test::processUntil;

namespace
{

const QRegularExpression kNamePattern(
    QStringLiteral("^kinetta-\\d{4}-\\d{2}-\\d{2}-\\d{2}-\\d{2}-\\d{2}-[0-9A-F]{8}\\.gif$"));

// The clipboard needs a GUI application; the offscreen platform keeps it in-process.
QClipboard* clipboard()
{
    static int argc = 1;
    static char name[] = "delivery_tests";
    static char* argv[] = {name, nullptr};
    [[maybe_unused]] static auto* app = new QGuiApplication(argc, argv); // never destroyed
    return QGuiApplication::clipboard();
}

QByteArray gifBytes(qsizetype size)
{
    QByteArray data = QByteArray("GIF89a").leftJustified(size, '\0');
    for (qsizetype i = 6; i < size; ++i)
        data[i] = static_cast<char>(i * 31);
    return data;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList sortedFormats(const QMimeData& mime)
{
    QStringList formats = mime.formats();
    formats.sort();
    return formats;
}

// The modification time of path itself, a link not followed.
void setTime(const QString& path, qint64 seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// Every test gets its own runtime, cache, home and config folders.
class Delivery : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(::chmod(QFile::encodeName(m_runtime).constData(), 0700), 0);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(subfolder("cache")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(subfolder("config")));
        qputenv("HOME", QFile::encodeName(m_home));
        clipboard()->setText(QStringLiteral("before"));
    }
    QString subfolder(const char* name)
    {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QDir().mkpath(path);
        return path;
    }

    QTemporaryDir m_dir;
    const QString m_runtime = subfolder("runtime");
    const QString m_home = subfolder("home");
    const QString m_cache = m_runtime + QStringLiteral("/kinetta/Kinetta-Clipboard");
};

} // namespace

TEST(GifDeliveryNames, NamesDifferWithinOneSecond)
{
    std::set<QString> names;
    std::set<QString> seconds;
    for (int i = 0; i < 200; ++i) {
        const QString name = GifDelivery::timestampedName();
        EXPECT_TRUE(kNamePattern.match(name).hasMatch()) << name.toStdString();
        names.insert(name);
        seconds.insert(name.left(QStringLiteral("kinetta-yyyy-MM-dd-HH-mm-ss").size()));
    }
    EXPECT_EQ(names.size(), 200u);
    EXPECT_LT(seconds.size(), names.size()); // some of them share their second
}

TEST(ClipboardOffer, OnlyTheFileAsUriListAndAsCopiedFilesAndTheGifBytes)
{
    clipboard();
    const QByteArray data = gifBytes(300);
    const auto mime = GifDelivery::clipboardMimeData(QStringLiteral("/run/a b/k.gif"), data);
    EXPECT_EQ(sortedFormats(*mime),
              (QStringList{"image/gif", "text/uri-list", "x-special/gnome-copied-files"}));
    EXPECT_EQ(mime->data(QStringLiteral("text/uri-list")), "file:///run/a%20b/k.gif\r\n");
    EXPECT_EQ(mime->data(QStringLiteral("x-special/gnome-copied-files")),
              "copy\nfile:///run/a%20b/k.gif");
    EXPECT_EQ(mime->data(QStringLiteral("image/gif")), data);
    EXPECT_EQ(mime->urls(), QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/run/a b/k.gif"))});
    EXPECT_FALSE(mime->hasImage());
}

// The real writer, noting the threads it is called on.
class ThreadNotingWriter final : public FileWriter
{
public:
    std::optional<QString> write(const QString& path, const QByteArray& data) override
    {
        threads.push_back(QThread::currentThread());
        return AtomicFileWriter::instance().write(path, data);
    }
    std::vector<QThread*> threads;
};

TEST_F(Delivery, CopyWritesOffTheMainThreadThenOffersTheFileFromAPrivateFolder)
{
    ThreadNotingWriter writer;
    DesktopDelivery delivery(writer);
    const QByteArray data = gifBytes(5000);
    std::optional<bool> copied;
    delivery.copyToClipboard(data, [&](bool ok) {
        copied = ok;
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
    });
    ASSERT_TRUE(processUntil([&] { return copied.has_value(); }));
    ASSERT_TRUE(*copied);
    ASSERT_EQ(writer.threads.size(), 1u);
    EXPECT_NE(writer.threads.front(), QCoreApplication::instance()->thread());

    const QMimeData* mime = clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    // Nothing of the previous contents survives.
    EXPECT_EQ(sortedFormats(*mime),
              (QStringList{"image/gif", "text/uri-list", "x-special/gnome-copied-files"}));
    EXPECT_EQ(mime->data(QStringLiteral("image/gif")), data);
    ASSERT_EQ(mime->urls().size(), 1);
    const QFileInfo file(mime->urls().front().toLocalFile());
    EXPECT_EQ(readAll(file.filePath()), data);
    EXPECT_TRUE(kNamePattern.match(file.fileName()).hasMatch());

    // A folder of its own, named by a UUID, in the private cache.
    const QString folder = file.absolutePath();
    EXPECT_TRUE(QRegularExpression(u'^' + QRegularExpression::escape(m_cache) +
                                   QStringLiteral("/[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"))
                    .match(folder)
                    .hasMatch())
        << folder.toStdString();
    EXPECT_EQ(entries(folder), QStringList{file.fileName()});
    for (const QString& path : {m_runtime + QStringLiteral("/kinetta"), m_cache, folder}) {
        struct stat info = {};
        ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u) << path.toStdString();
    }

    // Pruning runs on the same worker, after the copy.
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(QDir(m_cache).mkdir(QStringLiteral("older%1").arg(i)));
        setTime(m_cache + QStringLiteral("/older%1").arg(i), 1'600'000'000 + i);
    }
    delivery.pruneClipboardCache();
    std::optional<std::optional<QString>> saved;
    delivery.saveToDownloads(data, [&](std::optional<QString> location) { saved = location; });
    ASSERT_TRUE(processUntil([&] { return saved.has_value(); }));
    EXPECT_FALSE(*saved) << "there is no Downloads folder";
    QStringList newest{"older2", "older3", QFileInfo(folder).fileName()};
    newest.sort();
    EXPECT_EQ(entries(m_cache), newest);
}

TEST_F(Delivery, APlantedCacheLinkIsRefusedAndTheClipboardLeftAlone)
{
    const QString elsewhere = subfolder("attacker");
    ASSERT_TRUE(QDir().mkpath(m_runtime + QStringLiteral("/kinetta")));
    ASSERT_TRUE(QFile::link(elsewhere, m_cache));
    EXPECT_FALSE(GifDelivery::clipboardCacheFolder());
    AtomicFileWriter writer;
    EXPECT_FALSE(GifDelivery::writeClipboardFile(gifBytes(100), writer));
    EXPECT_FALSE(GifDelivery::writeClipboardFile(gifBytes(100), m_cache, writer));
    DesktopDelivery delivery;
    std::optional<bool> copied;
    delivery.copyToClipboard(gifBytes(100), [&](bool ok) { copied = ok; });
    ASSERT_TRUE(processUntil([&] { return copied.has_value(); }));
    EXPECT_FALSE(*copied);
    EXPECT_TRUE(entries(elsewhere).isEmpty());
    EXPECT_EQ(clipboard()->text(), QStringLiteral("before"));

    // Pruning through the link must not touch what it points to either.
    for (const char* name : {"keep", "0", "1", "2", "3", "4"})
        QDir(elsewhere).mkdir(QString::fromLatin1(name));
    GifDelivery::pruneClipboardCache();
    EXPECT_EQ(entries(elsewhere).size(), 6);
}

TEST_F(Delivery, PruningKeepsTheThreeNewestCopiesAndNeverFollowsLinks)
{
    // The order first: undated entries go first, equal dates keep the listing order.
    const auto at = [](int s) { return QDateTime::fromSecsSinceEpoch(1'700'000'000 + s); };
    using Entries = std::vector<GifDelivery::CacheEntry>;
    using Names = std::vector<QString>;
    EXPECT_TRUE(
        GifDelivery::entriesToPrune(Entries{{"a", at(0)}, {"b", std::nullopt}, {"c", at(5)}})
            .empty());
    const Entries five = {
        {"e2", at(2)}, {"e5", at(5)}, {"e1", at(1)}, {"e4", at(4)}, {"e3", at(3)}};
    EXPECT_EQ(GifDelivery::entriesToPrune(five), (Names{"e2", "e1"}));
    const Entries undated = {
        {"u1", std::nullopt}, {"old", at(0)}, {"u2", std::nullopt}, {"new", at(9)}};
    EXPECT_EQ(GifDelivery::entriesToPrune(undated, 2), (Names{"u1", "u2"}));
    EXPECT_EQ(GifDelivery::entriesToPrune(undated, 3), (Names{"u2"}));
    const Entries ties = {{"x", at(0)}, {"y", at(0)}, {"z", at(0)}, {"w", at(0)}};
    EXPECT_EQ(GifDelivery::entriesToPrune(ties), (Names{"w"}));

    // Then on disk: older copies go with their contents, linked files stay.
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
}

TEST_F(Delivery, SavesIntoTheXdgDownloadsFolderOnlyWhenThereIsOne)
{
    AtomicFileWriter writer;
    EXPECT_FALSE(GifDelivery::downloadsFolder());
    EXPECT_FALSE(GifDelivery::saveToDownloads(gifBytes(100), writer));
    EXPECT_TRUE(entries(m_home).isEmpty());

    const QString downloads = subfolder("home/Stuff");
    QFile dirs(m_dir.filePath(QStringLiteral("config/user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOWNLOAD_DIR=\"$HOME/Stuff\"\n");
    dirs.close();
    const QByteArray data = gifBytes(3000);
    const std::optional<QString> saved = GifDelivery::saveToDownloads(data, writer);
    ASSERT_TRUE(saved);
    EXPECT_EQ(QFileInfo(*saved).absolutePath(), downloads);
    EXPECT_TRUE(kNamePattern.match(QFileInfo(*saved).fileName()).hasMatch());
    EXPECT_EQ(readAll(*saved), data);
    EXPECT_EQ(entries(downloads).size(), 1);
}
