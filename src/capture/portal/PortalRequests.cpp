#include "capture/portal/PortalRequests.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QObject>
#include <QRandomGenerator>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace kinetta::portal
{
namespace
{

const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kResponseSignal = QStringLiteral("Response");
// A plain call either answers or fails quickly; only Response waits for the user.
constexpr int kCallTimeoutMs = 30000;

// Filled on the signal thread, read by the waiting caller.
struct ResponseSlot {
    std::mutex mutex;
    std::condition_variable arrived;
    std::optional<PortalResponse> response;
};

PortalResponse responseFrom(const QDBusMessage& message)
{
    PortalResponse response;
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2)
        return response;
    const unsigned code = arguments.at(0).toUInt();
    response.outcome =
        code <= 2 ? static_cast<PortalResponse::Outcome>(code) : PortalResponse::Outcome::ended;
    response.results = unpackedResult(arguments.at(1)).toMap();
    return response;
}

} // namespace

// Receives one request's Response on the signal thread and wakes the caller.
class ResponseReceiver final : public QObject
{
    Q_OBJECT

public:
    explicit ResponseReceiver(std::shared_ptr<ResponseSlot> slot) : m_slot(std::move(slot)) {}

public Q_SLOTS:
    void receive(const QDBusMessage& message)
    {
        {
            std::lock_guard lock(m_slot->mutex);
            if (!m_slot->response)
                m_slot->response = responseFrom(message);
        }
        m_slot->arrived.notify_all();
    }

private:
    std::shared_ptr<ResponseSlot> m_slot;
};

// One request's subscription: made before the call, undone however the wait ends.
class ResponseSubscription final
{
public:
    ResponseSubscription(QDBusConnection bus, QString service, QString path, QThread& thread,
                         std::shared_ptr<ResponseSlot> slot)
        : m_bus(std::move(bus)), m_service(std::move(service)), m_path(std::move(path)),
          m_receiver(new ResponseReceiver(std::move(slot)))
    {
        m_receiver->moveToThread(&thread);
        m_connected = m_bus.connect(m_service, m_path, kRequestInterface, kResponseSignal,
                                    m_receiver, SLOT(receive(QDBusMessage)));
    }
    ~ResponseSubscription()
    {
        if (m_connected)
            m_bus.disconnect(m_service, m_path, kRequestInterface, kResponseSignal, m_receiver,
                             SLOT(receive(QDBusMessage)));
        m_receiver->deleteLater();
    }
    ResponseSubscription(const ResponseSubscription&) = delete;
    ResponseSubscription& operator=(const ResponseSubscription&) = delete;

    [[nodiscard]] bool connected() const { return m_connected; }
    [[nodiscard]] const QString& path() const { return m_path; }

private:
    QDBusConnection m_bus;
    QString m_service;
    QString m_path;
    ResponseReceiver* m_receiver;
    bool m_connected = false;
};

PortalRequests::PortalRequests(QDBusConnection bus, std::chrono::milliseconds responseTimeout,
                               QString service)
    : m_bus(std::move(bus)), m_timeout(responseTimeout), m_service(std::move(service))
{
    m_signalThread.setObjectName(QStringLiteral("kinetta-portal"));
    m_signalThread.start();
}

PortalRequests::~PortalRequests()
{
    m_signalThread.quit();
    m_signalThread.wait();
}

QString PortalRequests::newToken()
{
    // Unique within this connection; the random part keeps two objects on one
    // connection apart.
    return QStringLiteral("kinetta%1_%2")
        .arg(QRandomGenerator::global()->bounded(1u << 30))
        .arg(++m_tokenCounter);
}

QString PortalRequests::senderPathPart() const
{
    // ":1.42" becomes "1_42".
    QString sender = m_bus.baseService();
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}

QString PortalRequests::requestPath(const QString& token) const
{
    return m_bus.isConnected()
               ? QStringLiteral("%1/request/%2/%3").arg(kPortalObject, senderPathPart(), token)
               : QString();
}

QString PortalRequests::sessionPath(const QString& token) const
{
    return m_bus.isConnected()
               ? QStringLiteral("%1/session/%2/%3").arg(kPortalObject, senderPathPart(), token)
               : QString();
}

PortalFailure PortalRequests::failureOf(const QDBusMessage& reply) const
{
    const QString name = reply.errorName();
    const bool missing = name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                         name == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
                         name == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
                         name == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
                         name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
    return {missing ? PortalFailure::Kind::unavailable : PortalFailure::Kind::callFailed,
            reply.errorMessage().isEmpty() ? name : reply.errorMessage()};
}

Result<QDBusMessage, PortalFailure> PortalRequests::call(const QString& interface,
                                                         const QString& method,
                                                         const QVariantList& arguments) const
{
    if (!m_bus.isConnected())
        return Failure{PortalFailure{PortalFailure::Kind::unavailable,
                                     QStringLiteral("No D-Bus session bus is reachable.")}};
    QDBusMessage message =
        QDBusMessage::createMethodCall(m_service, kPortalObject, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return Failure{failureOf(reply)};
    return reply;
}

Result<QVariant, PortalFailure> PortalRequests::property(const QString& interface,
                                                         const QString& name) const
{
    if (!m_bus.isConnected())
        return Failure{PortalFailure{PortalFailure::Kind::unavailable,
                                     QStringLiteral("No D-Bus session bus is reachable.")}};
    QDBusMessage message = QDBusMessage::createMethodCall(
        m_service, kPortalObject, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    message.setArguments({interface, name});
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        PortalFailure failure = failureOf(reply);
        // A portal without this interface answers Get with InvalidArgs.
        if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs"))
            failure.kind = PortalFailure::Kind::unavailable;
        return Failure{failure};
    }
    if (reply.arguments().isEmpty())
        return Failure{PortalFailure{PortalFailure::Kind::callFailed,
                                     QStringLiteral("The portal sent an empty property.")}};
    return unpackedResult(reply.arguments().constFirst());
}

Result<PortalResponse, PortalFailure> PortalRequests::request(const QString& interface,
                                                              const QString& method,
                                                              const QVariantList& arguments,
                                                              QVariantMap options)
{
    if (!m_bus.isConnected())
        return Failure{PortalFailure{PortalFailure::Kind::unavailable,
                                     QStringLiteral("No D-Bus session bus is reachable.")}};
    const QString token = newToken();
    options.insert(QStringLiteral("handle_token"), token);
    auto slot = std::make_shared<ResponseSlot>();
    std::optional<ResponseSubscription> subscription;
    subscription.emplace(m_bus, m_service, requestPath(token), m_signalThread, slot);
    if (!subscription->connected())
        return Failure{PortalFailure{PortalFailure::Kind::callFailed,
                                     QStringLiteral("Could not listen for the portal's answer: ") +
                                         m_bus.lastError().message()}};

    QVariantList withOptions = arguments;
    withOptions.append(options);
    const auto reply = call(interface, method, withOptions);
    if (!reply.ok())
        return Failure{reply.message()};
    // Portals older than handle tokens choose the path themselves; an answer
    // given before this second subscription is then lost to the bounded wait.
    const QVariantList replyArguments = reply->arguments();
    const QString handle = replyArguments.isEmpty()
                               ? QString()
                               : qvariant_cast<QDBusObjectPath>(replyArguments.constFirst()).path();
    if (!handle.isEmpty() && handle != subscription->path())
        subscription.emplace(m_bus, m_service, handle, m_signalThread, slot);

    std::unique_lock lock(slot->mutex);
    if (!slot->arrived.wait_for(lock, m_timeout, [&] { return slot->response.has_value(); })) {
        lock.unlock();
        // Take the dialog away rather than leave it waiting for nobody.
        QDBusMessage close = QDBusMessage::createMethodCall(
            m_service, subscription->path(), kRequestInterface, QStringLiteral("Close"));
        m_bus.call(close, QDBus::NoBlock);
        return Failure{PortalFailure{
            PortalFailure::Kind::noResponse,
            QStringLiteral("The desktop portal did not answer %1 in time.").arg(method)}};
    }
    return *slot->response;
}

QDBusConnection portalSessionBus()
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                         QStringLiteral("kinetta-portal"));
}

QVariant unpackedResult(const QVariant& value)
{
    if (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        return unpackedResult(qvariant_cast<QDBusVariant>(value).variant());
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return value;
    const auto argument = qvariant_cast<QDBusArgument>(value);
    if (argument.currentType() == QDBusArgument::MapType) {
        QVariantMap map;
        argument >> map;
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = unpackedResult(it.value());
        return map;
    }
    return value;
}

} // namespace kinetta::portal

#include "PortalRequests.moc"
