#include "app/AtomicFileWriter.h"

#include "model/FileDescriptor.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kinetta
{
namespace
{

// As many links as the kernel follows in one path before it gives up.
constexpr int kMaxLinkDepth = 40;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// The target with its links followed, or nothing for a loop of links.
std::optional<QString> followLinks(const QString& path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        current = info.symLinkTarget();
    }
    return std::nullopt;
}

// What the target is before it is replaced.
struct Target {
    QString path;
    // The existing file's status, when there is one.
    std::optional<struct stat> existing;
};

// Step one: follow the links and look at what is there. The path as the
// user gave it names the file in every message.
std::optional<QString> inspect(const QString& path, Target& target)
{
    const std::optional<QString> resolved = followLinks(path);
    if (!resolved)
        return QStringLiteral("cannot write %1: %2").arg(path, systemError(ELOOP));
    target.path = *resolved;
    const QString folder = QFileInfo(target.path).absolutePath();
    struct stat info {
    };
    if (::stat(native(folder).constData(), &info) != 0 && errno == ENOENT)
        return QStringLiteral("cannot write %1: the folder %2 does not exist").arg(path, folder);
    if (::stat(native(target.path).constData(), &info) != 0) {
        if (errno != ENOENT)
            return QStringLiteral("cannot write %1: %2").arg(path, systemError(errno));
        return std::nullopt;
    }
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("cannot write %1: it is a folder").arg(path);
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("cannot write %1: it is not a regular file").arg(path);
    // Renaming over a file we may not write would get round its protection.
    if (::access(native(target.path).constData(), W_OK) != 0)
        return QStringLiteral("cannot write %1: %2").arg(path, systemError(errno));
    target.existing = info;
    return std::nullopt;
}

// A temporary file beside the target; removed unless it was renamed into place.
class TemporaryFile final
{
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        m_file.reset();
        if (!m_path.isEmpty() && !m_renamed)
            ::unlink(native(m_path).constData());
    }

    // A private file for an existing target (its mode is set once written),
    // else one with the mode any new file of the user gets (umask applied).
    [[nodiscard]] int create(const QString& target, bool replacing)
    {
        const QFileInfo info(target);
        const QString stem =
            info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.');
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString candidate =
                stem + QString::number(QRandomGenerator::global()->generate64() % 2176782336u, 36);
            m_file.reset(::open(native(candidate).constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                replacing ? 0600 : 0666));
            if (m_file.isOpen()) {
                m_path = candidate;
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    }

    [[nodiscard]] int writeAll(const QByteArray& data) const
    {
        qsizetype written = 0;
        while (written < data.size()) {
            const ssize_t n = ::write(m_file.get(), data.constData() + written,
                                      static_cast<std::size_t>(data.size() - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return errno;
            written += n;
        }
        return 0;
    }

    // Some file systems report a full disk only when the data is flushed.
    [[nodiscard]] int flushAndClose()
    {
        const int flushed = ::fsync(m_file.get()) == 0 ? 0 : errno;
        const int closed = m_file.close();
        return flushed != 0 ? flushed : closed;
    }

    [[nodiscard]] int renameTo(const QString& target)
    {
        if (::rename(native(m_path).constData(), native(target).constData()) != 0)
            return errno;
        m_renamed = true;
        return 0;
    }

    [[nodiscard]] int fd() const { return m_file.get(); }

private:
    QString m_path;
    FileDescriptor m_file;
    bool m_renamed = false;
};

// Steps one and two: the target inspected, the temporary file made beside it.
std::optional<QString> prepare(const QString& path, Target& target, TemporaryFile& file)
{
    if (auto error = inspect(path, target))
        return error;
    if (const int error = file.create(target.path, target.existing.has_value()))
        return QStringLiteral("cannot create a temporary file beside %1: %2")
            .arg(path, systemError(error));
    return std::nullopt;
}

} // namespace

AtomicFileWriter& AtomicFileWriter::instance()
{
    static AtomicFileWriter writer;
    return writer;
}

std::optional<QString> AtomicFileWriter::checkWritable(const QString& path)
{
    Target target;
    TemporaryFile probe;
    return prepare(path, target, probe);
}

std::optional<QString> AtomicFileWriter::write(const QString& path, const QByteArray& data)
{
    Target target;
    TemporaryFile file;
    if (auto error = prepare(path, target, file))
        return error;
    if (const int error = file.writeAll(data))
        return QStringLiteral("cannot write %1: %2").arg(path, systemError(error));
    if (target.existing) {
        // The replacement keeps the old file's permissions and, where we may
        // set them, its owner and group; the owner first, as changing it may
        // clear set-id bits of the mode.
        const struct stat& old = *target.existing;
        (void)::fchown(file.fd(), old.st_uid, old.st_gid);
        if (::fchmod(file.fd(), old.st_mode & 07777) != 0)
            return QStringLiteral("cannot give %1 its permissions back: %2")
                .arg(path, systemError(errno));
    }
    if (const int error = file.flushAndClose())
        return QStringLiteral("cannot write %1: %2").arg(path, systemError(error));
    if (const int error = file.renameTo(target.path))
        return QStringLiteral("cannot put %1 in place: %2").arg(path, systemError(error));
    return std::nullopt;
}

} // namespace kinetta
