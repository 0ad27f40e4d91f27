#include "capture/x11/CompositeRedirect.h"

#include "capture/x11/XcbConnection.h"

#include <xcb/composite.h>

namespace kinetta::x11
{

CompositeRedirect::CompositeRedirect(const XcbConnection& connection, xcb_window_t window)
    : m_connection(connection), m_window(window)
{
    if (!m_connection.hasComposite())
        return;
    xcb_connection_t* c = m_connection.get();
    XcbReply<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_composite_redirect_window_checked(c, m_window, XCB_COMPOSITE_REDIRECT_AUTOMATIC)));
    m_redirected = !error;
}

CompositeRedirect::~CompositeRedirect()
{
    if (m_connection.broken())
        return;
    xcb_connection_t* c = m_connection.get();
    freePixmap();
    if (m_redirected)
        xcb_composite_unredirect_window(c, m_window, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    xcb_flush(c);
}

void CompositeRedirect::nameWindowPixmap()
{
    freePixmap();
    if (!m_redirected)
        return;
    xcb_connection_t* c = m_connection.get();
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    XcbReply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, m_window, pixmap)));
    if (!error)
        m_pixmap = pixmap;
}

void CompositeRedirect::freePixmap()
{
    if (m_pixmap == XCB_NONE)
        return;
    xcb_free_pixmap(m_connection.get(), m_pixmap);
    m_pixmap = XCB_NONE;
}

xcb_drawable_t CompositeRedirect::drawable() const
{
    return m_pixmap != XCB_NONE ? m_pixmap : m_window;
}

void CompositeRedirect::abandon()
{
    m_pixmap = XCB_NONE;
    m_redirected = false;
}

} // namespace kinetta::x11
