#pragma once

#include "gif/Result.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QThread>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <atomic>
#include <chrono>
#include <functional>

namespace kinetta::portal
{

// The desktop portal's bus name and object.
inline const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPortalObject = QStringLiteral("/org/freedesktop/portal/desktop");

// How a portal answered a request through its Request object.
struct PortalResponse {
    // The Response signal's code: 0 granted, 1 cancelled by the user, 2 ended
    // another way (the dialog was closed, the backend failed).
    enum class Outcome : unsigned { success = 0, cancelled = 1, ended = 2 };
    Outcome outcome = Outcome::ended;
    QVariantMap results;
};

// Why a request got no response.
struct PortalFailure {
    enum class Kind {
        // Nobody owns the portal's name, or it lacks the interface.
        unavailable,
        // The method call itself returned an error.
        callFailed,
        // The call was taken but no Response came within the wait.
        noResponse,
    };
    Kind kind = Kind::callFailed;
    QString message;
};

// Calls desktop portal methods that answer through an
// org.freedesktop.portal.Request object, for any portal interface. The
// Response signal is subscribed to before the call, on the path the portal
// derives from our unique bus name and the handle_token, so that an answer
// given at once is not missed; the wait is bounded. Blocks the calling thread
// (any thread, not the one of the signals: they arrive on a thread of ours).
class PortalRequests final
{
public:
    // responseTimeout bounds each wait for a Response; a dialog the user has
    // to answer needs minutes.
    explicit PortalRequests(QDBusConnection bus,
                            std::chrono::milliseconds responseTimeout = std::chrono::minutes(3),
                            QString service = kPortalService);
    ~PortalRequests();
    PortalRequests(const PortalRequests&) = delete;
    PortalRequests& operator=(const PortalRequests&) = delete;

    // Calls interface.method on the portal object with arguments followed by
    // options (a{sv}), adding a fresh handle_token, and waits for Response.
    [[nodiscard]] Result<PortalResponse, PortalFailure> request(const QString& interface,
                                                                const QString& method,
                                                                const QVariantList& arguments,
                                                                QVariantMap options);
    // A plain call that answers at once (OpenPipeWireRemote, for instance).
    [[nodiscard]] Result<QDBusMessage, PortalFailure>
    call(const QString& interface, const QString& method, const QVariantList& arguments) const;
    // A property of a portal interface (AvailableSourceTypes, version).
    [[nodiscard]] Result<QVariant, PortalFailure> property(const QString& interface,
                                                           const QString& name) const;

    // A token valid as handle_token or session_handle_token, new on every call.
    [[nodiscard]] QString newToken();
    // The object paths the portal gives a request or session made with token.
    [[nodiscard]] QString requestPath(const QString& token) const;
    [[nodiscard]] QString sessionPath(const QString& token) const;

    [[nodiscard]] const QDBusConnection& bus() const { return m_bus; }
    [[nodiscard]] const QString& service() const { return m_service; }
    // Where the portal's signals are received.
    [[nodiscard]] QThread& signalThread() const { return m_signalThread; }

private:
    [[nodiscard]] PortalFailure failureOf(const QDBusMessage& reply) const;
    [[nodiscard]] QString senderPathPart() const;

    QDBusConnection m_bus;
    std::chrono::milliseconds m_timeout;
    QString m_service;
    std::atomic<unsigned> m_tokenCounter = 0;
    // Where signals are received; a requester waits on its own thread.
    mutable QThread m_signalThread;
};

class SignalReceiver;

// Hands a portal object's signal (a session's Closed, a shortcut's
// Activated) to handler, on the requests' signal thread, while it lives: once
// it is destroyed no call is under way and none follows. The requests must
// outlive it.
class PortalSignalSubscription final
{
public:
    PortalSignalSubscription(const PortalRequests& requests, QString path, QString interface,
                             QString member, std::function<void(const QDBusMessage&)> handler);
    ~PortalSignalSubscription();
    PortalSignalSubscription(const PortalSignalSubscription&) = delete;
    PortalSignalSubscription& operator=(const PortalSignalSubscription&) = delete;

    [[nodiscard]] bool connected() const { return m_connected; }
    [[nodiscard]] const QString& path() const { return m_path; }

private:
    QDBusConnection m_bus;
    QString m_service;
    QString m_path;
    QString m_interface;
    QString m_member;
    SignalReceiver* m_receiver;
    bool m_connected = false;
};

// A connection of our own to the session bus for portal calls. The shared
// QDBusConnection::sessionBus() holds incoming messages back until the
// application's event loop runs, so a request made before that (a command
// line recording) would never see its Response.
[[nodiscard]] QDBusConnection portalSessionBus();

// A value as QtDBus hands it over, with variants and a{sv} maps unwrapped
// (nested maps too); other D-Bus structures stay QDBusArgument.
[[nodiscard]] QVariant unpackedResult(const QVariant& value);

} // namespace kinetta::portal
