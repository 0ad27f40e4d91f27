#include "app/AtomicFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kinetta;

namespace
{

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t modeOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

class AtomicFileWriterTest : public ::testing::Test
{
protected:
    [[nodiscard]] QString path(const char* name) const
    {
        return m_dir.filePath(QString::fromLatin1(name));
    }
    // Everything in the folder, hidden temporary files included.
    [[nodiscard]] QStringList names() const
    {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }

    QTemporaryDir m_dir;
    AtomicFileWriter m_writer;
};

} // namespace

TEST_F(AtomicFileWriterTest, KeepsTheModeOfAReplacedFileAndWritesThroughLinks)
{
    const mode_t oldMask = ::umask(022);
    ASSERT_FALSE(m_writer.write(path("new.gif"), "one"));
    EXPECT_EQ(modeOf(path("new.gif")), 0644u);

    // A private file stays private when replaced.
    ASSERT_EQ(::chmod(QFile::encodeName(path("new.gif")).constData(), 0600), 0);
    ASSERT_FALSE(m_writer.write(path("new.gif"), "two"));
    EXPECT_EQ(readAll(path("new.gif")), "two");
    EXPECT_EQ(modeOf(path("new.gif")), 0600u);
    ::umask(oldMask);

    // A link stays a link; its target gets the bytes, a dangling one a new file.
    ASSERT_EQ(::symlink("new.gif", QFile::encodeName(path("link.gif")).constData()), 0);
    ASSERT_TRUE(QFile::link(path("link.gif"), path("chain.gif")));
    ASSERT_FALSE(m_writer.write(path("chain.gif"), "three"));
    EXPECT_TRUE(QFileInfo(path("link.gif")).isSymLink());
    EXPECT_TRUE(QFileInfo(path("chain.gif")).isSymLink());
    EXPECT_EQ(readAll(path("new.gif")), "three");
    EXPECT_EQ(modeOf(path("new.gif")), 0600u);
    ASSERT_TRUE(QFile::link(path("later.gif"), path("dangling.gif")));
    ASSERT_FALSE(m_writer.write(path("dangling.gif"), "four"));
    EXPECT_EQ(readAll(path("later.gif")), "four");
    EXPECT_EQ(names(),
              (QStringList{"chain.gif", "dangling.gif", "later.gif", "link.gif", "new.gif"}));
}

TEST_F(AtomicFileWriterTest, EachFailureNamesItsStepAndTheSystemsReasonAndLeavesNothing)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(path("loop1"), path("loop2")));
    ASSERT_TRUE(QFile::link(path("loop2"), path("loop1")));
    const std::pair<QString, QString> cases[] = {
        {path("no/such/o.gif"), "the folder " + path("no/such") + " does not exist"},
        {path("folder"), "it is a folder"},
        {path("fifo"), "it is not a regular file"},
        {path("loop1"), systemError(ELOOP)},
        // The file exists: what failed is making the file beside it (for root)
        // or the permission to write it, never "No such file or directory".
        {QStringLiteral("/proc/version"),
         ::geteuid() == 0
             ? "cannot create a temporary file beside /proc/version: " + systemError(ENOENT)
             : "cannot write /proc/version: " + systemError(EACCES)},
    };
    for (const auto& [target, reason] : cases) {
        for (const auto& error :
             {m_writer.write(target, "data"), AtomicFileWriter::checkWritable(target)}) {
            ASSERT_TRUE(error) << target.toStdString();
            EXPECT_TRUE(error->startsWith("cannot ")) << error->toStdString();
            EXPECT_TRUE(error->contains(reason)) << error->toStdString();
        }
    }
    EXPECT_FALSE(AtomicFileWriter::checkWritable(path("fine.gif")));
    EXPECT_EQ(names(), (QStringList{"fifo", "folder", "loop1", "loop2"}));
}

// A file-size limit makes the write fail part-way, as a full disk would.
TEST_F(AtomicFileWriterTest, AWriteFailingPartWayKeepsTheOldFileAndSaysWhy)
{
    ASSERT_FALSE(m_writer.write(path("kept.gif"), "old"));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{64 * 1024, old.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::optional<QString> error = m_writer.write(path("kept.gif"), QByteArray(1 << 20, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);

    ASSERT_TRUE(error);
    EXPECT_EQ(*error, "cannot write " + path("kept.gif") + ": " + systemError(EFBIG));
    EXPECT_EQ(readAll(path("kept.gif")), "old");
    EXPECT_EQ(names(), QStringList{"kept.gif"});
}
