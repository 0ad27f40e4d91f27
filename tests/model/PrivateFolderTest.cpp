#include "model/PrivateFolder.h"

#include "model/SpillFile.h"

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
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Points the XDG variables at folders of the test's own.
class PrivateFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(m_runtime));
        ASSERT_EQ(::chmod(QFile::encodeName(m_runtime).constData(), 0700), 0);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache));
    }

    QTemporaryDir m_dir;
    const QString m_runtime = m_dir.filePath(QStringLiteral("runtime"));
    const QString m_cache = m_dir.filePath(QStringLiteral("cache"));
    const QString m_root = m_runtime + QStringLiteral("/kinetta");
};

} // namespace

TEST_F(PrivateFolderTest, LivesInTheRuntimeFolderWithOnlyTheUsersAccess)
{
    // An existing folder of ours with loose permissions is tightened.
    ASSERT_TRUE(QDir().mkpath(m_root));
    ASSERT_EQ(::chmod(QFile::encodeName(m_root).constData(), 0777), 0);
    const PrivateFolder::Result folder = PrivateFolder::subfolder(QStringLiteral("Clip"));
    ASSERT_TRUE(folder.ok()) << folder.message().toStdString();
    EXPECT_EQ(folder.value(), m_root + QStringLiteral("/Clip"));
    EXPECT_EQ(modeOf(m_root), 0700u);
    EXPECT_EQ(modeOf(folder.value()), 0700u);
    EXPECT_EQ(PrivateFolder::subfolder(QStringLiteral("Clip")).value(), folder.value());
}

TEST_F(PrivateFolderTest, APlantedLinkIsRefusedAndNotFollowed)
{
    const QString elsewhere = m_dir.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, m_root));
    const PrivateFolder::Result root = PrivateFolder::root();
    EXPECT_FALSE(root.ok());
    EXPECT_TRUE(root.message().contains(QStringLiteral("symbolic link")))
        << root.message().toStdString();
    EXPECT_FALSE(PrivateFolder::subfolder(QStringLiteral("Clip")).ok());
    EXPECT_TRUE(QDir(elsewhere).isEmpty());

    // The same one level down, with a dangling link.
    ASSERT_TRUE(QFile::remove(m_root));
    ASSERT_TRUE(PrivateFolder::root().ok());
    const QString missing = m_dir.filePath(QStringLiteral("missing"));
    ASSERT_TRUE(QFile::link(missing, m_root + QStringLiteral("/Clip")));
    EXPECT_FALSE(PrivateFolder::subfolder(QStringLiteral("Clip")).ok());
    EXPECT_FALSE(QFile::exists(missing));
}

TEST_F(PrivateFolderTest, AFileOrAnotherUsersFolderIsRefused)
{
    ASSERT_TRUE(QFile(m_root).open(QIODevice::WriteOnly));
    EXPECT_FALSE(PrivateFolder::root().ok());
    EXPECT_FALSE(PrivateFolder::ensure(QString()).ok());

    QString foreign = QStringLiteral("/"); // root's, unless we are root
    if (::geteuid() == 0) {
        foreign = m_dir.filePath(QStringLiteral("foreign"));
        ASSERT_TRUE(QDir().mkpath(foreign));
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
    }
    const PrivateFolder::Result result = PrivateFolder::ensure(foreign);
    EXPECT_TRUE(result.message().contains(QStringLiteral("another user")))
        << result.message().toStdString();
}

TEST_F(PrivateFolderTest, AnUnsafeOrMissingRuntimeFolderFallsBackToTheCache)
{
    const QString expected = m_cache + QStringLiteral("/kinetta");
    ASSERT_EQ(::chmod(QFile::encodeName(m_runtime).constData(), 0777), 0);
    EXPECT_EQ(PrivateFolder::root().value(), expected);
    qputenv("XDG_RUNTIME_DIR", "relative/path");
    EXPECT_EQ(PrivateFolder::root().value(), expected);
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(PrivateFolder::root().value(), expected);
    EXPECT_EQ(modeOf(expected), 0700u);
    EXPECT_FALSE(QFile::exists(m_root));
    EXPECT_FALSE(PrivateFolder::runtimeRoot().ok());
}

// The XDG base-directory rules: a relative path in these variables is invalid
// and must be ignored, never taken against the current folder.
TEST_F(PrivateFolderTest, RelativeXdgFoldersAreIgnored)
{
    const QString home = m_dir.filePath(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home));
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CACHE_HOME", "relative/cache");
    qputenv("XDG_RUNTIME_DIR", "relative/runtime");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    EXPECT_EQ(PrivateFolder::cacheHome(), home + QStringLiteral("/.cache"));
    EXPECT_EQ(PrivateFolder::root().value(), home + QStringLiteral("/.cache/kinetta"));
    EXPECT_EQ(SpillFile::defaultFolder(), home + QStringLiteral("/.cache/kinetta"));
    EXPECT_FALSE(PrivateFolder::runtimeRoot().ok());
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("relative"))));
    ASSERT_TRUE(QDir::setCurrent(previous));
}
