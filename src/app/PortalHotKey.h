#pragma once

#include "app/GlobalKeyService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace kinetta
{

namespace portal
{
class PortalRequests;
} // namespace portal

// The hotkey on a Wayland desktop: Ctrl+Shift+G registered with the desktop
// portal's GlobalShortcuts (the user may bind other keys there), its
// activation doing what the hotkey does. Registering may wait for the
// desktop's dialog, so it runs off the GUI thread and the state follows.
// Where the portal lacks global shortcuts, it says so, with the way round:
// `kinetta --toggle` bound in the desktop's own shortcut settings.
// Main thread only.
class PortalHotKey final : public QObject, public GlobalKeyService
{
    Q_OBJECT

public:
    enum class State { registering, bound, unavailable, failed };
    Q_ENUM(State)

    static inline const QString kShortcutId = QStringLiteral("toggle-recording");
    static inline const QString kPreferredTrigger = QStringLiteral("CTRL+SHIFT+g");
    static inline const QString kDescription = QStringLiteral("Start or stop a recording");

    // activated: what the hotkey does. Nothing is registered before the
    // first reinstall() (the launch arms it).
    PortalHotKey(QDBusConnection bus, std::function<void()> activated,
                 QString service = QString(), QObject* parent = nullptr);
    ~PortalHotKey() override;

    // Bound, or still being registered: the banner waits for a refusal.
    [[nodiscard]] bool isTrusted() const override;
    // Closes the session and registers afresh (the hotkey reset); answers
    // isTrusted() of the new attempt, which is under way.
    bool reinstall() override;

    [[nodiscard]] State state() const { return m_state; }
    // The keys the desktop bound, in its words; empty until bound.
    [[nodiscard]] const QString& triggerDescription() const { return m_trigger; }
    // The banner's text while the hotkey does not work; empty otherwise.
    [[nodiscard]] QString problem() const;
    [[nodiscard]] static QString unavailableText();

Q_SIGNALS:
    void stateChanged(kinetta::PortalHotKey::State state);

private Q_SLOTS:
    void receiveActivated(const QDBusMessage& message);

private:
    void setState(State state);
    void closeSession();

    QDBusConnection m_bus;
    QString m_service;
    std::function<void()> m_activated;
    std::shared_ptr<portal::PortalRequests> m_requests;
    // Nothing asked yet counts as under way: no banner before the launch arms it.
    State m_state = State::registering;
    QString m_session;
    QString m_trigger;
    QString m_failure;
    // Counts registrations; an answer for an older one is dropped.
    quint64 m_attempt = 0;
};

} // namespace kinetta
