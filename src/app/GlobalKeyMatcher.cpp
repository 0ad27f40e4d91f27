#include "app/GlobalKeyMatcher.h"

namespace kinetta
{
namespace
{

// Key symbols of the X keyboard protocol (keysymdef.h), the ones needed here.
enum Keysym : std::uint32_t {
    latinCapitalA = 0x41,
    latinCapitalZ = 0x5a,
    latinSmallA = 0x61,
    latinSmallZ = 0x7a,
    latinCapitalG = 0x47,
    latinSmallG = 0x67,
    escapeKey = 0xff1b,
    modeSwitch = 0xff7e,
    level3Shift = 0xfe03,
    level5Shift = 0xfe11,
    shiftLeft = 0xffe1,
    shiftRight = 0xffe2,
    controlLeft = 0xffe3,
    controlRight = 0xffe4,
    capsLockKey = 0xffe5,
    shiftLockKey = 0xffe6,
    metaLeft = 0xffe7,
    hyperRight = 0xffee,
};

bool isLatinLetter(std::uint32_t keysym)
{
    return (keysym >= latinCapitalA && keysym <= latinCapitalZ) ||
           (keysym >= latinSmallA && keysym <= latinSmallZ);
}

} // namespace

void GlobalKeyMatcher::setKeyboardMap(const KeyboardMap& map)
{
    m_map = map;
    if (map.capsLockOn)
        m_capsLockOn = *map.capsLockOn;
}

GlobalKeyMatcher::Role GlobalKeyMatcher::roleOf(std::uint32_t keycode) const
{
    const auto found = m_map.keysyms.find(keycode);
    if (found == m_map.keysyms.end() || found->second.empty())
        return Role::other;
    const std::vector<std::uint32_t>& symbols = found->second;
    switch (const std::uint32_t first = symbols.front()) {
    case escapeKey:
        return Role::escape;
    case controlLeft:
    case controlRight:
        return Role::control;
    case shiftLeft:
    case shiftRight:
        return Role::shift;
    case capsLockKey:
    case shiftLockKey:
        return Role::capsLock;
    case modeSwitch:
    case level3Shift:
    case level5Shift:
        return Role::otherModifier;
    default:
        // Meta, Alt, Super and Hyper, left and right.
        if (first >= metaLeft && first <= hyperRight)
            return Role::otherModifier;
    }
    // A letter key counts as the first Latin layout gives it, so that the
    // hotkey works while a Cyrillic or Greek layout is active.
    for (const std::uint32_t symbol : symbols)
        if (isLatinLetter(symbol))
            return symbol == latinSmallG || symbol == latinCapitalG ? Role::letterG : Role::other;
    return Role::other;
}

bool GlobalKeyMatcher::heldOnly(Role first, Role second) const
{
    bool sawFirst = false;
    bool sawSecond = false;
    for (const std::uint32_t keycode : m_heldModifiers) {
        const Role role = roleOf(keycode);
        if (role == first)
            sawFirst = true;
        else if (role == second)
            sawSecond = true;
        else
            return false;
    }
    return sawFirst && sawSecond;
}

GlobalKeyMatcher::Match GlobalKeyMatcher::handle(const KeyEvent& event)
{
    const Role role = roleOf(event.keycode);
    switch (role) {
    case Role::control:
    case Role::shift:
    case Role::otherModifier:
        if (event.pressed)
            m_heldModifiers.insert(event.keycode);
        else
            m_heldModifiers.erase(event.keycode);
        return Match::none;
    case Role::capsLock:
        if (event.pressed && !event.repeat)
            m_capsLockOn = !m_capsLockOn;
        return Match::none;
    case Role::escape:
        return event.pressed && !event.repeat ? Match::escape : Match::none;
    case Role::letterG:
        // Num Lock is a lock key of its own role (other) and never counts.
        if (event.pressed && !event.repeat && !m_capsLockOn && heldOnly(Role::control, Role::shift))
            return Match::hotkey;
        return Match::none;
    case Role::other:
        return Match::none;
    }
    return Match::none;
}

} // namespace kinetta
