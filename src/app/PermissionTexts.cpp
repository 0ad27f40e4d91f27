#include "app/PermissionTexts.h"

namespace kinetta
{

// The texts say what Kinetta does on a Linux desktop: on X11 neither capture
// nor key observing is gated by a permission the user switches on, and there
// is no settings pane to send anyone to; through the desktop portal the only
// consent is the screen-sharing prompt's, which Kinetta remembers.

Confirmation screenResetConfirmation(bool portalConsent)
{
    const QString text =
        portalConsent
            ? QStringLiteral("Kinetta remembers the screen you chose to share in the desktop's "
                             "screen-sharing prompt, so that it does not ask again.\n\nThis "
                             "forgets that choice. Kinetta will quit and start again, and the "
                             "next recording asks which screen to share.")
            : QStringLiteral("This desktop asks for no screen-recording permission: Kinetta reads "
                             "the screen straight from the X server, so there is no entry to "
                             "remove.\n\nKinetta will quit and start again, connecting to the X "
                             "server afresh and checking again what it offers for capture.");
    return {Confirmation::Tone::warning, QStringLiteral("Reset Screen Recording Permission"), text,
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
