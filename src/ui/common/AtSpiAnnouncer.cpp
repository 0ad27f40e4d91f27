#include "ui/common/AtSpiAnnouncer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariantMap>
#include <QWidget>

namespace kinetta
{
namespace
{

// A window nobody sees: its only purpose is to be shown with the
// Notification role and the announced text as its accessible name.
class NotificationObject final : public QWidget
{
    Q_OBJECT
public:
    NotificationObject()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                               Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput)
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setObjectName(QStringLiteral("kinettaAnnouncement"));
        // Off every screen, one pixel.
        setGeometry(-100, -100, 1, 1);
    }
};

QAccessibleInterface* notificationFactory(const QString&, QObject* object)
{
    if (auto* widget = qobject_cast<NotificationObject*>(object))
        return new QAccessibleWidget(widget, QAccessible::Notification);
    return nullptr;
}

QDBusConnection accessibilityBus()
{
    // The name under which Qt's accessibility bridge registers its connection.
    return QDBusConnection(QStringLiteral("a11y"));
}

} // namespace

int atSpiPoliteness(int priority)
{
    return priority >= Announcer::outcomePriority ? 2 : 1;
}

AtSpiAnnouncer::AtSpiAnnouncer()
{
    // Qt asks factories only after the application exists; installing twice
    // would ask the same factory twice.
    static const bool installed = [] {
        QAccessible::installFactory(notificationFactory);
        return true;
    }();
    Q_UNUSED(installed);
    // Qt makes its accessibility bridge, and with it the bus connection, only
    // when asked; a program showing no widget yet would never connect.
    QAccessible::isActive();
    m_notification = std::make_unique<NotificationObject>();
}

AtSpiAnnouncer::~AtSpiAnnouncer() = default;

QWidget* AtSpiAnnouncer::notificationObject() const
{
    return m_notification.get();
}

QString AtSpiAnnouncer::atSpiPath(QObject* source)
{
    static const QString prefix = QStringLiteral("/org/a11y/atspi/accessible/");
    if (source) {
        if (QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(source))
            return prefix + QString::number(QAccessible::uniqueId(accessible));
    }
    return prefix + QStringLiteral("root");
}

void AtSpiAnnouncer::announceFrom(QObject* source, const QString& text, int priority)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // Qt's own announcement event reaches every bridge it speaks.
    QAccessibleAnnouncementEvent event(source ? source : qApp, text);
    event.setPoliteness(atSpiPoliteness(priority) == 2 ? QAccessible::AnnouncementPoliteness::Assertive
                                                       : QAccessible::AnnouncementPoliteness::Polite);
    QAccessible::updateAccessibility(&event);
#endif
    if (!accessibilityBus().isConnected())
        return;
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    sendAnnouncementSignal(source, text, priority);
#endif
    showNotification(text);
}

void AtSpiAnnouncer::sendAnnouncementSignal(QObject* source, const QString& text, int priority)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        atSpiPath(source), QStringLiteral("org.a11y.atspi.Event.Object"),
        QStringLiteral("Announcement"));
    signal << QString() << atSpiPoliteness(priority) << 0
           << QVariant::fromValue(QDBusVariant(text)) << QVariantMap();
    accessibilityBus().send(signal);
}

void AtSpiAnnouncer::showNotification(const QString& text)
{
    // Hidden first, so that the same text twice is a new showing.
    m_notification->hide();
    m_notification->setAccessibleName(text);
    m_notification->show();
}

} // namespace kinetta

#include "AtSpiAnnouncer.moc"
