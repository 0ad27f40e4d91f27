#include "model/SpillFile.h"

#include "model/PrivateFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/falloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kinetta
{
namespace
{

QString systemError(const QString& what, int error)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(error)));
}

// An unnamed file in dirFd (the folder named folder): O_TMPFILE where the file
// system has it, otherwise an exclusive random name unlinked straight away.
Result<FileDescriptor, QString> openUnnamed(int dirFd, const QString& folder)
{
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return FileDescriptor(fd);
#endif
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray name = QByteArrayLiteral(".frames-") +
                                QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        fd = ::openat(dirFd, name.constData(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC,
                      0600);
        if (fd >= 0) {
            ::unlinkat(dirFd, name.constData(), 0);
            return FileDescriptor(fd);
        }
        if (errno != EEXIST)
            break;
    }
    return Failure{systemError(QStringLiteral("cannot create a file in %1").arg(folder), errno)};
}

} // namespace

QString SpillFile::defaultFolder()
{
    return PrivateFolder::cacheHome() + QStringLiteral("/kinetta");
}

Result<std::shared_ptr<SpillFile>, QString> SpillFile::create(const QString& folder)
{
    QDir().mkpath(QFileInfo(folder).absolutePath());
    const PrivateFolder::Result made = PrivateFolder::ensure(folder);
    if (!made.ok())
        return Failure{made.message()};

    // Checked again on the descriptor the file is made through, so the folder
    // cannot be swapped for a link between the check and the use.
    const FileDescriptor dir(::open(QFile::encodeName(folder).constData(),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir.isOpen())
        return Failure{systemError(QStringLiteral("cannot open %1").arg(folder), errno)};
    struct stat info {
    };
    if (::fstat(dir.get(), &info) != 0 || info.st_uid != ::geteuid() || (info.st_mode & 077) != 0)
        return Failure{QStringLiteral("%1 is not a private folder of this user").arg(folder)};

    Result<FileDescriptor, QString> file = openUnnamed(dir.get(), folder);
    if (!file.ok())
        return Failure{file.message()};
    return std::shared_ptr<SpillFile>(new SpillFile(std::move(file).value()));
}

SpillFile::~SpillFile() = default;

std::int64_t SpillFile::append(std::span<const std::uint8_t> bytes)
{
    const std::lock_guard lock(m_mutex);
    const std::int64_t offset = m_end;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(m_fd.get(), bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1; // the space written so far is reused by the next append
        done += static_cast<std::size_t>(n);
    }
    m_end = offset + static_cast<std::int64_t>(bytes.size());
    return offset;
}

bool SpillFile::read(std::int64_t offset, std::span<std::uint8_t> out) const
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(m_fd.get(), out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void SpillFile::discard(std::int64_t offset, std::size_t size)
{
    // Gives the disk space back at once (frames trimmed away, say); where the
    // file system cannot punch holes, it comes back when the file goes.
    if (size > 0)
        ::fallocate(m_fd.get(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                    static_cast<off_t>(offset), static_cast<off_t>(size));
}

} // namespace kinetta
