#pragma once

#include <string>
#include <sys/types.h>

namespace kinetta::testing
{

// A private X server with two screens side by side, which Xvfb cannot give
// Qt: Xorg with the dummy video driver (it runs as root), its first output
// at the origin and the second to its right, each with a mode of the given
// size. Stopped on destruction.
class DummyXorgServer final
{
public:
    DummyXorgServer(int firstWidth, int firstHeight, int secondWidth, int secondHeight);
    ~DummyXorgServer();
    DummyXorgServer(const DummyXorgServer&) = delete;
    DummyXorgServer& operator=(const DummyXorgServer&) = delete;

    [[nodiscard]] bool running() const { return m_pid > 0 && !m_display.empty(); }
    [[nodiscard]] const std::string& display() const { return m_display; } // ":N"
    // Why it is not running.
    [[nodiscard]] const std::string& failure() const { return m_failure; }

private:
    bool start();
    bool addOutput(const char* output, int width, int height, const char* rightOf);

    pid_t m_pid = -1;
    std::string m_folder;
    std::string m_display;
    std::string m_failure;
};

} // namespace kinetta::testing
