#include "app/shell/StartAtLogin.h"
#include "app/shell/StartAtLoginToggle.h"

#include "app/AtomicFileWriter.h"
#include "app/FileWriter.h"
#include "app/shell/ApplicationId.h"

#include <QDir>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kinetta;

namespace
{

const QString program = QStringLiteral("/usr/bin/kinetta");

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    ASSERT_EQ(AtomicFileWriter::instance().write(path, bytes), std::nullopt);
}

// Refuses every write the way a full disk would.
class RefusingWriter final : public FileWriter
{
public:
    std::optional<QString> write(const QString& path, const QByteArray&) override
    {
        return QStringLiteral("cannot write %1: No space left on device").arg(path);
    }
};

class StartAtLoginTest : public ::testing::Test
{
protected:
    QTemporaryDir m_home;
    // Missing until the first entry is written, as on a fresh account.
    QString m_folder = m_home.path() + QStringLiteral("/config/autostart");
    StartAtLogin m_login{m_folder, program, AtomicFileWriter::instance()};
};

} // namespace

TEST_F(StartAtLoginTest, EntryIsWrittenIntoAMissingFolderAndRemoved)
{
    EXPECT_EQ(m_login.entryPath(),
              m_folder + QLatin1Char('/') + QString::fromLatin1(kApplicationId) +
                  QStringLiteral(".desktop"));
    EXPECT_FALSE(m_login.isEnabled());

    EXPECT_EQ(m_login.setEnabled(true), std::nullopt);
    EXPECT_TRUE(m_login.isEnabled());
    const QByteArray text = contents(m_login.entryPath());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nExec=/usr/bin/kinetta\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nIcon=" + QByteArray(kApplicationId) + '\n')) << text.constData();
    // Written again over itself, it stays one whole entry.
    EXPECT_EQ(m_login.setEnabled(true), std::nullopt);
    EXPECT_EQ(contents(m_login.entryPath()), text);

    EXPECT_EQ(m_login.setEnabled(false), std::nullopt);
    EXPECT_FALSE(QFile::exists(m_login.entryPath()));
    EXPECT_FALSE(m_login.isEnabled());
    // Nothing to remove is no failure.
    EXPECT_EQ(m_login.setEnabled(false), std::nullopt);
}

TEST_F(StartAtLoginTest, EntrySwitchedOffByTheDesktopReadsAsOffUntilWrittenAgain)
{
    ASSERT_TRUE(QDir().mkpath(m_folder));
    for (const QByteArray& off : {QByteArray("Hidden=true"),
                                  QByteArray("X-GNOME-Autostart-enabled=false")}) {
        SCOPED_TRACE(off.constData());
        writeFile(m_login.entryPath(), "[Desktop Entry]\nType=Application\nExec=kinetta\n" + off +
                                           "\n[Desktop Action other]\nHidden=false\n");
        EXPECT_FALSE(m_login.isEnabled());
        EXPECT_EQ(m_login.setEnabled(true), std::nullopt);
        EXPECT_TRUE(m_login.isEnabled());
    }
    // The same keys in another group say nothing about the entry.
    writeFile(m_login.entryPath(),
              "[Desktop Entry]\nType=Application\nExec=kinetta\n[Desktop Action x]\nHidden=true\n");
    EXPECT_TRUE(m_login.isEnabled());
}

TEST_F(StartAtLoginTest, FailuresNameWhatFailedAndWhy)
{
    // A file where the autostart folder should be.
    ASSERT_TRUE(QDir().mkpath(m_home.path() + QStringLiteral("/config")));
    writeFile(m_folder, "not a folder");
    const std::optional<QString> folderFailure = m_login.setEnabled(true);
    ASSERT_TRUE(folderFailure.has_value());
    EXPECT_TRUE(folderFailure->startsWith(QStringLiteral("cannot create the folder ") + m_folder +
                                          QStringLiteral(": ")))
        << folderFailure->toStdString();
    EXPECT_FALSE(m_login.isEnabled());

    // The writer's own line comes through as it is.
    const QString folder = m_home.path() + QStringLiteral("/other");
    RefusingWriter refusing;
    StartAtLogin full(folder, program, refusing);
    EXPECT_EQ(full.setEnabled(true),
              QStringLiteral("cannot write %1: No space left on device").arg(full.entryPath()));
    EXPECT_FALSE(full.isEnabled());

    // Something that cannot be unlinked where the entry should be.
    ASSERT_TRUE(QDir().mkpath(full.entryPath() + QStringLiteral("/inside")));
    const std::optional<QString> removeFailure = full.setEnabled(false);
    ASSERT_TRUE(removeFailure.has_value());
    EXPECT_TRUE(removeFailure->startsWith(QStringLiteral("cannot remove ") + full.entryPath() +
                                          QStringLiteral(": ")))
        << removeFailure->toStdString();

    EXPECT_NE(StartAtLogin::failureTitle(true), StartAtLogin::failureTitle(false));
}

TEST_F(StartAtLoginTest, MenuToggleTurnsItOverAndShowsAFailureInABox)
{
    const auto failureBoxes = [] {
        QList<QMessageBox*> boxes;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget);
                box && box->objectName() == QLatin1String(kStartAtLoginFailureBoxName) &&
                box->isVisible())
                boxes << box;
        return boxes;
    };
    toggleStartAtLogin(m_login);
    EXPECT_TRUE(m_login.isEnabled());
    toggleStartAtLogin(m_login);
    EXPECT_FALSE(m_login.isEnabled());
    EXPECT_TRUE(failureBoxes().isEmpty());

    RefusingWriter refusing;
    StartAtLogin full(m_folder, program, refusing);
    toggleStartAtLogin(full);
    EXPECT_FALSE(full.isEnabled());
    const QList<QMessageBox*> boxes = failureBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0]->text(), StartAtLogin::failureTitle(true));
    EXPECT_EQ(boxes[0]->informativeText(),
              QStringLiteral("cannot write %1: No space left on device").arg(full.entryPath()));
    boxes[0]->close();
}

TEST(StartAtLoginExec, ProgramPathsAreQuotedAndEscapedAsTheDesktopEntryFormatAsks)
{
    EXPECT_EQ(StartAtLogin::execArgument(QStringLiteral("/usr/bin/kinetta")),
              QStringLiteral("/usr/bin/kinetta"));
    EXPECT_EQ(StartAtLogin::execArgument(QStringLiteral("/opt/My Apps/kinetta")),
              QStringLiteral("\"/opt/My Apps/kinetta\""));
    // "%" doubled even outside quotes; inside them $ ` " \ take a backslash,
    // and every backslash is doubled again as the string value's own escape.
    EXPECT_EQ(StartAtLogin::execArgument(QStringLiteral("/opt/100%/kinetta")),
              QStringLiteral("/opt/100%%/kinetta"));
    EXPECT_EQ(StartAtLogin::execArgument(QStringLiteral("/h/a$b`c\"d\\e%f/kinetta")),
              QStringLiteral("\"/h/a\\\\$b\\\\`c\\\\\"d\\\\\\\\e%%f/kinetta\""));
}

TEST_F(StartAtLoginTest, EntryForAnAwkwardPathPassesTheDesktopEntryValidator)
{
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed";
    StartAtLogin awkward(m_folder, QStringLiteral("/opt/My \"Apps\" 100%/$HOME\\kinetta"),
                         AtomicFileWriter::instance());
    ASSERT_EQ(awkward.setEnabled(true), std::nullopt);
    QProcess validate;
    validate.start(validator, {awkward.entryPath()});
    ASSERT_TRUE(validate.waitForFinished(30000));
    EXPECT_EQ(validate.exitCode(), 0);
    EXPECT_EQ(validate.readAll(), QByteArray()) << "the validator complained";
}

TEST(StartAtLoginFolder, FollowsXdgConfigHome)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/kinetta-config-home");
    const QString folder = StartAtLogin::defaultFolder();
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
    EXPECT_EQ(folder, QStringLiteral("/tmp/kinetta-config-home/autostart"));
}
