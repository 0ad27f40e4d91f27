#include "capture/x11/X11Compositor.h"

#include "capture/x11/XcbConnection.h"

namespace kinetta::x11
{

bool compositingManagerRunning(const std::string& displayName)
{
    auto connection = XcbConnection::open(displayName);
    if (!connection.ok())
        return false;
    xcb_connection_t* c = (*connection)->get();
    const std::string name = "_NET_WM_CM_S" + std::to_string((*connection)->screenNumber());
    XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
    if (!atom)
        return false;
    XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
    return owner && owner->owner != XCB_NONE;
}

} // namespace kinetta::x11
