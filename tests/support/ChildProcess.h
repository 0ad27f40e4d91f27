#pragma once

#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>

namespace kinetta::testing
{

// Ends a helper process a test started (a server, a daemon) and reaps it;
// pid is -1 afterwards. Nothing when it is not running.
inline void stopChild(pid_t& pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

} // namespace kinetta::testing
