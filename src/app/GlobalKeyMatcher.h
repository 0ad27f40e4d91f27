#pragma once

#include "capture/KeyObserver.h"

#include <cstdint>
#include <set>

namespace kinetta
{

// Turns raw key events into the two keys Kinetta watches for on the whole
// desktop: the hotkey Ctrl+Shift+G and Escape. Raw events carry key codes
// only, so the held modifiers are kept here from the presses and releases, and
// every key code is read through the keyboard mapping. Plain logic.
class GlobalKeyMatcher final
{
public:
    enum class Match { none, hotkey, escape };

    // The first mapping also gives the Caps Lock state.
    void setKeyboardMap(const KeyboardMap& map);
    [[nodiscard]] Match handle(const KeyEvent& event);

private:
    enum class Role { other, letterG, escape, control, shift, otherModifier, capsLock };

    [[nodiscard]] Role roleOf(std::uint32_t keycode) const;
    [[nodiscard]] bool heldOnly(Role first, Role second) const;

    KeyboardMap m_map;
    bool m_capsLockOn = false;
    // Modifier keys down now, by key code.
    std::set<std::uint32_t> m_heldModifiers;
};

} // namespace kinetta
