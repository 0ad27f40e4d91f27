#include "app/HotKeyArming.h"

#include "app/ExecutableFingerprint.h"
#include "model/PreferencesStore.h"

#include <QLoggingCategory>

namespace kinetta
{

Q_LOGGING_CATEGORY(lcHotKey, "kinetta.hotkey")

LaunchDecision decideAtLaunch(bool trusted, const std::optional<QString>& stored,
                              const QString& current)
{
    const bool same = stored.has_value() && *stored == current;
    return {same, !trusted && !same};
}

HotKeyArming::HotKeyArming(KeyObserverTrust& observer, PreferencesStore& store)
    : m_observer(observer), m_store(store)
{
}

LaunchDecision HotKeyArming::armAtLaunch(const QString& currentFingerprint)
{
    const LaunchDecision decision = decideAtLaunch(
        m_observer.isTrusted(), m_store.stringValue(kExecutableFingerprintKey), currentFingerprint);
    if (const auto stored = m_store.setValue(kExecutableFingerprintKey, currentFingerprint);
        !stored.ok())
        qCWarning(lcHotKey) << "could not store the executable fingerprint:" << stored.message();
    // Arming installs the observer afresh, which is all a reset is here.
    if (decision.resetTrust)
        qCInfo(lcHotKey) << "the executable changed while the hotkey could not be observed;"
                         << "setting the key observer up afresh";
    arm();
    return decision;
}

bool HotKeyArming::arm()
{
    m_armedWhileTrusted = m_observer.reinstall();
    return m_armedWhileTrusted;
}

bool HotKeyArming::rearmIfTrustGranted()
{
    if (m_armedWhileTrusted || !m_observer.isTrusted())
        return false;
    arm();
    return true;
}

} // namespace kinetta
