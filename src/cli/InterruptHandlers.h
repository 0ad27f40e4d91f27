#pragma once

#include <csignal>
#include <cstddef>
#include <iterator>

namespace kinetta::cli
{

// While it lives, Ctrl-C (SIGINT), a termination request (SIGTERM) and a
// closed terminal (SIGHUP) go to handler instead of ending the process, so a
// command can end cleanly; the previous handlers come back when it goes.
// handler may only do async-signal-safe things.
class InterruptHandlers final
{
public:
    explicit InterruptHandlers(void (*handler)(int))
    {
        struct sigaction action {
        };
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &action, &m_old[i]);
    }
    InterruptHandlers(const InterruptHandlers&) = delete;
    InterruptHandlers& operator=(const InterruptHandlers&) = delete;
    ~InterruptHandlers()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &m_old[i], nullptr);
    }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_old[std::size(kSignals)] {};
};

} // namespace kinetta::cli
