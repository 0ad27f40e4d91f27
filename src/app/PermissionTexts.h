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

// Before relaunching to set screen capture up afresh.
[[nodiscard]] Confirmation screenResetConfirmation();
// Before installing the hotkey's key observer afresh.
[[nodiscard]] Confirmation hotKeyResetConfirmation();
// On a Wayland desktop: before forgetting the desktop portal's remembered
// screen-sharing choice, and before binding the hotkey afresh with it.
[[nodiscard]] Confirmation portalScreenResetConfirmation();
[[nodiscard]] Confirmation portalHotKeyResetConfirmation();

} // namespace kinetta
