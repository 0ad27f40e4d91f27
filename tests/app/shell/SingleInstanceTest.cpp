#include "app/shell/SingleInstance.h"

#include "app/FakeKeyObserver.h"
#include "app/HotKeyArming.h"
#include "app/PermissionsService.h"
#include "app/ProcessUntil.h"
#include "app/shell/RelaunchActions.h"
#include "model/MemoryPreferencesStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTemporaryDir>
#include <algorithm>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using kinetta::InstanceRequest;
using kinetta::PermissionsActions;
using kinetta::SingleInstance;
using kinetta::test::processUntil;

namespace
{

// A second start, as another process would make it: on a thread of its own,
// while this one's event loop keeps the primary answering.
struct LaterStart {
    SingleInstance::Claim claim = SingleInstance::Claim::failed;
    QString error;
};

LaterStart startAgain(const QString& socketPath, InstanceRequest request,
                      std::chrono::milliseconds timeout = SingleInstance::kDefaultAnswerTimeout)
{
    auto started = std::async(std::launch::async, [=] {
        SingleInstance instance(socketPath);
        instance.setAnswerTimeout(timeout);
        LaterStart start;
        start.claim = instance.claim(request);
        start.error = instance.errorString();
        return start;
    });
    EXPECT_TRUE(processUntil([&] { return started.wait_for(0s) == std::future_status::ready; }));
    return started.get();
}

// What a raw client hears from the primary after sending bytes, on a thread
// of its own.
QByteArray replyTo(const QString& socketPath, const QByteArray& bytes)
{
    auto asked = std::async(std::launch::async, [=] {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (!socket.waitForConnected(5000))
            return QByteArray("not connected");
        socket.write(bytes);
        socket.waitForBytesWritten(5000);
        while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(5000)) {
        }
        return socket.readAll();
    });
    EXPECT_TRUE(processUntil([&] { return asked.wait_for(0s) == std::future_status::ready; }));
    return asked.get();
}

// Sets an environment variable for a scope, then puts back what was there.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : m_name(name), m_was(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (m_wasSet)
            qputenv(m_name, m_was);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_was;
    bool m_wasSet;
};

// A socket file with no one listening: what an instance that crashed leaves.
void leaveStaleSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::copy(native.begin(), native.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(path));
}

class SingleInstanceTest : public testing::Test
{
protected:
    // Keeps every request the primary hears, in order, in m_heard.
    void listenTo(SingleInstance& primary)
    {
        QObject::connect(&primary, &SingleInstance::requested, &primary,
                         [this](InstanceRequest request) { m_heard.push_back(request); });
    }

    // A later start's request reaches primary, which answers on this socket.
    void expectToAnswerALaterStart(SingleInstance& primary)
    {
        listenTo(primary);
        EXPECT_EQ(startAgain(m_socket, InstanceRequest::toggleRecording).claim,
                  SingleInstance::Claim::handedOver);
        EXPECT_TRUE(processUntil([&] { return m_heard.size() == 1; }));
        EXPECT_EQ(m_heard, std::vector{InstanceRequest::toggleRecording});
    }

    int m_argc = 0;
    QCoreApplication m_app{m_argc, nullptr};
    QTemporaryDir m_dir;
    const QString m_socket = m_dir.filePath(QStringLiteral("instance"));
    std::vector<InstanceRequest> m_heard;
};

} // namespace

TEST_F(SingleInstanceTest, LaterStartsHandTheirRequestsToThePrimaryInOrder)
{
    SingleInstance primary(m_socket);
    ASSERT_EQ(primary.claim(InstanceRequest::showPanel), SingleInstance::Claim::primary)
        << primary.errorString().toStdString();
    listenTo(primary);
    EXPECT_TRUE(QFileInfo(m_socket).exists());
    // Only this user may connect.
    struct stat info {
    };
    ASSERT_EQ(::stat(QFile::encodeName(m_socket).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);

    EXPECT_EQ(startAgain(m_socket, InstanceRequest::showPanel).claim,
              SingleInstance::Claim::handedOver);
    EXPECT_EQ(startAgain(m_socket, InstanceRequest::toggleRecording).claim,
              SingleInstance::Claim::handedOver);
    EXPECT_EQ(startAgain(m_socket, InstanceRequest::toggleRecording).claim,
              SingleInstance::Claim::handedOver);
    ASSERT_TRUE(processUntil([&] { return m_heard.size() == 3; }));
    EXPECT_EQ(m_heard, (std::vector{InstanceRequest::showPanel, InstanceRequest::toggleRecording,
                                    InstanceRequest::toggleRecording}));
    // Claiming again changes nothing for the primary.
    EXPECT_EQ(primary.claim(InstanceRequest::showPanel), SingleInstance::Claim::primary);
}

TEST_F(SingleInstanceTest, ASocketLeftByACrashedInstanceIsReplaced)
{
    leaveStaleSocket(m_socket);
    SingleInstance primary(m_socket);
    ASSERT_EQ(primary.claim(InstanceRequest::showPanel), SingleInstance::Claim::primary)
        << primary.errorString().toStdString();
    expectToAnswerALaterStart(primary);
}

TEST_F(SingleInstanceTest, AfterReleaseTheNextStartIsPrimaryAndTheQuittingOneHearsNothing)
{
    auto quitting = std::make_unique<SingleInstance>(m_socket);
    ASSERT_EQ(quitting->claim(InstanceRequest::showPanel), SingleInstance::Claim::primary);
    bool quittingHeard = false;
    QObject::connect(quitting.get(), &SingleInstance::requested,
                     [&](InstanceRequest) { quittingHeard = true; });
    quitting->release();
    EXPECT_FALSE(QFileInfo::exists(m_socket));

    SingleInstance relaunched(m_socket);
    ASSERT_EQ(relaunched.claim(InstanceRequest::showPanel), SingleInstance::Claim::primary)
        << relaunched.errorString().toStdString();
    expectToAnswerALaterStart(relaunched);
    EXPECT_FALSE(quittingHeard);

    // Destroying the primary frees the name as release() does.
    quitting.reset();
    {
        SingleInstance ending(m_dir.filePath(QStringLiteral("other")));
        ASSERT_EQ(ending.claim(InstanceRequest::showPanel), SingleInstance::Claim::primary);
    }
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("other"))));
}

TEST_F(SingleInstanceTest, ARunningInstanceThatDoesNotAnswerFailsTheStartInTime)
{
    // Listening, but never reading: this thread is blocked in claim().
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(m_socket));
    SingleInstance later(m_socket);
    later.setAnswerTimeout(200ms);
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(later.claim(InstanceRequest::toggleRecording), SingleInstance::Claim::failed);
    EXPECT_LT(elapsed.elapsed(), 2000);
    EXPECT_EQ(later.errorString(),
              QStringLiteral("The running Kinetta did not answer within 0.2 seconds."));
}

TEST_F(SingleInstanceTest, AnInstanceThatHangsUpOrHoldsTheLockFailsTheStartWithWhy)
{
    QLocalServer hangsUp;
    ASSERT_TRUE(hangsUp.listen(m_socket));
    // It reads the request, then goes away without a word.
    QObject::connect(&hangsUp, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* connection = hangsUp.nextPendingConnection())
            QObject::connect(connection, &QLocalSocket::readyRead, connection,
                             [connection] { connection->abort(); });
    });
    const LaterStart start = startAgain(m_socket, InstanceRequest::showPanel);
    EXPECT_EQ(start.claim, SingleInstance::Claim::failed);
    EXPECT_EQ(start.error,
              QStringLiteral("The running Kinetta closed the connection without answering."));

    // Another start deciding right now (a living process holds the lock).
    QLockFile deciding(m_socket + QStringLiteral(".lock"));
    ASSERT_TRUE(deciding.tryLock(0));
    SingleInstance later(m_socket);
    later.setAnswerTimeout(100ms);
    EXPECT_EQ(later.claim(InstanceRequest::showPanel), SingleInstance::Claim::failed);
    EXPECT_TRUE(later.errorString().startsWith(QStringLiteral("Another start of Kinetta held")))
        << later.errorString().toStdString();
}

TEST_F(SingleInstanceTest, ThePrimaryRefusesWhatIsNotARequestAndStaysUp)
{
    SingleInstance primary(m_socket);
    ASSERT_EQ(primary.claim(InstanceRequest::showPanel), SingleInstance::Claim::primary);
    listenTo(primary);
    EXPECT_EQ(replyTo(m_socket, "open-everything\n"), QByteArray("unknown\n"));
    // A line that never ends is cut off, not buffered without bound.
    EXPECT_EQ(replyTo(m_socket, QByteArray(200, 'x')), QByteArray());
    EXPECT_EQ(replyTo(m_socket, "toggle-recording\n"), QByteArray("ok\n"));
    ASSERT_TRUE(processUntil([&] { return m_heard.size() == 1; }));
    EXPECT_EQ(m_heard.front(), InstanceRequest::toggleRecording);
}

TEST_F(SingleInstanceTest, ARelaunchedProcessBecomesTheRunningOneAndStartsBare)
{
    SingleInstance running(m_socket);
    ASSERT_EQ(running.claim(InstanceRequest::toggleRecording), SingleInstance::Claim::primary);
    listenTo(running);

    // The new process's start, as it happens off the main thread.
    std::mutex startMutex;
    std::optional<SingleInstance::Claim> relaunchedClaim;
    QStringList relaunchedWith{QStringLiteral("not started")};
    int quits = 0;
    PermissionsActions recorded{
        [](const kinetta::Confirmation&, std::function<void(bool)> answered) { answered(true); },
        [&](const QString&, const QStringList& arguments) {
            SingleInstance relaunched(m_socket);
            const SingleInstance::Claim claim = relaunched.claim(InstanceRequest::showPanel);
            const std::lock_guard lock(startMutex);
            relaunchedClaim = claim;
            relaunchedWith = arguments;
            return true;
        },
        [](const QUrl&) {},
        [&] { ++quits; },
        {},
        {}};
    kinetta::test::FakeKeyObserver observer;
    kinetta::MemoryPreferencesStore store;
    kinetta::HotKeyArming arming(observer, store);
    kinetta::PermissionsService service(
        arming, kinetta::releasingInstanceOnRelaunch(std::move(recorded), running),
        QStringLiteral("0.1.0"));

    service.relaunch();
    ASSERT_TRUE(processUntil([&] { return quits == 1; }));
    const std::lock_guard lock(startMutex);
    EXPECT_EQ(relaunchedClaim, SingleInstance::Claim::primary);
    EXPECT_TRUE(m_heard.empty()) << "the quitting instance was handed the new start";
    EXPECT_EQ(relaunchedWith, QStringList()) << "a relaunch repeats no --toggle";
}

TEST_F(SingleInstanceTest, TheDefaultSocketIsPrivateAndOnePerDisplay)
{
    const QString path = [&] {
        const ScopedEnvironment runtime("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
        const ScopedEnvironment display("DISPLAY", ":7.1");
        return SingleInstance::defaultSocketPath();
    }();

    EXPECT_EQ(path, m_dir.filePath(QStringLiteral("kinetta/app.kinetta.Kinetta-_7")));
    EXPECT_EQ(QFileInfo(QFileInfo(path).path()).permissions(),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                  QFile::WriteUser | QFile::ExeUser);

    EXPECT_EQ(SingleInstance::socketFileName(QStringLiteral(":0"), QString()),
              QStringLiteral("app.kinetta.Kinetta-_0"));
    // The screen number names a screen of the same server.
    EXPECT_EQ(SingleInstance::socketFileName(QStringLiteral(":0.1"), QStringLiteral("wayland-0")),
              QStringLiteral("app.kinetta.Kinetta-_0"));
    EXPECT_EQ(SingleInstance::socketFileName(QStringLiteral("localhost:10.0"), QString()),
              QStringLiteral("app.kinetta.Kinetta-localhost_10"));
    EXPECT_EQ(SingleInstance::socketFileName(QString(), QStringLiteral("/run/user/1/wayland-1")),
              QStringLiteral("app.kinetta.Kinetta-_run_user_1_wayland-1"));
    EXPECT_EQ(SingleInstance::socketFileName(QString(), QString()),
              QStringLiteral("app.kinetta.Kinetta-nodisplay"));
}
