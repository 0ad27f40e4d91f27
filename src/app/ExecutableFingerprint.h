#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace kinetta
{

// The executable's fingerprint: a changed build shows as a changed text.
// Stored at every launch under this key and compared with the previous one.
inline const QString kExecutableFingerprintKey = QStringLiteral("ktExecutableFingerprint");
// The fingerprint when the executable's attributes cannot be read; stored and
// compared like any other value.
inline const QString kUnknownFingerprint = QStringLiteral("unknown");
// The link to the running program's file.
inline const QString kOwnExecutableLink = QStringLiteral("/proc/self/exe");

// What the fingerprint is made of: size in bytes and modification time in
// whole seconds since 1970-01-01 UTC.
struct FileStamp {
    qint64 size = 0;
    qint64 modifiedSeconds = 0;
};

// size + "-" + seconds in decimal, or "unknown" without a stamp.
[[nodiscard]] QString fingerprintText(const std::optional<FileStamp>& stamp);

// The stamp of the file path names, following links; none when unreadable.
// Touches the disk: call it off the GUI thread.
[[nodiscard]] std::optional<FileStamp> readFileStamp(const QString& path);

// Reads path's fingerprint on a worker thread and gives it to done on the
// main thread, unless owner is gone by then.
void readFingerprintInBackground(QObject* owner, std::function<void(QString)> done,
                                 QString path = kOwnExecutableLink);

} // namespace kinetta
