#pragma once

#include "model/Scheduler.h"

#include <functional>

namespace kinetta
{

// The HUD's two-step discard: the first press arms a confirmation that falls
// back by itself after a while; only a press while armed discards.
class DiscardConfirmation final
{
public:
    static constexpr Scheduler::Duration fallbackDelay{4000};

    // onArmedChanged: after every change of armed(); onDiscard: the confirmed discard.
    DiscardConfirmation(Scheduler& scheduler, std::function<void(bool armed)> onArmedChanged,
                        std::function<void()> onDiscard);

    // First press: arms and starts a fresh fallback window.
    void arm();
    // "Keep Recording": disarms at once.
    void keep();
    // Second press: ends the fallback and calls back.
    void discard();

    [[nodiscard]] bool armed() const { return m_armed; }

private:
    void setArmed(bool armed);

    Scheduler& m_scheduler;
    std::function<void(bool)> m_onArmedChanged;
    std::function<void()> m_onDiscard;
    TimerHandle m_fallback;
    bool m_armed = false;
};

} // namespace kinetta
