#include "ui/common/AccessibleDesktop.h"

#include "app/ProcessUntil.h"

#include <QAccessible>
#include <QDBusMessage>
#include <QDBusPendingCall>

namespace kinetta::test
{

AccessibleDesktop::AccessibleDesktop(const char* programName)
    : m_display(std::make_unique<kinetta::testing::XvfbServer>()),
      m_bus(std::make_unique<PrivateAccessibilityBus>())
{
    if (!m_display->running()) {
        m_unavailable = "Xvfb did not start";
        return;
    }
    if (m_bus->sessionAddress().isEmpty()) {
        m_unavailable = m_bus->failure().toStdString();
        return;
    }
    // Qt's bridge reads these when the application starts.
    qputenv("DISPLAY", QByteArray::fromStdString(m_display->display()));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus->sessionAddress().toUtf8());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    static int argc = 1;
    static std::string name;
    name = programName;
    static char* argv[] = {name.data(), nullptr};
    m_app = std::make_unique<QApplication>(argc, argv);
    if (!m_bus->startLauncher()) {
        m_unavailable = m_bus->failure().toStdString();
        return;
    }
    // Qt makes its bridge when first asked, and connects asynchronously.
    QAccessible::isActive();
    if (!processUntil([] { return QDBusConnection(QStringLiteral("a11y")).isConnected(); })) {
        m_unavailable = "Qt did not connect to the accessibility bus within ten seconds";
        return;
    }
    const QDBusMessage reply = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        m_unavailable = "org.a11y.Bus gave no address: " + reply.errorMessage().toStdString();
        return;
    }
    m_address = reply.arguments().constFirst().toString();
}

AccessibleDesktop::~AccessibleDesktop()
{
    for (const QString& listener : m_listeners)
        QDBusConnection::disconnectFromBus(listener);
    m_app.reset();
    m_bus.reset();
    m_display.reset();
}

QDBusConnection AccessibleDesktop::connectListener(const QString& name)
{
    m_listeners << name;
    return QDBusConnection::connectToBus(m_address, name);
}

QDBusMessage AccessibleDesktop::callProgram(QDBusConnection& listener, const QString& path,
                                            const QString& interface, const QString& method,
                                            const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QDBusConnection(QStringLiteral("a11y")).baseService(), path, interface, method);
    message.setArguments(arguments);
    QDBusPendingCall call = listener.asyncCall(message);
    if (!processUntil([&] { return call.isFinished(); }))
        return QDBusMessage::createError(QStringLiteral("org.kinetta.Test.Timeout"),
                                         QStringLiteral("no answer within ten seconds"));
    return call.reply();
}

} // namespace kinetta::test
