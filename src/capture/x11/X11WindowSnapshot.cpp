#include "capture/x11/X11WindowSnapshot.h"

#include "capture/x11/CompositeRedirect.h"
#include "capture/x11/X11Grabber.h"
#include "capture/x11/XcbConnection.h"

namespace kinetta::x11
{

std::optional<QImage> captureWindowSnapshot(const std::string& displayName, std::uint32_t windowID)
{
    auto opened = XcbConnection::open(displayName);
    if (!opened.ok())
        return std::nullopt;
    const std::unique_ptr<XcbConnection> x = std::move(opened).value();
    xcb_connection_t* c = x->get();
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, windowID), nullptr));
    if (!geometry || geometry->width == 0 || geometry->height == 0 ||
        !X11Grabber::checkFormat(*x, geometry->depth).ok())
        return std::nullopt;
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, windowID), nullptr));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return std::nullopt;

    CompositeRedirect composite(*x, windowID);
    composite.nameWindowPixmap();
    X11Grabber grabber(*x);
    const auto image =
        grabber.grab(composite.drawable(), QRect(0, 0, geometry->width, geometry->height));
    if (!image)
        return std::nullopt;
    QImage copy(image->width, image->height, QImage::Format_RGB32);
    for (int y = 0; y < image->height; ++y)
        copyOpaque(GrabbedImage{image->pixels + static_cast<std::size_t>(y) * image->stride,
                                image->width, 1, image->stride},
                   reinterpret_cast<std::uint32_t*>(copy.scanLine(y)));
    return copy;
}

} // namespace kinetta::x11
