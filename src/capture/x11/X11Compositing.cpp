#include "capture/x11/X11Compositing.h"

#include "capture/x11/XcbConnection.h"

#include <memory>
#include <xcb/xcb.h>

namespace kinetta::x11
{

bool compositingManagerRunning(const std::string& displayName)
{
    int screenNumber = 0;
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber),
        &xcb_disconnect);
    if (xcb_connection_has_error(connection.get()))
        return false;
    const std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber);
    const XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection.get(),
        xcb_intern_atom(connection.get(), 1, static_cast<uint16_t>(name.size()), name.c_str()),
        nullptr));
    // Only-if-exists: no atom means no manager ever claimed the selection.
    if (!atom || atom->atom == XCB_NONE)
        return false;
    const XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection.get(), xcb_get_selection_owner(connection.get(), atom->atom), nullptr));
    return owner && owner->owner != XCB_NONE;
}

} // namespace kinetta::x11
