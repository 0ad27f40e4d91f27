#pragma once

#include "gif/Result.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace kinetta
{

// One key going down or up anywhere on the desktop, as the keyboard sent it:
// a key code only, no modifier state and no symbol.
struct KeyEvent {
    std::uint32_t keycode = 0;
    bool pressed = true;
    // The key is held and the server repeats it.
    bool repeat = false;
};

// The server's keyboard mapping: for each key code, its key symbols in the
// order the server lists them (layout by layout, level by level).
struct KeyboardMap {
    std::map<std::uint32_t, std::vector<std::uint32_t>> keysyms;
    // Whether Caps Lock is on, in the first map only. Later the Caps Lock
    // presses tell: a state read when the mapping changes would race with the
    // key events still on their way.
    std::optional<bool> capsLockOn;
};

// Watches the keyboard of the whole desktop without taking keys away from the
// program that has the focus. Handlers run on the main thread.
class KeyObserver
{
public:
    struct Handlers {
        std::function<void(const KeyEvent&)> key;
        // At the start and whenever the mapping changes (another layout, a remap).
        std::function<void(const KeyboardMap&)> keyboardMap;
    };

    virtual ~KeyObserver() = default;
    // Nothing when the observer runs, else why it cannot (for the log and the
    // banner's repair).
    [[nodiscard]] virtual Status<QString> start(Handlers handlers) = 0;
    // Started and still connected.
    [[nodiscard]] virtual bool isRunning() const = 0;
};

// The one place that picks the key observer's platform. KINETTA_KEYS=x11 or
// =null forces a choice; otherwise X11 when this build has it, DISPLAY is set
// and the session is not a Wayland one.
[[nodiscard]] std::unique_ptr<KeyObserver> createKeyObserver();

} // namespace kinetta
