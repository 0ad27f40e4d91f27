#include "model/IniPreferencesStore.h"
#include "model/MemoryPreferencesStore.h"
#include "model/RecordingSession.h"
#include "model/SignalLog.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace kinetta;

namespace
{

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

auto settingsOf(const RecordingSession& s)
{
    return std::tuple(s.fps(), s.scale(), s.captureMode(), s.useCountdown(), s.countdownSeconds(),
                      s.showCursor(), s.useAutoStop(), s.autoStopSeconds(), s.loopCount(),
                      s.autoCopy());
}

const auto kDefaults = std::tuple(10.0, 0.5, CaptureMode::fullScreen, true, qint64{3}, true, false,
                                  qint64{30}, qint64{0}, false);

} // namespace

TEST(SessionSettings, FreshStoresGiveTheDefaultsWithoutWritingAFile)
{
    EXPECT_EQ(settingsOf(RecordingSession(std::make_shared<MemoryPreferencesStore>())), kDefaults);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kinetta.conf"));
    const RecordingSession session(std::make_shared<IniPreferencesStore>(path));
    EXPECT_EQ(settingsOf(session), kDefaults);
    EXPECT_FALSE(session.preferencesProblem());
    EXPECT_FALSE(QFile::exists(path));
}

TEST(SessionSettings, EverySettingSurvivesANewSessionOnTheSameFile)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/kinetta.conf"));
    {
        RecordingSession session(std::make_shared<IniPreferencesStore>(path));
        session.setFps(15);
        session.setScale(0.75);
        session.setCaptureMode(CaptureMode::area);
        session.setUseCountdown(false);
        session.setCountdownSeconds(-2);
        session.setShowCursor(false);
        session.setUseAutoStop(true);
        session.setAutoStopSeconds(std::numeric_limits<qint64>::max());
        session.setLoopCount(7);
        session.setAutoCopy(true);
        // State, never stored.
        session.setIsRecording(true);
        session.setCountdownValue(3);
        session.setErrorMessage(QStringLiteral("Boom"));
        session.setSelectedRect(QRectF(1, 2, 3, 4));
    }
    const RecordingSession again(std::make_shared<IniPreferencesStore>(path));
    EXPECT_EQ(settingsOf(again),
              std::tuple(15.0, 0.75, CaptureMode::area, false, qint64{-2}, false, true,
                         std::numeric_limits<qint64>::max(), qint64{7}, true));
    EXPECT_FALSE(again.isRecording());
    const QByteArray written = readAll(path);
    EXPECT_TRUE(written.contains("captureMode=Area")) << written.toStdString();
    EXPECT_EQ(QSettings(path, QSettings::IniFormat).allKeys().size(), 10);
}

TEST(SessionSettings, WrongTypedValuesFallBackToDefaultsAndStayUntilAssigned)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kinetta.conf"));
    writeAll(path, "[General]\nfps=inf\nscale=nan\ncaptureMode=\"Window, Area\"\n"
                   "useCountdown=maybe\ncountdownSeconds=3.5\nshowCursor=2\nuseAutoStop=\n"
                   "autoStopSeconds=99999999999999999999\nloopCount=Window, Area\n"
                   "autoCopy=@ByteArray(true)\n");
    RecordingSession session(std::make_shared<IniPreferencesStore>(path));
    EXPECT_EQ(settingsOf(session), kDefaults);
    EXPECT_FALSE(session.preferencesProblem());
    session.setFps(12);
    EXPECT_EQ(IniPreferencesStore(path).doubleValue(QStringLiteral("fps")), 12.0);
    EXPECT_TRUE(readAll(path).contains("useCountdown=maybe"));
}

TEST(SessionSettings, CaptureModeRawValuesAreCaseSensitive)
{
    const auto load = [](const QVariant& stored) {
        auto store = std::make_shared<MemoryPreferencesStore>();
        (void)store->setValue(QStringLiteral("captureMode"), stored);
        return RecordingSession(store).captureMode();
    };
    EXPECT_EQ(load(QStringLiteral("Window")), CaptureMode::window);
    EXPECT_EQ(load(QStringLiteral("Area")), CaptureMode::area);
    for (const QVariant& other :
         {QVariant(QStringLiteral("window")), QVariant(QStringLiteral("Window ")),
          QVariant(QStringLiteral("Screen")), QVariant(QString()), QVariant(1),
          QVariant(QStringList{QStringLiteral("Window")})})
        EXPECT_EQ(load(other), CaptureMode::fullScreen) << other.toString().toStdString();
}

TEST(SessionSettings, AnUnreadableFileIsLeftAloneAndTheSessionKeepsItsValues)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kinetta.conf"));
    const std::pair<QByteArray, QString> cases[] = {
        {"[General\nfps=3\n", QStringLiteral("line 1")},
        {"fps=3\nthis line is no setting\n", QStringLiteral("line 2")},
        {"fps=@Variant(garbage)\n", QStringLiteral("\"fps\"")},
        {"fps=4\n\xff\xfe=1\n", QStringLiteral("line 2")},
    };
    for (const auto& [damaged, where] : cases) {
        writeAll(path, damaged);
        RecordingSession session(std::make_shared<IniPreferencesStore>(path));
        ASSERT_TRUE(session.preferencesProblem()) << damaged.toStdString();
        EXPECT_TRUE(session.preferencesProblem()->contains(where))
            << session.preferencesProblem()->toStdString();
        SignalLog problems(&session, &RecordingSession::preferencesProblemOccurred);
        session.setFps(20);
        session.setAutoCopy(true);
        EXPECT_EQ(session.fps(), 20.0);
        EXPECT_EQ(session.preferences().doubleValue(QStringLiteral("fps")), 20.0);
        EXPECT_EQ(problems.count, 1);
        EXPECT_EQ(readAll(path), damaged);
    }
    // A folder where the file should be.
    const RecordingSession folder(std::make_shared<IniPreferencesStore>(dir.path()));
    EXPECT_TRUE(folder.preferencesProblem());
    EXPECT_EQ(settingsOf(folder), kDefaults);
}

TEST(SessionSettings, AFileThatCannotBeWrittenIsReportedOnceAndValuesStayInMemory)
{
    const QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("blocked"));
    const QString path = blocker + QStringLiteral("/kinetta.conf");
    writeAll(blocker, "x"); // a plain file where the settings folder should be
    RecordingSession session(std::make_shared<IniPreferencesStore>(path));
    SignalLog problems(&session, &RecordingSession::preferencesProblemOccurred);
    session.setFps(30);
    session.setScale(1.0);
    EXPECT_EQ(problems.count, 1);
    ASSERT_TRUE(session.preferencesProblem());
    EXPECT_TRUE(session.preferencesProblem()->contains(path));
    EXPECT_EQ(session.fps(), 30.0);
    EXPECT_EQ(session.preferences().doubleValue(QStringLiteral("scale")), 1.0);

    // Once the folder can be made, the next save writes what was kept.
    ASSERT_TRUE(QFile::remove(blocker));
    session.setLoopCount(4);
    EXPECT_EQ(problems.count, 1);
    const QByteArray written = readAll(path);
    for (const char* line : {"fps=30", "scale=1", "loopCount=4"})
        EXPECT_TRUE(written.contains(line)) << written.toStdString();
}

// Typed values as a store may hold them; text read from a file is covered above.
TEST(PreferenceConversions, AcceptOnlyValuesOfTheFieldType)
{
    EXPECT_EQ(preferenceToDouble(QVariant(qint64{3})), 3.0);
    EXPECT_EQ(preferenceToDouble(QStringLiteral(" 0.25 ")), 0.25);
    EXPECT_FALSE(preferenceToDouble(QVariant(std::nan(""))));
    EXPECT_FALSE(preferenceToDouble(QVariant(true)));
    EXPECT_EQ(preferenceToBool(QStringLiteral("FALSE")), false);
    EXPECT_EQ(preferenceToBool(QVariant(1)), true);
    EXPECT_FALSE(preferenceToBool(QVariant(2)));
    EXPECT_EQ(preferenceToInteger(QVariant(4.0)), 4);
    EXPECT_FALSE(preferenceToInteger(QVariant(4.5)));
    EXPECT_FALSE(preferenceToInteger(QVariant(9.3e18)));
    EXPECT_FALSE(preferenceToInteger(QVariant(std::numeric_limits<quint64>::max())));
    EXPECT_FALSE(preferenceToInteger(QStringLiteral("0x10")));
    EXPECT_FALSE(preferenceToString(QVariant(QByteArray("Area"))));
}

TEST(IniPreferencesStore, DefaultFileLivesInTheXdgConfigFolder)
{
    const QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    EXPECT_EQ(IniPreferencesStore::defaultFilePath(),
              dir.path() + QStringLiteral("/kinetta/kinetta.conf"));
    qunsetenv("XDG_CONFIG_HOME");
}
