#include "capture/x11/X11WindowSnapshot.h"

#include "capture/x11/X11Grabber.h"
#include "capture/x11/XcbConnection.h"

#include <xcb/composite.h>

namespace kinetta::x11
{

std::optional<QImage> captureWindowSnapshot(const std::string& displayName, std::uint32_t windowID)
{
    auto x = XcbConnection::open(displayName, nullptr);
    if (!x)
        return std::nullopt;
    xcb_connection_t* c = x->get();
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, windowID), nullptr));
    if (!geometry || geometry->width == 0 || geometry->height == 0 ||
        X11Grabber::unsupportedFormat(*x, geometry->depth))
        return std::nullopt;
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, windowID), nullptr));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return std::nullopt;

    xcb_drawable_t drawable = windowID;
    xcb_pixmap_t pixmap = XCB_NONE;
    bool redirected = false;
    if (x->hasComposite()) {
        XcbReply<xcb_generic_error_t> error(xcb_request_check(
            c,
            xcb_composite_redirect_window_checked(c, windowID, XCB_COMPOSITE_REDIRECT_AUTOMATIC)));
        redirected = !error;
        if (redirected) {
            pixmap = xcb_generate_id(c);
            XcbReply<xcb_generic_error_t> named(xcb_request_check(
                c, xcb_composite_name_window_pixmap_checked(c, windowID, pixmap)));
            if (named)
                pixmap = XCB_NONE;
            else
                drawable = pixmap;
        }
    }
    std::optional<QImage> result;
    {
        X11Grabber grabber(*x);
        const auto image = grabber.grab(drawable, QRect(0, 0, geometry->width, geometry->height));
        if (image) {
            QImage copy(image->width, image->height, QImage::Format_RGB32);
            for (int y = 0; y < image->height; ++y)
                copyOpaque(GrabbedImage{image->pixels + static_cast<std::size_t>(y) * image->stride,
                                        image->width, 1, image->stride},
                           reinterpret_cast<std::uint32_t*>(copy.scanLine(y)));
            result = std::move(copy);
        }
    }
    if (pixmap != XCB_NONE)
        xcb_free_pixmap(c, pixmap);
    if (redirected)
        xcb_composite_unredirect_window(c, windowID, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    xcb_flush(c);
    return result;
}

} // namespace kinetta::x11
