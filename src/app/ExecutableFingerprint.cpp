#include "app/ExecutableFingerprint.h"

#include "app/BackgroundCall.h"

#include <QFile>
#include <sys/stat.h>

namespace kinetta
{

QString fingerprintText(const std::optional<FileStamp>& stamp)
{
    if (!stamp)
        return kUnknownFingerprint;
    return QString::number(stamp->size) + QLatin1Char('-') +
           QString::number(stamp->modifiedSeconds);
}

std::optional<FileStamp> readFileStamp(const QString& path)
{
    // stat(2) follows /proc/self/exe to the file the program was started from.
    struct stat info {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    // tv_sec already drops the fraction of a second.
    return FileStamp{static_cast<qint64>(info.st_size), static_cast<qint64>(info.st_mtim.tv_sec)};
}

void readFingerprintInBackground(QObject* owner, std::function<void(QString)> done, QString path)
{
    runInBackground(
        owner, [path = std::move(path)] { return fingerprintText(readFileStamp(path)); },
        std::move(done));
}

} // namespace kinetta
