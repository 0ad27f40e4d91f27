#include "model/PrivateFolder.h"

#include "model/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kinetta
{
namespace
{

constexpr mode_t kPrivateMode = S_IRWXU;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

PrivateFolder::Result failure(const QString& text)
{
    return Failure{text};
}

// The XDG runtime folder is only trusted when it is what the XDG base
// directory rules promise: an absolute path to a folder of ours.
bool usableRuntimeFolder(const QByteArray& path)
{
    if (path.isEmpty() || !path.startsWith('/'))
        return false;
    struct stat info {
    };
    if (::lstat(path.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 0022) == 0;
}

} // namespace

PrivateFolder::Result PrivateFolder::ensure(const QString& path)
{
    if (path.isEmpty())
        return failure(QStringLiteral("No folder was given."));
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), kPrivateMode) != 0 && errno != EEXIST)
        return failure(
            QStringLiteral("Cannot create the folder %1: %2").arg(path, systemError(errno)));

    // O_NOFOLLOW: a link planted in the folder's place is refused, not followed.
    const FileDescriptor fd(
        ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        const int error = errno;
        struct stat info {
        };
        if (::lstat(native.constData(), &info) == 0 && S_ISLNK(info.st_mode))
            return failure(
                QStringLiteral("%1 is a symbolic link; it is not used as a private folder.")
                    .arg(path));
        if (error == ENOTDIR)
            return failure(QStringLiteral("%1 exists and is not a folder.").arg(path));
        return failure(
            QStringLiteral("Cannot open the folder %1: %2").arg(path, systemError(error)));
    }
    struct stat info {
    };
    if (::fstat(fd.get(), &info) != 0)
        return failure(
            QStringLiteral("Cannot inspect the folder %1: %2").arg(path, systemError(errno)));
    if (info.st_uid != ::geteuid())
        return failure(
            QStringLiteral("%1 belongs to another user; it is not used as a private folder.")
                .arg(path));
    if ((info.st_mode & 07777) != kPrivateMode && ::fchmod(fd.get(), kPrivateMode) != 0)
        return failure(
            QStringLiteral("Cannot make the folder %1 private: %2").arg(path, systemError(errno)));
    return path;
}

PrivateFolder::Result PrivateFolder::root()
{
    if (usableRuntimeFolder(qgetenv("XDG_RUNTIME_DIR")))
        return runtimeRoot();
    return cacheRoot();
}

PrivateFolder::Result PrivateFolder::runtimeRoot()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!usableRuntimeFolder(runtime))
        return failure(QStringLiteral("There is no usable runtime folder ($XDG_RUNTIME_DIR is "
                                      "unset, relative or not a private folder of this user)."));
    return ensure(QFile::decodeName(runtime) + QStringLiteral("/kinetta"));
}

PrivateFolder::Result PrivateFolder::cacheRoot()
{
    const QString cache = cacheHome();
    if (cache.isEmpty())
        return failure(QStringLiteral("No cache folder is known for this user."));
    if (!QDir().mkpath(cache))
        return failure(QStringLiteral("Cannot create the cache folder %1.").arg(cache));
    return ensure(cache + QStringLiteral("/kinetta"));
}

QString PrivateFolder::cacheHome()
{
    const QString configured = qEnvironmentVariable("XDG_CACHE_HOME");
    if (configured.startsWith(QLatin1Char('/')))
        return configured;
    const QString home = QDir::homePath();
    if (home.isEmpty() || !home.startsWith(QLatin1Char('/')))
        return QString();
    return home + QStringLiteral("/.cache");
}

PrivateFolder::Result PrivateFolder::subfolder(const QString& name)
{
    const Result base = root();
    if (!base.ok())
        return base;
    return ensure(*base + QLatin1Char('/') + name);
}

} // namespace kinetta
