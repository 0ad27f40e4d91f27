#pragma once

#include "app/shell/LaunchRequest.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace kinetta
{

// One running tray program per user and display. The first start listens on a
// local socket in the user's private runtime folder; a later start connects,
// hands its request over and waits for the running one to acknowledge it
// before it exits. A lock file next to the socket makes the choice between
// two starts at the same moment, so exactly one of them becomes primary.
class SingleInstance final : public QObject
{
    Q_OBJECT
public:
    enum class Claim { primary, handedOver, failed };

    // How long a start waits for the lock, for the running one to take the
    // connection, and for its acknowledgement.
    static constexpr std::chrono::milliseconds kDefaultAnswerTimeout{5000};

    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // primary: this process now answers later starts (requested() fires for
    // each); handedOver: a running instance took request (and acknowledged
    // it); failed: errorString() says why. Blocks for at most a few answer
    // timeouts: it runs once at launch, before any window shows.
    Claim claim(InstanceRequest request);
    // Stops answering and frees the name, so that a process started right
    // after (a relaunch) becomes primary instead of handing over to this one.
    void release();
    [[nodiscard]] QString errorString() const { return m_error; }

    // Tests shorten it to see a silent instance fail quickly.
    void setAnswerTimeout(std::chrono::milliseconds timeout) { m_answerTimeout = timeout; }
    [[nodiscard]] QString socketPath() const { return m_socketPath; }

    // In the user's private runtime folder ($XDG_RUNTIME_DIR/kinetta, else the
    // private cache folder), one per display; empty when neither is usable.
    [[nodiscard]] static QString defaultSocketPath();
    // The socket's file name for a display: the application id and the
    // display without its screen number (":0.1" and ":0" are one server).
    [[nodiscard]] static QString socketFileName(const QString& x11Display,
                                                const QString& waylandDisplay);

Q_SIGNALS:
    void requested(kinetta::InstanceRequest request);

private:
    Claim handOver(QLocalSocket& socket, InstanceRequest request);
    Claim listen();
    void answer(QLocalSocket* connection);
    Claim fail(const QString& why);

    QString m_socketPath;
    QString m_error;
    std::chrono::milliseconds m_answerTimeout = kDefaultAnswerTimeout;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace kinetta
