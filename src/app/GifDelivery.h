#pragma once

#include "app/FileWriter.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QMimeData;

namespace kinetta
{

// Where finished GIF bytes go: the clipboard (a cached file plus the bytes),
// the Downloads folder, and the size text shown with them. No operation throws
// or shows text; failures are false or absent results, and callers word them.
// Files go through the given writer, which never leaves a truncated GIF under
// the final name.
class GifDelivery final
{
public:
    GifDelivery() = delete;

    // GIF data longer than this is saved to Downloads instead of copied.
    static constexpr qint64 clipboardByteLimit = 52428800;
    // How many cached clipboard copies pruning keeps.
    static constexpr std::size_t keptClipboardCopies = 3;
    // Name of the cache folder inside the private folder.
    static inline const QString clipboardCacheName = QStringLiteral("Kinetta-Clipboard");

    // "kinetta-yyyy-MM-dd-HH-mm-ss-XXXXXXXX.gif" in local time; the eight
    // random hex digits keep two names of the same second apart.
    [[nodiscard]] static QString timestampedName();

    // The clipboard copy has two halves. The first writes the bytes to a
    // fresh subfolder of the clipboard cache and may run on any thread; it
    // gives the file, or nothing when no safe folder could be had or the write
    // failed. The second, on the main thread as Qt requires, replaces the
    // clipboard with that file and the bytes; false when this process has no
    // clipboard.
    [[nodiscard]] static std::optional<QString> writeClipboardFile(const QByteArray& data,
                                                                   FileWriter& writer);
    [[nodiscard]] static std::optional<QString>
    writeClipboardFile(const QByteArray& data, const QString& cacheFolder, FileWriter& writer);
    [[nodiscard]] static bool publishToClipboard(const QString& file, const QByteArray& data);
    // What the clipboard is given for a GIF file: its URL as text/uri-list
    // (ended by CRLF), the same URL as x-special/gnome-copied-files (which
    // file managers of the GNOME family need to paste a file) and the bytes as
    // image/gif. Nothing else: a still image beside them would be pasted instead.
    [[nodiscard]] static std::unique_ptr<QMimeData> clipboardMimeData(const QString& file,
                                                                      const QByteArray& data);

    // Keeps the three newest entries of the clipboard cache and removes the
    // rest with their contents. Hidden entries are left alone; errors are ignored.
    static void pruneClipboardCache();
    static void pruneClipboardCache(const QString& cacheFolder);

    // Writes the bytes into the user's Downloads folder under a timestamped
    // name; the file's path, or nothing when there is no Downloads folder or
    // the write failed.
    [[nodiscard]] static std::optional<QString> saveToDownloads(const QByteArray& data,
                                                                FileWriter& writer);

    // The private clipboard cache folder, created when missing; nothing when
    // no safe folder could be had (for instance a symbolic link in its place).
    [[nodiscard]] static std::optional<QString> clipboardCacheFolder();
    // The first existing Downloads folder of the user, if any.
    [[nodiscard]] static std::optional<QString> downloadsFolder();

    struct CacheEntry {
        QString name;
        // When the entry was made; nothing when that cannot be read.
        std::optional<QDateTime> created;
    };
    // The entries pruning removes: all but the `keep` newest, undated entries
    // counting as oldest, equal dates keeping their listing order.
    [[nodiscard]] static std::vector<QString>
    entriesToPrune(const std::vector<CacheEntry>& entries, std::size_t keep = keptClipboardCopies);
};

} // namespace kinetta
