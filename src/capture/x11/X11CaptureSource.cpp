#include "capture/x11/X11CaptureSource.h"

#include "capture/x11/X11CaptureStream.h"
#include "capture/x11/X11WindowSnapshot.h"
#include "capture/x11/X11Windows.h"
#include "capture/x11/XcbConnection.h"

#include <algorithm>
#include <xcb/randr.h>

namespace kinetta::x11
{

std::vector<DisplayInfo> listDisplays(const XcbConnection& x)
{
    std::vector<DisplayInfo> displays;
    if (x.hasRandr()) {
        xcb_connection_t* c = x.get();
        XcbReply<xcb_randr_get_monitors_reply_t> monitors(
            xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, x.root(), 1), nullptr));
        if (monitors) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem > 0;
                 xcb_randr_monitor_info_next(&it)) {
                const xcb_randr_monitor_info_t* monitor = it.data;
                DisplayInfo display{monitor->name,
                                    QRect(monitor->x, monitor->y, monitor->width, monitor->height)};
                if (monitor->primary)
                    displays.insert(displays.begin(), display);
                else
                    displays.push_back(display);
            }
        }
    }
    if (displays.empty()) {
        const xcb_screen_t* screen = x.screen();
        if (screen->width_in_pixels > 0 && screen->height_in_pixels > 0)
            displays.push_back({0, QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels)});
    }
    return displays;
}

CaptureResult<ShareableContent> X11CaptureSource::shareableContent()
{
    auto connection = XcbConnection::open(m_displayName);
    if (!connection.ok())
        return CaptureError{connection.message()};
    ShareableContent content;
    content.displays = listDisplays(**connection);
    auto windows = listApplicationWindows(**connection);
    if (!windows)
        return CaptureError{
            QStringLiteral("The list of windows could not be read from the X display.")};
    for (const X11Window& window : *windows) {
        // Only windows on screen can be captured.
        if (!window.viewable || !window.bounds)
            continue;
        content.windows.push_back({window.id, QRectF(*window.bounds), window.pid});
    }
    return content;
}

CaptureResult<std::unique_ptr<CaptureStream>>
X11CaptureSource::startStream(const StreamConfiguration& configuration, CaptureStreamOutput& output)
{
    QRect displayRect;
    if (configuration.content == StreamConfiguration::Content::display) {
        auto connection = XcbConnection::open(m_displayName);
        if (!connection.ok())
            return CaptureError{connection.message()};
        const auto displays = listDisplays(**connection);
        const auto found = std::find_if(displays.begin(), displays.end(), [&](const auto& display) {
            return display.displayID == configuration.targetID;
        });
        if (found == displays.end())
            return CaptureError{QStringLiteral("The display to record is no longer connected.")};
        displayRect = found->frame;
    }
    return X11CaptureStream::start(m_displayName, configuration, displayRect, output);
}

std::optional<QImage> X11CaptureSource::windowSnapshot(std::uint32_t windowID)
{
    return captureWindowSnapshot(m_displayName, windowID);
}

} // namespace kinetta::x11
