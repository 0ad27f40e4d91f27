#pragma once

namespace kinetta
{

// The global key observer as the hotkey's trust logic sees it. On Linux
// "trusted" means the observer could be installed (the X server offers
// XInput2 and the connection is open); there is no permission to grant.
class KeyObserverTrust
{
public:
    virtual ~KeyObserverTrust() = default;
    // Whether the observer can be installed now (a probe, cheap enough for a
    // click): true once XInput2 and the X connection are there.
    [[nodiscard]] virtual bool isTrusted() const = 0;
    // Removes the observer if installed and installs it afresh; true when it
    // is installed afterwards.
    virtual bool reinstall() = 0;
};

} // namespace kinetta
