// Something moving on the display for the capture benchmark: a coloured
// window that sweeps across the screen and changes colour sixty times a second.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <xcb/xcb.h>

int main()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "moving-scene: cannot open the display\n");
        return 1;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {0xff8800, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 480, 360, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    xcb_flush(c);
    const int spanX = screen->width_in_pixels - 480;
    const int spanY = screen->height_in_pixels - 360;
    auto next = std::chrono::steady_clock::now();
    for (std::uint32_t step = 0; !xcb_connection_has_error(c); ++step) {
        const std::uint32_t position[] = {(step * 7) % static_cast<std::uint32_t>(spanX),
                                          (step * 5) % static_cast<std::uint32_t>(spanY)};
        xcb_configure_window(c, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, position);
        const std::uint32_t colour[] = {(step * 0x010305u) & 0xffffffu};
        xcb_change_window_attributes(c, window, XCB_CW_BACK_PIXEL, colour);
        xcb_clear_area(c, 0, window, 0, 0, 0, 0);
        xcb_flush(c);
        next += std::chrono::microseconds(16667);
        std::this_thread::sleep_until(next);
    }
    return 0;
}
