#include "model/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kinetta;

namespace
{

mode_t modeOf(const QString& path)
{
    struct stat info {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

// Points the XDG variables at folders of the test's own and puts them back after.
class PrivateFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_runtime = m_dir.filePath(QStringLiteral("runtime"));
        m_cache = m_dir.filePath(QStringLiteral("cache"));
        ASSERT_TRUE(QDir().mkpath(m_runtime));
        ASSERT_EQ(::chmod(QFile::encodeName(m_runtime).constData(), 0700), 0);
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        m_oldCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache));
    }
    void TearDown() override
    {
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
        qputenv("XDG_CACHE_HOME", m_oldCache);
    }

    QTemporaryDir m_dir;
    QString m_runtime;
    QString m_cache;
    QByteArray m_oldRuntime;
    QByteArray m_oldCache;
};

} // namespace

TEST_F(PrivateFolderTest, LivesInTheRuntimeFolderWithOnlyTheUsersAccess)
{
    const PrivateFolder::Result folder =
        PrivateFolder::subfolder(QStringLiteral("Kinetta-Clipboard"));
    ASSERT_TRUE(folder.ok()) << folder.error.toStdString();
    EXPECT_EQ(folder.path, m_runtime + QStringLiteral("/kinetta/Kinetta-Clipboard"));
    EXPECT_EQ(modeOf(m_runtime + QStringLiteral("/kinetta")), 0700u);
    EXPECT_EQ(modeOf(folder.path), 0700u);
    // Asking again finds the same folder.
    EXPECT_EQ(PrivateFolder::subfolder(QStringLiteral("Kinetta-Clipboard")).path, folder.path);
}

TEST_F(PrivateFolderTest, AnExistingFolderOfOursIsMadePrivate)
{
    const QString path = m_runtime + QStringLiteral("/kinetta");
    ASSERT_TRUE(QDir().mkpath(path));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0777), 0);
    ASSERT_TRUE(PrivateFolder::root().ok());
    EXPECT_EQ(modeOf(path), 0700u);
}

TEST_F(PrivateFolderTest, APlantedLinkIsRefusedAndNotFollowed)
{
    const QString elsewhere = m_dir.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, m_runtime + QStringLiteral("/kinetta")));
    const PrivateFolder::Result root = PrivateFolder::root();
    EXPECT_FALSE(root.ok());
    EXPECT_TRUE(root.error.contains(QStringLiteral("symbolic link"))) << root.error.toStdString();
    EXPECT_FALSE(PrivateFolder::subfolder(QStringLiteral("Kinetta-Clipboard")).ok());
    EXPECT_TRUE(QDir(elsewhere).isEmpty());

    // The same one level down, and a dangling link too.
    ASSERT_TRUE(QFile::remove(m_runtime + QStringLiteral("/kinetta")));
    ASSERT_TRUE(PrivateFolder::root().ok());
    ASSERT_TRUE(QFile::link(m_dir.filePath(QStringLiteral("missing")),
                            m_runtime + QStringLiteral("/kinetta/Kinetta-Clipboard")));
    EXPECT_FALSE(PrivateFolder::subfolder(QStringLiteral("Kinetta-Clipboard")).ok());
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("missing"))));
}

TEST_F(PrivateFolderTest, AFileOrAnotherUsersFolderIsRefused)
{
    QFile file(m_runtime + QStringLiteral("/kinetta"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(PrivateFolder::root().ok());

    QString foreign = QStringLiteral("/"); // root's, unless we are root
    if (::geteuid() == 0) {
        foreign = m_dir.filePath(QStringLiteral("foreign"));
        ASSERT_TRUE(QDir().mkpath(foreign));
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
    }
    const PrivateFolder::Result result = PrivateFolder::ensure(foreign);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.error.contains(QStringLiteral("another user")))
        << result.error.toStdString();
    EXPECT_FALSE(PrivateFolder::ensure(QString()).ok());
}

TEST_F(PrivateFolderTest, AnUnsafeOrMissingRuntimeFolderFallsBackToTheCache)
{
    const QString expected = m_cache + QStringLiteral("/kinetta");
    ASSERT_EQ(::chmod(QFile::encodeName(m_runtime).constData(), 0777), 0);
    EXPECT_EQ(PrivateFolder::root().path, expected);
    qputenv("XDG_RUNTIME_DIR", "relative/path");
    EXPECT_EQ(PrivateFolder::root().path, expected);
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(PrivateFolder::root().path, expected);
    EXPECT_EQ(modeOf(expected), 0700u);
    EXPECT_FALSE(QFile::exists(m_runtime + QStringLiteral("/kinetta")));
}
