#include "ui/common/PrivateAccessibilityBus.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/prctl.h>
#include <vector>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace kinetta::test
{
namespace
{

constexpr const char* launcherPath = "/usr/libexec/at-spi-bus-launcher";

void stop(pid_t& pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

// Runs argv with stdout to outFd (or /dev/null when -1) and stderr discarded.
pid_t spawn(const char* const* argv, int outFd)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int devnull = open("/dev/null", O_RDWR);
        dup2(outFd >= 0 ? outFd : devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    return pid;
}

// The first line written to fd within timeoutMs, without its line feed.
std::string readLine(int fd, int timeoutMs)
{
    std::string line;
    pollfd descriptor{fd, POLLIN, 0};
    char c = 0;
    while (poll(&descriptor, 1, timeoutMs) > 0 && read(fd, &c, 1) == 1 && c != '\n')
        line.push_back(c);
    return line;
}

// The processes pid started, and theirs (the launcher's bus, the registry
// that bus started).
std::vector<pid_t> descendantsOf(pid_t pid)
{
    std::vector<pid_t> found;
    std::ifstream list("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                       "/children");
    for (pid_t child = 0; list >> child;) {
        found.push_back(child);
        for (pid_t grandchild : descendantsOf(child))
            found.push_back(grandchild);
    }
    return found;
}

} // namespace

PrivateAccessibilityBus::PrivateAccessibilityBus()
{
    // The launcher's own children outlive it; as their adoptive parent this
    // process can end and reap them instead of leaving them to init.
    prctl(PR_SET_CHILD_SUBREAPER, 1);

    int fds[2];
    if (pipe(fds) != 0) {
        m_failure = QStringLiteral("no pipe for dbus-daemon");
        return;
    }
    const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address", nullptr};
    m_daemon = spawn(argv, fds[1]);
    close(fds[1]);
    m_sessionAddress = QString::fromStdString(readLine(fds[0], 5000));
    close(fds[0]);
    if (m_sessionAddress.isEmpty()) {
        m_failure = QStringLiteral("dbus-daemon (package dbus-daemon) did not start a session bus");
        stop(m_daemon);
    }
}

PrivateAccessibilityBus::~PrivateAccessibilityBus()
{
    std::vector<pid_t> started;
    for (pid_t parent : {m_launcher, m_daemon}) {
        if (parent > 0)
            for (pid_t descendant : descendantsOf(parent))
                started.push_back(descendant);
    }
    stop(m_launcher);
    stop(m_daemon);
    for (pid_t descendant : started)
        stop(descendant);
}

bool PrivateAccessibilityBus::startLauncher()
{
    if (access(launcherPath, X_OK) != 0) {
        m_failure = QStringLiteral("%1 is missing (package at-spi2-core)")
                        .arg(QLatin1String(launcherPath));
        return false;
    }
    const char* argv[] = {launcherPath, "--launch-immediately", nullptr};
    m_launcher = spawn(argv, -1);
    return m_launcher > 0;
}

} // namespace kinetta::test
