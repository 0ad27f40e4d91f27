#include "capture/portal/GlobalShortcuts.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <mutex>

namespace kinetta::portal
{

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

void registerShortcutTypes()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
    });
}

namespace
{

PortalFailure refusal(const PortalResponse& response, const QString& step)
{
    return {PortalFailure::Kind::callFailed,
            response.outcome == PortalResponse::Outcome::cancelled
                ? QStringLiteral("the request was declined")
                : QStringLiteral("the desktop ended the request to %1").arg(step)};
}

QList<PortalShortcut> shortcutsIn(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<QDBusArgument>())
        return qdbus_cast<QList<PortalShortcut>>(qvariant_cast<QDBusArgument>(value));
    return value.value<QList<PortalShortcut>>();
}

} // namespace

Result<ShortcutBinding, PortalFailure> bindGlobalShortcuts(PortalRequests& requests,
                                                           const QList<PortalShortcut>& shortcuts)
{
    registerShortcutTypes();
    // The version tells whether the interface is there at all, without a dialog.
    if (const auto version = requests.property(kGlobalShortcutsInterface, QStringLiteral("version"));
        !version.ok())
        return Failure{version.message()};

    const auto created = requests.request(
        kGlobalShortcutsInterface, QStringLiteral("CreateSession"), {},
        {{QStringLiteral("session_handle_token"), requests.newToken()}});
    if (!created.ok())
        return Failure{created.message()};
    if (created->outcome != PortalResponse::Outcome::success)
        return Failure{refusal(*created, QStringLiteral("create a session"))};
    ShortcutBinding binding;
    binding.sessionHandle = created->results.value(QStringLiteral("session_handle")).toString();
    if (binding.sessionHandle.isEmpty())
        return Failure{PortalFailure{PortalFailure::Kind::callFailed,
                                     QStringLiteral("the desktop gave no session")}};

    const auto bound = requests.request(
        kGlobalShortcutsInterface, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(binding.sessionHandle)), QVariant::fromValue(shortcuts),
         QString()},
        {});
    if (!bound.ok() || bound->outcome != PortalResponse::Outcome::success) {
        closePortalSession(requests.bus(), requests.service(), binding.sessionHandle);
        if (!bound.ok())
            return Failure{bound.message()};
        return Failure{refusal(*bound, QStringLiteral("bind the shortcut"))};
    }
    binding.shortcuts = shortcutsIn(bound->results.value(QStringLiteral("shortcuts")));
    return binding;
}

void closePortalSession(const QDBusConnection& bus, const QString& service,
                        const QString& sessionHandle)
{
    if (sessionHandle.isEmpty() || !bus.isConnected())
        return;
    QDBusMessage close = QDBusMessage::createMethodCall(service, sessionHandle, kSessionInterface,
                                                        QStringLiteral("Close"));
    bus.call(close, QDBus::NoBlock);
}

} // namespace kinetta::portal
