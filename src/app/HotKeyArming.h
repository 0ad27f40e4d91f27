#pragma once

#include "app/GlobalKeyService.h"

#include <QString>
#include <optional>

namespace kinetta
{

class PreferencesStore;

// What launch concludes from trust and the executable's fingerprint.
struct LaunchDecision {
    // The stored fingerprint exists and equals the current one.
    bool sameExecutable = false;
    // A changed executable while untrusted: the trust left by an earlier
    // build may be stale, so it is set up afresh. On Linux that means
    // installing the observer again, silently: there is no permission entry
    // to clear, so nothing is shown or opened at launch.
    bool resetTrust = false;

    friend bool operator==(const LaunchDecision&, const LaunchDecision&) = default;
};

// stored: the fingerprint of the previous launch, if any (exact text compare).
[[nodiscard]] LaunchDecision decideAtLaunch(bool trusted, const std::optional<QString>& stored,
                                            const QString& current);

// Installs the global hotkey's observer at launch and again once it can work.
// Trust is not polled: it is looked at at launch and at each click on the
// status item. Main thread only.
class HotKeyArming final
{
public:
    HotKeyArming(GlobalKeyService& observer, PreferencesStore& store);

    // Launch, once the fingerprint has been read off the GUI thread: arms,
    // decides with the trust that arming found, and stores the fingerprint
    // whatever the outcome. The decision is returned for the caller's log.
    LaunchDecision armAtLaunch(const QString& currentFingerprint);

    // (Re)installs the observer; on Linux trust is whether that worked.
    // Returns armedWhileTrusted().
    bool arm();

    // At a click on the status item: an observer armed while untrusted is
    // armed again, and kept when it can now be installed. True when it is.
    bool rearmIfTrustGranted();

    // Whether the current observer was installed while trusted.
    [[nodiscard]] bool armedWhileTrusted() const { return m_armedWhileTrusted; }

private:
    GlobalKeyService& m_observer;
    PreferencesStore& m_store;
    bool m_armedWhileTrusted = false;
};

} // namespace kinetta
