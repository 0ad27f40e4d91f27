#pragma once

#include <QString>
#include <sys/types.h>

namespace kinetta::test
{

// A private session bus (dbus-daemon) and, on request, the accessibility bus
// launcher on it, for tests that listen to what the program tells screen
// readers. Stopped on destruction.
class PrivateAccessibilityBus final
{
public:
    PrivateAccessibilityBus();
    ~PrivateAccessibilityBus();
    PrivateAccessibilityBus(const PrivateAccessibilityBus&) = delete;
    PrivateAccessibilityBus& operator=(const PrivateAccessibilityBus&) = delete;

    // Empty when the session bus could not be started; then failure() says why.
    [[nodiscard]] const QString& sessionAddress() const { return m_sessionAddress; }
    // Starts the launcher with this process's environment (the session bus
    // address and DISPLAY set by the caller); false with failure() set if it
    // cannot be run.
    [[nodiscard]] bool startLauncher();
    [[nodiscard]] const QString& failure() const { return m_failure; }

private:
    pid_t m_daemon = -1;
    pid_t m_launcher = -1;
    QString m_sessionAddress;
    QString m_failure;
};

} // namespace kinetta::test
