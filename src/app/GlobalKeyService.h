#pragma once

namespace kinetta
{

// The global key observer as the permissions service and the control panel's
// banner see it. On Linux "trusted" means the observer is installed: XInput2
// is there and the X connection is open, so keys pressed in other programs
// (the hotkey, Escape during the countdown) reach Kinetta. Main thread only.
class GlobalKeyService
{
public:
    virtual ~GlobalKeyService() = default;

    [[nodiscard]] virtual bool isTrusted() const = 0;
    // The accessibility reset: drops the observer and installs it again.
    // Gives isTrusted() afterwards.
    virtual bool reinstall() = 0;
};

} // namespace kinetta
