#pragma once

#include <QString>

namespace kinetta
{

// A question put to the user before a permission is reset: what the box
// says and its two buttons, the accepting one first.
struct Confirmation {
    enum class Tone { warning, information };
    Tone tone = Tone::information;
    QString title;
    QString text;
    QString acceptButton;
    QString cancelButton;
};

// Before relaunching to set screen capture up afresh; portalConsent: capture
// goes through the desktop portal, whose screen-sharing choice is forgotten.
[[nodiscard]] Confirmation screenResetConfirmation(bool portalConsent = false);
// Before installing the hotkey's key observer afresh.
[[nodiscard]] Confirmation hotKeyResetConfirmation();
// On a Wayland desktop: before binding the hotkey afresh with the desktop
// portal's global shortcuts.
[[nodiscard]] Confirmation portalHotKeyResetConfirmation();

} // namespace kinetta
