#include "app/PermissionTexts.h"

namespace kinetta
{

// The texts say what Kinetta does on an X11 desktop, where neither capture
// nor key observing is gated by a permission the user switches on: there is
// no settings pane to send anyone to.

Confirmation screenResetConfirmation()
{
    return {Confirmation::Tone::warning, QStringLiteral("Reset Screen Recording Permission"),
            QStringLiteral("This desktop asks for no screen-recording permission: Kinetta reads "
                           "the screen straight from the X server, so there is no entry to "
                           "remove.\n\nKinetta will quit and start again, connecting to the X "
                           "server afresh and checking again what it offers for capture."),
            QStringLiteral("Reset & Relaunch"), QStringLiteral("Cancel")};
}

Confirmation hotKeyResetConfirmation()
{
    return {Confirmation::Tone::information, QStringLiteral("Reset Hotkey Access"),
            QStringLiteral("Kinetta sees the global Ctrl+Shift+G hotkey through the X server's "
                           "input extension (XInput2); no permission or settings entry is "
                           "involved on this desktop.\n\nThis removes Kinetta's key observer and "
                           "installs it afresh, which repairs a hotkey that stopped working. "
                           "Other programs keep receiving every key."),
            QStringLiteral("Reset Hotkey"), QStringLiteral("Cancel")};
}

Confirmation portalScreenResetConfirmation()
{
    return {Confirmation::Tone::warning, QStringLiteral("Reset Screen Recording Permission"),
            QStringLiteral("Kinetta records this Wayland desktop through its screen-sharing "
                           "portal, which remembers the screen you chose so that you are not "
                           "asked at every recording.\n\nThis forgets that choice: the desktop "
                           "asks again which screen to share at the next recording."),
            QStringLiteral("Reset"), QStringLiteral("Cancel")};
}

Confirmation portalHotKeyResetConfirmation()
{
    return {Confirmation::Tone::information, QStringLiteral("Reset Hotkey Access"),
            QStringLiteral("On this Wayland desktop Ctrl+Shift+G is a global shortcut that "
                           "Kinetta registers with the desktop, which may let you pick other "
                           "keys for it.\n\nThis registers the shortcut afresh, which repairs a "
                           "hotkey that stopped working."),
            QStringLiteral("Reset Hotkey"), QStringLiteral("Cancel")};
}

} // namespace kinetta
