#include "capture/XvfbServer.h"

#include "capture/TestClient.h"
#include "support/ChildProcess.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kinetta::testing
{
namespace
{

// Runs argv with DISPLAY set and its output discarded; returns the pid.
pid_t spawn(const std::string& display, const char* const* argv)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (!display.empty())
            setenv("DISPLAY", display.c_str(), 1);
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    return pid;
}

bool hasProperty(xcb_connection_t* c, xcb_window_t root, xcb_atom_t atom)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1), nullptr);
    const bool present = reply && reply->type != XCB_NONE;
    std::free(reply);
    return present;
}

// Waits up to timeoutMs for an event of the given type (any type when 0).
bool waitForEvent(xcb_connection_t* c, std::uint8_t type, int timeoutMs)
{
    pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const bool match = type == 0 || (event->response_type & 0x7f) == type;
            std::free(event);
            if (match)
                return true;
        }
        if (xcb_connection_has_error(c) || poll(&descriptor, 1, timeoutMs) <= 0)
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
    const char* argv[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen",  "0",
                          screen.c_str(), "-nolisten",  "tcp",      "-noreset", nullptr};
    m_pid = spawn({}, argv);
    close(fds[1]);
    // Xvfb writes its display number once it accepts connections.
    FILE* stream = fdopen(fds[0], "r");
    int number = -1;
    if (stream && std::fscanf(stream, "%d", &number) == 1 && number >= 0)
        m_display = ":" + std::to_string(number);
    else
        stopChild(m_pid);
    if (stream)
        std::fclose(stream);
}

void XvfbServer::kill()
{
    stopChild(m_windowManager);
    stopChild(m_pid);
}

bool XvfbServer::startWindowManager()
{
    TestClient client(m_display);
    if (!client.connected())
        return false;
    xcb_connection_t* c = client.get();
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, client.root(), XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t check = client.atom("_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t clients = client.atom("_NET_CLIENT_LIST_STACKING");
    const char* argv[] = {"openbox", "--sm-disable", nullptr};
    m_windowManager = spawn(m_display, argv);
    // Openbox announces itself through root properties.
    while (!hasProperty(c, client.root(), check) || !hasProperty(c, client.root(), clients))
        if (!waitForEvent(c, 0, 10000))
            return false;
    // It may still drop map requests while it starts up: map a probe window
    // until the manager maps it, then it handles windows.
    for (int attempt = 0; attempt < 50; ++attempt) {
        const xcb_window_t probe = xcb_generate_id(c);
        const std::uint32_t values[] = {XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, client.root(), 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          values);
        xcb_map_window(c, probe);
        xcb_flush(c);
        const bool mapped = waitForEvent(c, XCB_MAP_NOTIFY, 200);
        client.destroyWindow(probe);
        if (mapped)
            return true;
    }
    return false;
}

} // namespace kinetta::testing
