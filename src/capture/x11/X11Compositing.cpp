#include "capture/x11/X11Compositing.h"

#include "capture/x11/XcbConnection.h"

#include <xcb/xcb.h>

namespace kinetta::x11
{

bool compositingManagerRunning(const std::string& displayName)
{
    int screenNumber = 0;
    xcb_connection_t* c =
        xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber);
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> owned(c, xcb_disconnect);
    if (xcb_connection_has_error(c))
        return false;
    const std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber);
    XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
    if (!atom)
        return false;
    XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
    return owner && owner->owner != XCB_NONE;
}

} // namespace kinetta::x11
