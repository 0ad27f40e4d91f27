#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace kinetta::testing
{

// A window whose contents the X server paints itself: a background colour and
// child windows of solid colours, so no event loop is needed to draw it.
struct WindowSpec {
    int x = 0;
    int y = 0;
    int width = 200;
    int height = 100;
    std::uint32_t background = 0x000000;
    std::optional<std::uint32_t> pid{}; // _NET_WM_PID
    std::string instance = "subject";
    std::string windowClass = "Subject";
    std::optional<std::string> title{};
    std::optional<std::string> type{}; // e.g. "_NET_WM_WINDOW_TYPE_DOCK"
    bool overrideRedirect = false;
    std::vector<std::uint32_t> icon{}; // _NET_WM_ICON values, when not empty
};

struct Patch {
    int x, y, width, height;
    std::uint32_t colour;
};

class TestClient final
{
public:
    explicit TestClient(const std::string& display);
    ~TestClient() { xcb_disconnect(m_connection); }
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    [[nodiscard]] bool connected() const { return !xcb_connection_has_error(m_connection); }
    [[nodiscard]] xcb_connection_t* get() const { return m_connection; }
    [[nodiscard]] xcb_window_t root() const { return m_root; }

    // Creates, maps and waits until the window is shown.
    xcb_window_t createWindow(const WindowSpec& spec, const std::vector<Patch>& patches = {});
    void destroyWindow(xcb_window_t window);
    void moveWindow(xcb_window_t window, int x, int y);
    void warpPointer(int x, int y);
    // Round trip: everything sent so far has been handled by the server.
    void sync();
    [[nodiscard]] xcb_atom_t atom(const char* name);

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
};

// The quadrant test card: red, green, blue and white quarters and, across
// the bottom right, a band of one-pixel black and white columns.
[[nodiscard]] std::vector<Patch> quadrantCard(int width, int height);
// The colour the card shows at (x, y) (0xRRGGBB).
[[nodiscard]] std::uint32_t quadrantCardColour(int width, int height, int x, int y);

} // namespace kinetta::testing
