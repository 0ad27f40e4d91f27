#pragma once

#include "model/Scheduler.h"

namespace kinetta {

// Runs callbacks from QTimers on the thread that created them (the main thread
// in the program), so they need a running Qt event loop.
class QtScheduler final : public Scheduler {
public:
    [[nodiscard]] TimerHandle singleShot(Duration delay, Callback callback) override;
    [[nodiscard]] TimerHandle repeating(Duration interval, Callback callback) override;
};

} // namespace kinetta
