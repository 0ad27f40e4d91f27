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

HotKeyArming::HotKeyArming(GlobalKeyService& observer, PreferencesStore& store)
    : m_observer(observer), m_store(store)
{
}

LaunchDecision HotKeyArming::armAtLaunch(const QString& currentFingerprint)
{
    // Whether the observer can work is only known by installing it.
    arm();
    const LaunchDecision decision = decideAtLaunch(
        m_armedWhileTrusted, m_store.stringValue(kExecutableFingerprintKey), currentFingerprint);
    if (const auto stored = m_store.setValue(kExecutableFingerprintKey, currentFingerprint);
        !stored.ok())
        qCWarning(lcHotKey) << "could not store the executable fingerprint:" << stored.message();
    // Installing afresh is all a reset is here, and arming has just done it.
    if (decision.resetTrust)
        qCInfo(lcHotKey) << "the executable changed and the hotkey cannot be observed here";
    return decision;
}

bool HotKeyArming::arm()
{
    m_armedWhileTrusted = m_observer.reinstall();
    return m_armedWhileTrusted;
}

bool HotKeyArming::rearmIfTrustGranted()
{
    // On Linux nothing grants trust from outside: whether the observer can
    // be installed is only known by installing it, so the click tries again.
    if (m_armedWhileTrusted)
        return false;
    return arm();
}

} // namespace kinetta
