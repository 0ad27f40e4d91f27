#include "capture/XvfbServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace kinetta::testing
{
namespace
{

void stopChild(pid_t& pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

bool hasProperty(xcb_connection_t* c, xcb_window_t root, xcb_atom_t atom)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1), nullptr);
    const bool present = reply && reply->type != XCB_NONE;
    std::free(reply);
    return present;
}

// Waits up to timeoutMs for an event of the given type.
bool waitForEvent(xcb_connection_t* c, std::uint8_t type, int timeoutMs)
{
    pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const bool match = (event->response_type & 0x7f) == type;
            std::free(event);
            if (match)
                return true;
        }
        if (poll(&descriptor, 1, timeoutMs) <= 0)
            return false;
    }
}

} // namespace

XvfbServer::XvfbServer(int width, int height, int depth)
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    const std::string fd = std::to_string(fds[1]);
    const std::string screen =
        std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
    m_pid = fork();
    if (m_pid == 0) {
        close(fds[0]);
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes its display number once it accepts connections.
    char buffer[32] = {};
    std::size_t used = 0;
    while (used + 1 < sizeof buffer) {
        const ssize_t n = read(fds[0], buffer + used, sizeof buffer - 1 - used);
        if (n <= 0)
            break;
        used += static_cast<std::size_t>(n);
        if (std::memchr(buffer, '\n', used))
            break;
    }
    close(fds[0]);
    if (used > 0 && buffer[0] >= '0' && buffer[0] <= '9')
        m_display = ":" + std::to_string(std::atoi(buffer));
    else
        stopChild(m_pid);
}

XvfbServer::~XvfbServer()
{
    stopChild(m_windowManager);
    stopChild(m_pid);
}

void XvfbServer::kill()
{
    stopChild(m_windowManager);
    stopChild(m_pid);
}

bool XvfbServer::startWindowManager()
{
    xcb_connection_t* c = xcb_connect(m_display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t check = internAtom(c, "_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t clients = internAtom(c, "_NET_CLIENT_LIST_STACKING");
    const char* argv[] = {"openbox", "--sm-disable", nullptr};
    m_windowManager = spawnOnDisplay(m_display, argv);
    bool ready = false;
    // Openbox announces itself through root properties; wait for those events.
    while (!ready && m_windowManager > 0) {
        ready = hasProperty(c, root, check) && hasProperty(c, root, clients);
        if (ready)
            break;
        xcb_generic_event_t* event = xcb_wait_for_event(c);
        if (!event)
            break;
        std::free(event);
    }
    // It may still drop map requests while it starts up: map a probe window
    // until the manager maps it, then it handles windows.
    bool managing = false;
    for (int attempt = 0; ready && !managing && attempt < 50; ++attempt) {
        const xcb_window_t probe = xcb_generate_id(c);
        const std::uint32_t values[] = {XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          values);
        xcb_map_window(c, probe);
        xcb_flush(c);
        managing = waitForEvent(c, XCB_MAP_NOTIFY, 200);
        xcb_destroy_window(c, probe);
        xcb_flush(c);
    }
    xcb_disconnect(c);
    return ready && managing;
}

pid_t spawnOnDisplay(const std::string& display, const char* const* argv)
{
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    return pid;
}

int waitForExit(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace kinetta::testing
