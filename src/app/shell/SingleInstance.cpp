#include "app/shell/SingleInstance.h"

#include "app/shell/ApplicationId.h"
#include "model/PrivateFolder.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <optional>

namespace kinetta
{
namespace
{

// One line each way: the request's name, then the running one's answer.
constexpr qint64 kLongestLine = 64;
constexpr QByteArrayView kAcknowledged = "ok";
constexpr QByteArrayView kNotUnderstood = "unknown";

QByteArray wireName(InstanceRequest request)
{
    switch (request) {
    case InstanceRequest::showPanel:
        return QByteArrayLiteral("show-panel");
    case InstanceRequest::toggleRecording:
        return QByteArrayLiteral("toggle-recording");
    }
    return {};
}

std::optional<InstanceRequest> requestNamed(const QByteArray& name)
{
    for (const InstanceRequest request :
         {InstanceRequest::showPanel, InstanceRequest::toggleRecording}) {
        if (name == wireName(request))
            return request;
    }
    return std::nullopt;
}

QString secondsText(std::chrono::milliseconds duration)
{
    return QString::number(static_cast<double>(duration.count()) / 1000.0);
}

QString withoutScreenNumber(QString x11Display)
{
    const qsizetype colon = x11Display.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return x11Display;
    const qsizetype dot = x11Display.indexOf(QLatin1Char('.'), colon);
    if (dot >= 0)
        x11Display.truncate(dot);
    return x11Display;
}

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath))
{
}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::defaultSocketPath()
{
    const PrivateFolder::Result folder = PrivateFolder::root();
    if (!folder.ok())
        return QString();
    return *folder + QLatin1Char('/') +
           socketFileName(qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"));
}

QString SingleInstance::socketFileName(const QString& x11Display, const QString& waylandDisplay)
{
    QString display = withoutScreenNumber(x11Display);
    if (display.isEmpty())
        display = waylandDisplay.isEmpty() ? QStringLiteral("nodisplay") : waylandDisplay;
    // A host name or a Wayland socket's path may hold characters a file name
    // should not: keep letters, digits, '.', '-' and '_'.
    for (QChar& c : display) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('.') || c == QLatin1Char('-');
        if (!plain)
            c = QLatin1Char('_');
    }
    return QString::fromLatin1(kApplicationId) + QLatin1Char('-') + display;
}

SingleInstance::Claim SingleInstance::claim(InstanceRequest request)
{
    if (m_server)
        return Claim::primary;
    m_error.clear();
    if (m_socketPath.isEmpty()) {
        const PrivateFolder::Result folder = PrivateFolder::root();
        return fail(folder.ok() ? QStringLiteral("No socket was named for the running instance.")
                                : folder.message());
    }

    // Deciding between connecting and listening is one step under the lock:
    // two starts at the same moment cannot both find no one and both listen.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    if (!lock.tryLock(static_cast<int>(m_answerTimeout.count())))
        return fail(QStringLiteral("Another start of Kinetta held %1 for more than %2 seconds.")
                        .arg(lock.fileName(), secondsText(m_answerTimeout)));

    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (socket.waitForConnected(static_cast<int>(m_answerTimeout.count()))) {
        lock.unlock();
        return handOver(socket, request);
    }
    switch (socket.error()) {
    case QLocalSocket::ServerNotFoundError:
    case QLocalSocket::ConnectionRefusedError:
        // No socket, or the file left by an instance that crashed: no one
        // answers there, so the name is ours to take.
        QLocalServer::removeServer(m_socketPath);
        return listen();
    default:
        return fail(QStringLiteral("Cannot reach the running Kinetta at %1: %2")
                        .arg(m_socketPath, socket.errorString()));
    }
}

SingleInstance::Claim SingleInstance::listen()
{
    m_server = std::make_unique<QLocalServer>();
    // Only this user may connect. Under the lock the socket Qt renames into
    // place cannot replace another instance's.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        const QString why = m_server->errorString();
        m_server.reset();
        return fail(QStringLiteral("Cannot listen at %1: %2").arg(m_socketPath, why));
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = m_server->nextPendingConnection()) {
            connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
            connect(connection, &QLocalSocket::readyRead, this,
                    [this, connection] { answer(connection); });
            answer(connection);
        }
    });
    return Claim::primary;
}

void SingleInstance::answer(QLocalSocket* connection)
{
    if (!connection->canReadLine()) {
        if (connection->bytesAvailable() > kLongestLine)
            connection->abort();
        return;
    }
    const QByteArray line = connection->readLine(kLongestLine + 1).trimmed();
    const std::optional<InstanceRequest> request = requestNamed(line);
    connection->write((request ? kAcknowledged : kNotUnderstood).toByteArray() + '\n');
    connection->disconnectFromServer();
    if (!request)
        return;
    // Queued: a receiver that releases the instance (to relaunch) must not
    // delete the connection whose signal is being delivered.
    QMetaObject::invokeMethod(
        this, [this, request = *request] { Q_EMIT requested(request); }, Qt::QueuedConnection);
}

SingleInstance::Claim SingleInstance::handOver(QLocalSocket& socket, InstanceRequest request)
{
    const QDeadlineTimer deadline(m_answerTimeout);
    socket.write(wireName(request) + '\n');
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
        return fail(QStringLiteral("Cannot hand the request to the running Kinetta: %1")
                        .arg(socket.errorString()));
    while (!socket.canReadLine()) {
        if (socket.state() != QLocalSocket::ConnectedState)
            return fail(QStringLiteral("The running Kinetta closed the connection without "
                                       "answering."));
        if (deadline.hasExpired() ||
            (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())) &&
             socket.state() == QLocalSocket::ConnectedState))
            return fail(QStringLiteral("The running Kinetta did not answer within %1 seconds.")
                            .arg(secondsText(m_answerTimeout)));
    }
    const QByteArray reply = socket.readLine(kLongestLine + 1).trimmed();
    if (reply == kAcknowledged)
        return Claim::handedOver;
    if (reply == kNotUnderstood)
        return fail(QStringLiteral("The running Kinetta did not understand the request; it may "
                                   "be another version. Quit it and start Kinetta again."));
    return fail(QStringLiteral("The running Kinetta gave an answer that was not expected."));
}

void SingleInstance::release()
{
    // Closing removes the socket file, so the next start finds no one.
    if (m_server)
        m_server->close();
    m_server.reset();
}

SingleInstance::Claim SingleInstance::fail(const QString& why)
{
    m_error = why;
    return Claim::failed;
}

} // namespace kinetta
