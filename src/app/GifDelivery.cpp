#include "app/GifDelivery.h"

#include "model/PrivateFolder.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>
#include <QUuid>
#include <algorithm>
#include <sys/stat.h>

namespace kinetta
{
namespace
{

QString upperUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

// The time an entry was last written, read without following a link. A
// cache entry is a folder written once, right after it is made, so this is
// when it was made, on every file system (birth times are not kept by all).
std::optional<QDateTime> entryTime(const QString& path)
{
    struct stat info {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    const qint64 msecs = static_cast<qint64>(info.st_mtim.tv_sec) * 1000 +
                         static_cast<qint64>(info.st_mtim.tv_nsec / 1000000);
    return QDateTime::fromMSecsSinceEpoch(msecs);
}

void removeEntry(const QString& path)
{
    const QFileInfo info(path);
    // A link is removed itself; what it points to is not ours to delete.
    if (info.isDir() && !info.isSymLink())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

} // namespace

QString GifDelivery::timestampedName()
{
    return QStringLiteral("kinetta-") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss")) +
           QLatin1Char('-') + upperUuid().left(8) + QStringLiteral(".gif");
}

std::optional<QString> GifDelivery::clipboardCacheFolder()
{
    const PrivateFolder::Result folder = PrivateFolder::subfolder(clipboardCacheName);
    if (!folder.ok())
        return std::nullopt;
    return *folder;
}

std::optional<QString> GifDelivery::writeClipboardFile(const QByteArray& data, FileWriter& writer)
{
    const std::optional<QString> cache = clipboardCacheFolder();
    if (!cache)
        return std::nullopt;
    return writeClipboardFile(data, *cache, writer);
}

std::optional<QString> GifDelivery::writeClipboardFile(const QByteArray& data,
                                                       const QString& cacheFolder,
                                                       FileWriter& writer)
{
    // The cache folder itself must be private; a link planted there is refused.
    if (!PrivateFolder::ensure(cacheFolder).ok())
        return std::nullopt;
    const PrivateFolder::Result folder =
        PrivateFolder::ensure(cacheFolder + QLatin1Char('/') + upperUuid());
    if (!folder.ok())
        return std::nullopt;
    const QString file = *folder + QLatin1Char('/') + timestampedName();
    if (writer.write(file, data))
        return std::nullopt;
    return file;
}

std::unique_ptr<QMimeData> GifDelivery::clipboardMimeData(const QString& file,
                                                          const QByteArray& data)
{
    const QByteArray uri = QUrl::fromLocalFile(file).toEncoded();
    auto mime = std::make_unique<QMimeData>();
    // Set as raw data so that the line ends are exactly as the formats want them.
    mime->setData(QStringLiteral("text/uri-list"), uri + "\r\n");
    mime->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + uri);
    mime->setData(QStringLiteral("image/gif"), data);
    return mime;
}

bool GifDelivery::publishToClipboard(const QString& file, const QByteArray& data)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    // Replaces everything the clipboard held before; the clipboard owns the data now.
    QGuiApplication::clipboard()->setMimeData(clipboardMimeData(file, data).release());
    return true;
}

std::vector<QString> GifDelivery::entriesToPrune(const std::vector<CacheEntry>& entries,
                                                 std::size_t keep)
{
    std::vector<const CacheEntry*> order;
    order.reserve(entries.size());
    for (const CacheEntry& entry : entries)
        order.push_back(&entry);
    std::stable_sort(order.begin(), order.end(), [](const CacheEntry* a, const CacheEntry* b) {
        if (!b->created)
            return a->created.has_value();
        return a->created && *a->created > *b->created;
    });
    std::vector<QString> doomed;
    for (std::size_t i = keep; i < order.size(); ++i)
        doomed.push_back(order[i]->name);
    return doomed;
}

void GifDelivery::pruneClipboardCache()
{
    if (const std::optional<QString> cache = clipboardCacheFolder())
        pruneClipboardCache(*cache);
}

void GifDelivery::pruneClipboardCache(const QString& cacheFolder)
{
    const QDir dir(cacheFolder);
    if (!dir.exists())
        return;
    // No QDir::Hidden: entries whose names start with a dot are not listed.
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::vector<CacheEntry> entries;
    entries.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& name : names)
        entries.push_back({name, entryTime(dir.filePath(name))});
    for (const QString& name : entriesToPrune(entries))
        removeEntry(dir.filePath(name));
}

std::optional<QString> GifDelivery::downloadsFolder()
{
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::DownloadLocation);
    if (folders.isEmpty())
        return std::nullopt;
    // Taken as the user set it up: a missing folder is not created behind their back.
    const QFileInfo info(folders.first());
    if (!info.isDir())
        return std::nullopt;
    return folders.first();
}

std::optional<QString> GifDelivery::saveToDownloads(const QByteArray& data, FileWriter& writer)
{
    const std::optional<QString> folder = downloadsFolder();
    if (!folder)
        return std::nullopt;
    const QString file = QDir(*folder).filePath(timestampedName());
    if (writer.write(file, data))
        return std::nullopt;
    return file;
}

} // namespace kinetta
