#pragma once

#include <string>
#include <sys/types.h>

namespace kinetta::testing
{

// A private X server for one test: Xvfb on a display number of its own,
// optionally with openbox as window manager. Stopped on destruction.
class XvfbServer final
{
public:
    explicit XvfbServer(int width = 640, int height = 480, int depth = 24);
    ~XvfbServer() { kill(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    [[nodiscard]] bool running() const { return m_pid > 0 && !m_display.empty(); }
    [[nodiscard]] const std::string& display() const { return m_display; } // ":N"
    // Starts openbox and returns once it manages the screen.
    [[nodiscard]] bool startWindowManager();
    // Ends the server now (the display connection of every client breaks).
    void kill();

private:
    pid_t m_pid = -1;
    pid_t m_windowManager = -1;
    std::string m_display;
};

} // namespace kinetta::testing
