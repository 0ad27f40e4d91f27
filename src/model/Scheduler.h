#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace kinetta {

// A pending delay or repeating tick. Destroying or cancelling the handle stops
// it; a callback never runs after its handle is gone.
class TimerHandle final {
public:
    class Impl {
    public:
        virtual ~Impl() = default;
        virtual void cancel() = 0;
        [[nodiscard]] virtual bool isActive() const = 0;
    };

    TimerHandle() = default;
    explicit TimerHandle(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
    TimerHandle(TimerHandle&&) noexcept = default;
    TimerHandle& operator=(TimerHandle&& other) noexcept;
    ~TimerHandle() { cancel(); }

    void cancel();
    // False once cancelled, and once a single-shot timer has fired.
    [[nodiscard]] bool isActive() const { return m_impl && m_impl->isActive(); }

private:
    std::unique_ptr<Impl> m_impl;
};

// Every delay and tick of the program goes through one of these, so that tests
// can run them on virtual time instead of sleeping.
class Scheduler {
public:
    using Duration = std::chrono::milliseconds;
    using Callback = std::function<void()>;

    virtual ~Scheduler() = default;
    [[nodiscard]] virtual TimerHandle singleShot(Duration delay, Callback callback) = 0;
    [[nodiscard]] virtual TimerHandle repeating(Duration interval, Callback callback) = 0;
};

} // namespace kinetta
