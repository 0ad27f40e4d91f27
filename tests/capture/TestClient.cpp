#include "capture/TestClient.h"

#include <cstdlib>
#include <cstring>

namespace kinetta::testing
{

TestClient::TestClient(const std::string& display)
    : m_connection(xcb_connect(display.c_str(), nullptr))
{
    if (connected())
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

xcb_atom_t TestClient::atom(const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        m_connection,
        xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t result = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return result;
}

xcb_window_t TestClient::createWindow(const WindowSpec& spec, const std::vector<Patch>& patches)
{
    xcb_connection_t* c = m_connection;
    const auto create = [c](xcb_window_t parent, const Patch& place, std::uint32_t mask,
                            const std::uint32_t* values) {
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, parent,
                          static_cast<std::int16_t>(place.x), static_cast<std::int16_t>(place.y),
                          static_cast<std::uint16_t>(place.width),
                          static_cast<std::uint16_t>(place.height), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, mask, values);
        return window;
    };
    const std::uint32_t values[] = {spec.background, spec.overrideRedirect ? 1u : 0u,
                                    XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    const xcb_window_t window =
        create(m_root, {spec.x, spec.y, spec.width, spec.height, 0},
               XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    for (const Patch& patch : patches)
        xcb_map_window(c, create(window, patch, XCB_CW_BACK_PIXEL, &patch.colour));
    const auto property = [&](xcb_atom_t name, xcb_atom_t type, std::uint8_t format,
                              std::size_t length, const void* data) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, name, type, format,
                            static_cast<std::uint32_t>(length), data);
    };
    // Ask the window manager to keep the requested position.
    const std::uint32_t hints[18] = {1u | 2u | 4u | 8u};
    property(XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    const std::string wmClass = spec.instance + '\0' + spec.windowClass + '\0';
    property(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, wmClass.size(), wmClass.data());
    if (spec.title)
        property(atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, spec.title->size(),
                 spec.title->data());
    if (spec.pid)
        property(atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &*spec.pid);
    if (spec.type) {
        const xcb_atom_t type = atom(spec.type->c_str());
        property(atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &type);
    }
    if (!spec.icon.empty())
        property(atom("_NET_WM_ICON"), XCB_ATOM_CARDINAL, 32, spec.icon.size(), spec.icon.data());
    xcb_map_window(c, window);
    xcb_flush(c);
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                            reinterpret_cast<xcb_map_notify_event_t*>(event)->window == window;
        std::free(event);
        if (mapped)
            break;
    }
    sync();
    return window;
}

void TestClient::destroyWindow(xcb_window_t window)
{
    xcb_destroy_window(m_connection, window);
    sync();
}

void TestClient::moveWindow(xcb_window_t window, int x, int y)
{
    const std::uint32_t values[] = {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)};
    xcb_configure_window(m_connection, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
    sync();
}

void TestClient::warpPointer(int x, int y)
{
    xcb_warp_pointer(m_connection, XCB_NONE, m_root, 0, 0, 0, 0, static_cast<std::int16_t>(x),
                     static_cast<std::int16_t>(y));
    sync();
}

void TestClient::sync()
{
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

std::vector<Patch> quadrantCard(int width, int height)
{
    const int halfW = width / 2;
    const int halfH = height / 2;
    std::vector<Patch> patches = {{0, 0, halfW, halfH, 0xff0000},
                                  {halfW, 0, width - halfW, halfH, 0x00ff00},
                                  {0, halfH, halfW, height - halfH, 0x0000ff},
                                  {halfW, halfH, width - halfW, height - halfH, 0xffffff}};
    // One-pixel columns, alternately black and white, in the lower right.
    for (int x = halfW; x < width; x += 2)
        patches.push_back({x, height - height / 4, 1, height / 4, 0x000000});
    return patches;
}

std::uint32_t quadrantCardColour(int width, int height, int x, int y)
{
    const int halfW = width / 2;
    const int halfH = height / 2;
    if (y < halfH)
        return x < halfW ? 0xff0000 : 0x00ff00;
    if (x < halfW)
        return 0x0000ff;
    if (y >= height - height / 4 && (x - halfW) % 2 == 0)
        return 0x000000;
    return 0xffffff;
}

} // namespace kinetta::testing
