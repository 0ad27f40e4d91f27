// The executable's fingerprint, the launch decision and the re-arm at a
// status-item click.
#include "app/HotKeyArming.h"

#include "FakeKeyObserver.h"
#include "ProcessUntil.h"
#include "WidgetApplication.h"
#include "app/ExecutableFingerprint.h"
#include "model/MemoryPreferencesStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kinetta::test
{
namespace
{

// Writes size bytes to path and sets its modification time (whole seconds
// plus a fraction, which the fingerprint drops).
void writeFile(const QString& path, qsizetype size, time_t seconds)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
    file.close();
    const timespec times[2] = {{seconds, 250000000}, {seconds, 750000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

TEST(ExecutableFingerprint, ChangesWithSizeAndTimeFollowsLinksAndIsUnknownWhenUnreadable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("kinetta"));

    writeFile(path, 1234, 1700000000);
    const QString first = fingerprintText(readFileStamp(path));
    EXPECT_EQ(first, QStringLiteral("1234-1700000000"));

    writeFile(path, 1234, 1700000000);
    EXPECT_EQ(fingerprintText(readFileStamp(path)), first) << "same file, same fingerprint";

    writeFile(path, 1235, 1700000000);
    EXPECT_EQ(fingerprintText(readFileStamp(path)), QStringLiteral("1235-1700000000"));

    writeFile(path, 1234, 1700000001);
    EXPECT_EQ(fingerprintText(readFileStamp(path)), QStringLiteral("1234-1700000001"));

    const QString link = dir.filePath(QStringLiteral("exe"));
    ASSERT_TRUE(QFile::link(path, link));
    EXPECT_EQ(fingerprintText(readFileStamp(link)), QStringLiteral("1234-1700000001"));

    EXPECT_EQ(fingerprintText(readFileStamp(dir.filePath(QStringLiteral("missing")))),
              QStringLiteral("unknown"));
}

TEST(ExecutableFingerprint, IsReadOffTheMainThreadAndAnsweredOnIt)
{
    widgetApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("kinetta"));
    writeFile(path, 7, 1500000000);

    QObject owner;
    std::optional<QString> answer;
    QThread* answeredOn = nullptr;
    readFingerprintInBackground(
        &owner,
        [&](QString fingerprint) {
            answer = fingerprint;
            answeredOn = QThread::currentThread();
        },
        path);
    EXPECT_FALSE(answer) << "the answer comes through the event loop";
    ASSERT_TRUE(processUntil([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, QStringLiteral("7-1500000000"));
    EXPECT_EQ(answeredOn, QCoreApplication::instance()->thread());

    // The running program's own file can be read.
    std::optional<QString> own;
    readFingerprintInBackground(&owner, [&](QString fingerprint) { own = fingerprint; });
    ASSERT_TRUE(processUntil([&] { return own.has_value(); }));
    EXPECT_NE(*own, QStringLiteral("unknown"));
}

TEST(LaunchDecision, ResetsOnlyAChangedExecutableWhileUntrusted)
{
    const QString current = QStringLiteral("10-20");
    struct Case {
        bool trusted;
        std::optional<QString> stored;
        LaunchDecision expected;
    };
    const Case cases[] = {
        {false, std::nullopt, {false, true}},              // first launch
        {false, QStringLiteral("10-20"), {true, false}},   // same executable
        {false, QStringLiteral("11-20"), {false, true}},   // changed size
        {false, QStringLiteral("10-21"), {false, true}},   // changed time
        {false, QStringLiteral("unknown"), {false, true}}, // unreadable before
        {true, std::nullopt, {false, false}},              // trusted: never reset
        {true, QStringLiteral("10-20"), {true, false}},
        {true, QStringLiteral("11-20"), {false, false}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decideAtLaunch(c.trusted, c.stored, current), c.expected)
            << "trusted " << c.trusted << " stored "
            << c.stored.value_or(QStringLiteral("none")).toStdString();
    EXPECT_EQ(decideAtLaunch(false, QStringLiteral("unknown"), QStringLiteral("unknown")),
              (LaunchDecision{true, false}))
        << "unknown is compared like any other value";
}

class HotKeyArmingTest : public ::testing::Test
{
protected:
    FakeKeyObserver observer;
    MemoryPreferencesStore store;
    HotKeyArming arming{observer, store};
};

TEST_F(HotKeyArmingTest, LaunchStoresTheFingerprintEveryTimeAndArms)
{

    EXPECT_TRUE(arming.armAtLaunch(QStringLiteral("10-20")).resetTrust);
    EXPECT_EQ(store.stringValue(kExecutableFingerprintKey), QStringLiteral("10-20"));
    EXPECT_EQ(observer.reinstalls, 1) << "the reset is the install itself: nothing shown, once";
    EXPECT_FALSE(arming.armedWhileTrusted());

    HotKeyArming secondLaunch(observer, store);
    EXPECT_EQ(secondLaunch.armAtLaunch(QStringLiteral("10-20")), (LaunchDecision{true, false}));

    observer.installable = true;
    HotKeyArming updated(observer, store);
    EXPECT_EQ(updated.armAtLaunch(QStringLiteral("10-99")), (LaunchDecision{false, false}));
    EXPECT_EQ(store.stringValue(kExecutableFingerprintKey), QStringLiteral("10-99"));
    EXPECT_TRUE(updated.armedWhileTrusted());
}

TEST_F(HotKeyArmingTest, AClickRetriesAnObserverArmedUntrustedUntilItIsInstalled)
{
    arming.armAtLaunch(QStringLiteral("1-1"));
    ASSERT_FALSE(arming.armedWhileTrusted());

    EXPECT_FALSE(arming.rearmIfTrustGranted()) << "tried again, still not installable";
    EXPECT_EQ(observer.reinstalls, 2);
    EXPECT_FALSE(arming.armedWhileTrusted());

    observer.installable = true;
    EXPECT_TRUE(arming.rearmIfTrustGranted());
    EXPECT_EQ(observer.reinstalls, 3);
    EXPECT_TRUE(arming.armedWhileTrusted());

    EXPECT_FALSE(arming.rearmIfTrustGranted()) << "armed while trusted: left alone";
    EXPECT_EQ(observer.reinstalls, 3);
}

} // namespace
} // namespace kinetta::test
