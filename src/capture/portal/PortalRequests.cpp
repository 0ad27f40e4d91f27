#include "capture/portal/PortalRequests.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QObject>
#include <QRandomGenerator>
#include <condition_variable>
#include <functional>
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

// Receives one subscription's signals on the signal thread. The handler sits
// behind a lock, so that once it is dropped no call is under way or follows.
class SignalReceiver final : public QObject
{
    Q_OBJECT

public:
    explicit SignalReceiver(std::function<void(const QDBusMessage&)> handler)
        : m_handler(std::move(handler))
    {
    }
    void drop()
    {
        std::lock_guard lock(m_mutex);
        m_handler = nullptr;
    }

public Q_SLOTS:
    void receive(const QDBusMessage& message)
    {
        std::lock_guard lock(m_mutex);
        if (m_handler)
            m_handler(message);
    }

private:
    std::mutex m_mutex;
    std::function<void(const QDBusMessage&)> m_handler;
};

PortalSignalSubscription::PortalSignalSubscription(const PortalRequests& requests, QString path,
                                                   QString interface, QString member,
                                                   std::function<void(const QDBusMessage&)> handler)
    : m_bus(requests.bus()), m_service(requests.service()), m_path(std::move(path)),
      m_interface(std::move(interface)), m_member(std::move(member)),
      m_receiver(new SignalReceiver(std::move(handler)))
{
    m_receiver->moveToThread(&requests.signalThread());
    m_connected = m_bus.connect(m_service, m_path, m_interface, m_member, m_receiver,
                                SLOT(receive(QDBusMessage)));
}

PortalSignalSubscription::~PortalSignalSubscription()
{
    if (m_connected)
        m_bus.disconnect(m_service, m_path, m_interface, m_member, m_receiver,
                         SLOT(receive(QDBusMessage)));
    m_receiver->drop();
    m_receiver->deleteLater();
}

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
    const auto fill = [slot](const QDBusMessage& message) {
        {
            std::lock_guard lock(slot->mutex);
            if (!slot->response)
                slot->response = responseFrom(message);
        }
        slot->arrived.notify_all();
    };
    std::optional<PortalSignalSubscription> subscription;
    subscription.emplace(*this, requestPath(token), kRequestInterface, kResponseSignal, fill);
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
    if (!handle.isEmpty() && handle != subscription->path()) {
        subscription.reset();
        subscription.emplace(*this, handle, kRequestInterface, kResponseSignal, fill);
    }

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
