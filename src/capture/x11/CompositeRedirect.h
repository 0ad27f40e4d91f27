#pragma once

#include <xcb/xcb.h>

namespace kinetta::x11
{

class XcbConnection;

// One window redirected off screen by Composite, so that the parts other
// windows cover are still there to read, and the pixmap that names its
// contents. Both are given back to the server when this is destroyed. Without
// Composite on the server nothing is redirected and the window itself is read.
class CompositeRedirect final
{
public:
    CompositeRedirect(const XcbConnection& connection, xcb_window_t window);
    ~CompositeRedirect();
    CompositeRedirect(const CompositeRedirect&) = delete;
    CompositeRedirect& operator=(const CompositeRedirect&) = delete;

    // Names the window's current contents (a resized window gets a new pixmap),
    // freeing the pixmap before. Only while the window is mapped.
    void nameWindowPixmap();
    void freePixmap();
    // What to read the window's contents from: the pixmap when there is one.
    [[nodiscard]] xcb_drawable_t drawable() const;
    // The window is gone, and its pixmap with it: nothing is left to give back.
    void abandon();

private:
    const XcbConnection& m_connection;
    xcb_window_t m_window;
    xcb_pixmap_t m_pixmap = XCB_NONE;
    bool m_redirected = false;
};

} // namespace kinetta::x11
