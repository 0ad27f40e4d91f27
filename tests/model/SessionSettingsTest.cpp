#include "model/IniPreferencesStore.h"
#include "model/MemoryPreferencesStore.h"
#include "model/RecordingSession.h"
#include "model/SignalLog.h"

#include <QDir>
#include <QFile>
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
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

void expectDefaults(const RecordingSession& session)
{
    EXPECT_EQ(session.fps(), 10.0);
    EXPECT_EQ(session.scale(), 0.5);
    EXPECT_EQ(session.captureMode(), CaptureMode::fullScreen);
    EXPECT_TRUE(session.useCountdown());
    EXPECT_EQ(session.countdownSeconds(), 3);
    EXPECT_TRUE(session.showCursor());
    EXPECT_FALSE(session.useAutoStop());
    EXPECT_EQ(session.autoStopSeconds(), 30);
    EXPECT_EQ(session.loopCount(), 0);
    EXPECT_FALSE(session.autoCopy());
}

// Records, for each write, whether the session had already published the value.
class WatchingStore final : public PreferencesStore
{
public:
    QVariant value(const QString& key) const override { return m_inner.value(key); }
    std::optional<QString> setValue(const QString& key, const QVariant& value) override
    {
        writes.push_back({key, value, publishedBeforeWrite});
        return m_inner.setValue(key, value);
    }
    struct Write {
        QString key;
        QVariant value;
        bool published;
    };
    std::vector<Write> writes;
    bool publishedBeforeWrite = false;

private:
    MemoryPreferencesStore m_inner;
};

} // namespace

TEST(SessionSettings, FreshStoresGiveTheDefaultsAndIdleState)
{
    expectDefaults(RecordingSession(std::make_shared<MemoryPreferencesStore>()));
    const QTemporaryDir dir;
    const RecordingSession session(
        std::make_shared<IniPreferencesStore>(dir.filePath(QStringLiteral("kinetta.conf"))));
    expectDefaults(session);
    EXPECT_FALSE(session.preferencesProblem());
    EXPECT_FALSE(session.isRecording());
    EXPECT_FALSE(session.isCountingDown());
    EXPECT_FALSE(session.countdownValue());
    EXPECT_FALSE(session.cancelCountdown());
    EXPECT_EQ(session.recordingSeconds(), 0);
    EXPECT_TRUE(session.capturedFrames().empty());
    EXPECT_FALSE(session.selectedWindow());
    EXPECT_TRUE(session.availableWindows().empty());
    EXPECT_FALSE(session.windowsLoading());
    EXPECT_FALSE(session.selectedRect());
    EXPECT_FALSE(session.errorMessage());
    // Reading settings never writes the file.
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("kinetta.conf"))));
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
        session.setIsRecording(true); // state, never stored
        EXPECT_EQ(session.preferences().doubleValue(QStringLiteral("fps")), 15.0);
        EXPECT_EQ(session.preferences().stringValue(QStringLiteral("captureMode")),
                  QStringLiteral("Area"));
    }
    const RecordingSession again(std::make_shared<IniPreferencesStore>(path));
    EXPECT_EQ(again.fps(), 15.0);
    EXPECT_EQ(again.scale(), 0.75);
    EXPECT_EQ(again.captureMode(), CaptureMode::area);
    EXPECT_FALSE(again.useCountdown());
    EXPECT_EQ(again.countdownSeconds(), -2);
    EXPECT_FALSE(again.showCursor());
    EXPECT_TRUE(again.useAutoStop());
    EXPECT_EQ(again.autoStopSeconds(), std::numeric_limits<qint64>::max());
    EXPECT_EQ(again.loopCount(), 7);
    EXPECT_TRUE(again.autoCopy());
    EXPECT_FALSE(again.isRecording());
    EXPECT_FALSE(readAll(path).contains("isRecording"));
    EXPECT_TRUE(readAll(path).contains("captureMode=Area"));
}

TEST(SessionSettings, SettersStoreTheFieldTypesWithoutClampingAfterPublishing)
{
    auto store = std::make_shared<WatchingStore>();
    RecordingSession session(store);
    QObject::connect(&session, &RecordingSession::fpsChanged,
                     [&] { store->publishedBeforeWrite = true; });
    session.setFps(-3.5);
    ASSERT_EQ(store->writes.size(), 1u);
    EXPECT_TRUE(store->writes[0].published);
    EXPECT_EQ(store->writes[0].key, QStringLiteral("fps"));
    EXPECT_EQ(store->writes[0].value.metaType().id(), QMetaType::Double);
    EXPECT_EQ(session.fps(), -3.5);

    session.setCountdownSeconds(0);
    session.setUseAutoStop(true);
    session.setCaptureMode(CaptureMode::window);
    ASSERT_EQ(store->writes.size(), 4u);
    EXPECT_EQ(store->writes[1].value.metaType().id(), QMetaType::LongLong);
    EXPECT_EQ(store->writes[2].value.metaType().id(), QMetaType::Bool);
    EXPECT_EQ(store->writes[3].value, QVariant(QStringLiteral("Window")));
}

TEST(SessionSettings, SignalsFireOnChangeButEveryAssignmentIsStored)
{
    auto store = std::make_shared<WatchingStore>();
    RecordingSession session(store);
    SignalLog fps(&session, &RecordingSession::fpsChanged);
    SignalLog loop(&session, &RecordingSession::loopCountChanged);
    session.setFps(10.0); // the value it already has
    session.setFps(24.0);
    session.setLoopCount(session.loopCount() + 1);
    EXPECT_EQ(fps.count(), 1);
    EXPECT_EQ(std::get<0>(fps.at(0)), 24.0);
    EXPECT_EQ(loop.count(), 1);
    EXPECT_EQ(store->writes.size(), 3u);
    EXPECT_EQ(session.preferences().integerValue(QStringLiteral("loopCount")), 1);
}

TEST(SessionSettings, WrongTypedValuesFallBackToDefaultsAndStayUntilAssigned)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kinetta.conf"));
    writeAll(path, "[General]\n"
                   "fps=fast\n"
                   "scale=nan\n"
                   "captureMode=\"Window, Area\"\n"
                   "useCountdown=maybe\n"
                   "countdownSeconds=3.5\n"
                   "showCursor=2\n"
                   "useAutoStop=\n"
                   "autoStopSeconds=99999999999999999999\n"
                   "loopCount=Window, Area\n"
                   "autoCopy=@ByteArray(true)\n");
    auto store = std::make_shared<IniPreferencesStore>(path);
    RecordingSession session(store);
    expectDefaults(session);
    EXPECT_FALSE(session.preferencesProblem());
    EXPECT_EQ(store->value(QStringLiteral("fps")), QVariant(QStringLiteral("fast")));

    session.setFps(12);
    EXPECT_EQ(IniPreferencesStore(path).doubleValue(QStringLiteral("fps")), 12.0);
    EXPECT_TRUE(readAll(path).contains("useCountdown=maybe"));
}

TEST(SessionSettings, CaptureModeRawValuesAreCaseSensitive)
{
    const std::pair<QVariant, CaptureMode> cases[] = {
        {QStringLiteral("Window"), CaptureMode::window},
        {QStringLiteral("Area"), CaptureMode::area},
        {QStringLiteral("Screen"), CaptureMode::fullScreen},
        {QStringLiteral("window"), CaptureMode::fullScreen},
        {QStringLiteral("Window "), CaptureMode::fullScreen},
        {QStringLiteral(""), CaptureMode::fullScreen},
        {QVariant(1), CaptureMode::fullScreen},
        {QVariant(QStringList{QStringLiteral("Window")}), CaptureMode::fullScreen},
    };
    for (const auto& [stored, expected] : cases) {
        auto store = std::make_shared<MemoryPreferencesStore>();
        (void)store->setValue(QStringLiteral("captureMode"), stored);
        EXPECT_EQ(RecordingSession(store).captureMode(), expected)
            << stored.toString().toStdString();
    }
}

TEST(SessionSettings, ZeroAndNegativeCountdownsLoadUnchanged)
{
    for (const qint64 seconds : {qint64{0}, qint64{-5}}) {
        auto store = std::make_shared<MemoryPreferencesStore>();
        (void)store->setValue(QStringLiteral("countdownSeconds"), seconds);
        EXPECT_EQ(RecordingSession(store).countdownSeconds(), seconds);
    }
}

TEST(SessionSettings, ADamagedFileIsLeftAloneAndTheSessionKeepsItsValues)
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
        EXPECT_EQ(problems.count(), 1);
        EXPECT_EQ(readAll(path), damaged);
    }
}

TEST(SessionSettings, AFileThatCannotBeWrittenIsReportedOnceAndValuesStayInMemory)
{
    const QTemporaryDir dir;
    // A plain file where the settings folder should be: no user can write below it.
    writeAll(dir.filePath(QStringLiteral("blocked")), "x");
    const QString path = dir.filePath(QStringLiteral("blocked/kinetta.conf"));
    RecordingSession session(std::make_shared<IniPreferencesStore>(path));
    SignalLog problems(&session, &RecordingSession::preferencesProblemOccurred);
    session.setFps(30);
    session.setScale(1.0);
    EXPECT_EQ(problems.count(), 1);
    ASSERT_TRUE(session.preferencesProblem());
    EXPECT_TRUE(session.preferencesProblem()->contains(path));
    EXPECT_EQ(session.fps(), 30.0);
    EXPECT_EQ(session.preferences().doubleValue(QStringLiteral("scale")), 1.0);

    // Once the folder can be made, the next save writes what was kept, and a
    // later failure is reported afresh.
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("blocked"))));
    session.setLoopCount(4);
    EXPECT_EQ(problems.count(), 1);
    const QByteArray written = readAll(path);
    EXPECT_TRUE(written.contains("fps=30")) << written.toStdString();
    EXPECT_TRUE(written.contains("scale=1")) << written.toStdString();
    EXPECT_TRUE(written.contains("loopCount=4")) << written.toStdString();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("blocked")));
    writeAll(dir.filePath(QStringLiteral("blocked")), "x");
    session.setLoopCount(5);
    EXPECT_EQ(problems.count(), 2);
}

TEST(SessionSettings, AFileThatIsAFolderIsReportedAtLoad)
{
    const QTemporaryDir dir;
    RecordingSession session(std::make_shared<IniPreferencesStore>(dir.path()));
    ASSERT_TRUE(session.preferencesProblem());
    expectDefaults(session);
    session.setLoopCount(2);
    EXPECT_EQ(session.loopCount(), 2);
}

TEST(PreferenceConversions, AcceptOnlyValuesOfTheFieldType)
{
    EXPECT_EQ(preferenceToDouble(QVariant(2.5)), 2.5);
    EXPECT_EQ(preferenceToDouble(QVariant(qint64{3})), 3.0);
    EXPECT_EQ(preferenceToDouble(QStringLiteral(" 0.25 ")), 0.25);
    EXPECT_FALSE(preferenceToDouble(QStringLiteral("inf")));
    EXPECT_FALSE(preferenceToDouble(QVariant(std::nan(""))));
    EXPECT_FALSE(preferenceToDouble(QVariant(true)));
    EXPECT_FALSE(preferenceToDouble(QVariant()));

    EXPECT_EQ(preferenceToBool(QStringLiteral("true")), true);
    EXPECT_EQ(preferenceToBool(QStringLiteral("FALSE")), false);
    EXPECT_EQ(preferenceToBool(QVariant(1)), true);
    EXPECT_FALSE(preferenceToBool(QVariant(2)));
    EXPECT_FALSE(preferenceToBool(QStringLiteral("yes")));
    EXPECT_FALSE(preferenceToBool(QVariant(0.0)));

    EXPECT_EQ(preferenceToInteger(QStringLiteral("-12")), -12);
    EXPECT_EQ(preferenceToInteger(QVariant(4.0)), 4);
    EXPECT_FALSE(preferenceToInteger(QVariant(4.5)));
    EXPECT_FALSE(preferenceToInteger(QVariant(9.3e18)));
    EXPECT_FALSE(preferenceToInteger(QVariant(std::numeric_limits<quint64>::max())));
    EXPECT_FALSE(preferenceToInteger(QStringLiteral("0x10")));

    EXPECT_EQ(preferenceToString(QStringLiteral("Area")), QStringLiteral("Area"));
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
