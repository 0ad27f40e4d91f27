#include "app/PortalHotKey.h"

#include "app/BackgroundCall.h"
#include "capture/portal/GlobalShortcuts.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QLoggingCategory>

namespace kinetta
{

Q_LOGGING_CATEGORY(lcPortalHotKey, "kinetta.hotkey.portal")

namespace
{

// What one registration found, handed from the worker to the main thread.
struct Registration {
    bool bound = false;
    bool unavailable = false;
    QString session;
    QString trigger;
    QString failure;
};

} // namespace

PortalHotKey::PortalHotKey(QDBusConnection bus, std::function<void()> activated, QString service,
                           QObject* parent)
    : QObject(parent), m_bus(std::move(bus)),
      m_service(service.isEmpty() ? portal::kPortalService : std::move(service)),
      m_activated(std::move(activated)),
      // Answers come on a thread of the layer's own; a desktop dialog may
      // take the user a while.
      m_requests(std::make_shared<portal::PortalRequests>(m_bus, std::chrono::minutes(5),
                                                          m_service))
{
    portal::registerShortcutTypes();
    // Listening before the first session exists, so no activation is missed;
    // activations of other sessions are told apart by their handle. Any
    // sender: a match on the portal's well-known name waits for QtDBus to
    // learn its owner, and a signal that comes first is lost.
    // The whole message: a slot with typed arguments is refused until QtDBus
    // has met those types once in this process.
    m_bus.connect(QString(), portal::kPortalObject, portal::kGlobalShortcutsInterface,
                  QStringLiteral("Activated"), this, SLOT(receiveActivated(QDBusMessage)));
}

PortalHotKey::~PortalHotKey()
{
    closeSession();
}

bool PortalHotKey::isTrusted() const
{
    return m_state == State::registering || m_state == State::bound;
}

bool PortalHotKey::reinstall()
{
    closeSession();
    const quint64 attempt = ++m_attempt;
    setState(State::registering);
    runInBackground(
        this,
        [requests = m_requests] {
            const portal::PortalShortcut asked{
                kShortcutId,
                {{QStringLiteral("description"), kDescription},
                 {QStringLiteral("preferred_trigger"), kPreferredTrigger}}};
            Registration registration;
            const auto binding = portal::bindGlobalShortcuts(*requests, {asked});
            if (!binding.ok()) {
                registration.unavailable =
                    binding.message().kind == portal::PortalFailure::Kind::unavailable;
                registration.failure = binding.message().message;
                return registration;
            }
            registration.bound = true;
            registration.session = binding->sessionHandle;
            for (const portal::PortalShortcut& shortcut : binding->shortcuts) {
                if (shortcut.id == kShortcutId)
                    registration.trigger =
                        shortcut.properties.value(QStringLiteral("trigger_description"))
                            .toString();
            }
            return registration;
        },
        [this, attempt](const Registration& registration) {
            if (attempt != m_attempt) {
                // Overtaken by a newer registration: this session is not ours to keep.
                portal::closePortalSession(m_bus, m_service, registration.session);
                return;
            }
            m_session = registration.session;
            m_trigger = registration.trigger;
            m_failure = registration.failure;
            if (!registration.bound)
                qCInfo(lcPortalHotKey) << "Global shortcut not bound:" << m_failure;
            setState(registration.bound         ? State::bound
                     : registration.unavailable ? State::unavailable
                                                : State::failed);
        });
    return isTrusted();
}

QString PortalHotKey::unavailableText()
{
    return QStringLiteral(
        "This desktop offers programs no global shortcuts, so Ctrl+Shift+G cannot reach "
        "Kinetta. Bind the command \u201Ckinetta --toggle\u201D to a key in your desktop's "
        "keyboard shortcut settings: it starts and stops a recording as the hotkey does.");
}

QString PortalHotKey::problem() const
{
    switch (m_state) {
    case State::registering:
    case State::bound:
        return {};
    case State::unavailable:
        return unavailableText();
    case State::failed:
        return QStringLiteral(
                   "The desktop did not bind Ctrl+Shift+G for Kinetta (%1). Try again, or bind "
                   "the command \u201Ckinetta --toggle\u201D to a key in your desktop's keyboard "
                   "shortcut settings.")
            .arg(m_failure);
    }
    return {};
}

void PortalHotKey::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

void PortalHotKey::closeSession()
{
    portal::closePortalSession(m_bus, m_service, std::exchange(m_session, QString()));
    m_trigger.clear();
}

void PortalHotKey::receiveActivated(const QDBusMessage& message)
{
    // (o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2 || m_state != State::bound)
        return;
    const QString session = qvariant_cast<QDBusObjectPath>(arguments.at(0)).path();
    if (session != m_session || arguments.at(1).toString() != kShortcutId)
        return;
    if (m_activated)
        m_activated();
}

} // namespace kinetta
