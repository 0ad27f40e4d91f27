#pragma once

#include "capture/portal/PortalRequests.h"

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace kinetta::portal
{

inline const QString kGlobalShortcutsInterface =
    QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
inline const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");

// One shortcut as the portal passes them, (sa{sv}): an id of ours and its
// properties ("description" and "preferred_trigger" asked for,
// "trigger_description" as the desktop bound it).
struct PortalShortcut {
    QString id;
    QVariantMap properties;

    friend bool operator==(const PortalShortcut&, const PortalShortcut&) = default;
};
QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);
// Makes a(sa{sv}) known to QtDBus; safe to call often, from any thread.
void registerShortcutTypes();

// A session of the global shortcuts portal and what the desktop bound in it.
struct ShortcutBinding {
    QString sessionHandle;
    QList<PortalShortcut> shortcuts;
};

// Creates a GlobalShortcuts session and binds shortcuts in it (the desktop
// may ask the user, or let them pick other keys). Blocks; not on the thread
// of the GUI. A portal without the interface fails as unavailable; a refusal
// or a dialog closed unanswered as callFailed with the desktop's word.
[[nodiscard]] Result<ShortcutBinding, PortalFailure>
bindGlobalShortcuts(PortalRequests& requests, const QList<PortalShortcut>& shortcuts);

// Ends a session (its shortcuts go with it) without waiting for the answer.
void closePortalSession(const QDBusConnection& bus, const QString& service,
                        const QString& sessionHandle);

} // namespace kinetta::portal

Q_DECLARE_METATYPE(kinetta::portal::PortalShortcut)
