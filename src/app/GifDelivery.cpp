#include "app/GifDelivery.h"

#include "model/PrivateFolder.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QSaveFile>
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

QString GifDelivery::formattedSize(const QByteArray& data)
{
    return formattedSize(data.size());
}

QString GifDelivery::formattedSize(qint64 byteCount)
{
    const qint64 kb = byteCount / 1024;
    if (byteCount > 1048575)
        return QString::asprintf("%.1f MB", static_cast<double>(kb) * (1.0 / 1024.0));
    return QString::number(kb) + QStringLiteral(" KB");
}

QString GifDelivery::timestampedName()
{
    return QStringLiteral("kinetta-") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss")) +
           QLatin1Char('-') + upperUuid().left(8) + QStringLiteral(".gif");
}

std::optional<QString> GifDelivery::writeFile(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot create %1: %2").arg(path, file.errorString());
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QStringLiteral("Cannot write %1: %2").arg(path, reason);
    }
    if (!file.commit())
        return QStringLiteral("Cannot finish writing %1: %2").arg(path, file.errorString());
    return std::nullopt;
}

std::optional<QString> GifDelivery::clipboardCacheFolder()
{
    const PrivateFolder::Result folder = PrivateFolder::subfolder(clipboardCacheName);
    if (!folder.ok())
        return std::nullopt;
    return folder.path;
}

bool GifDelivery::copyToClipboard(const QByteArray& data)
{
    const std::optional<QString> cache = clipboardCacheFolder();
    return cache && copyToClipboard(data, *cache);
}

bool GifDelivery::copyToClipboard(const QByteArray& data, const QString& cacheFolder)
{
    // Without a GUI application there is no clipboard: write nothing at all.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    // The cache folder itself must be private; a link planted there is refused.
    if (!PrivateFolder::ensure(cacheFolder).ok())
        return false;
    const PrivateFolder::Result folder =
        PrivateFolder::ensure(cacheFolder + QLatin1Char('/') + upperUuid());
    if (!folder.ok())
        return false;
    const QString file = folder.path + QLatin1Char('/') + timestampedName();
    if (writeFile(file, data))
        return false;

    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(file)});
    mime->setData(QStringLiteral("image/gif"), data);
    // Replaces everything the clipboard held before; the clipboard owns mime now.
    QGuiApplication::clipboard()->setMimeData(mime);
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

std::optional<QString> GifDelivery::saveToDownloads(const QByteArray& data)
{
    const std::optional<QString> folder = downloadsFolder();
    if (!folder)
        return std::nullopt;
    return saveToFolder(data, *folder);
}

std::optional<QString> GifDelivery::saveToFolder(const QByteArray& data, const QString& folder)
{
    const QString file = QDir(folder).filePath(timestampedName());
    if (writeFile(file, data))
        return std::nullopt;
    return file;
}

} // namespace kinetta
