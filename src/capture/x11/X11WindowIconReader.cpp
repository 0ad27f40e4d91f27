#include "capture/x11/X11WindowIconReader.h"

#include "capture/x11/XcbConnection.h"

namespace kinetta::x11
{
namespace
{

// 4 MiB of pixels per window: a 512 × 512 icon with every smaller size. A
// longer property is cut here, and the parser refuses its cut entry.
constexpr std::uint32_t kMaxIconValues = 1u << 20;

} // namespace

X11WindowIconReader::X11WindowIconReader(std::string displayName)
    : m_displayName(std::move(displayName))
{
}

X11WindowIconReader::~X11WindowIconReader() = default;

std::vector<std::vector<std::uint32_t>>
X11WindowIconReader::readIcons(const std::vector<std::uint32_t>& windowIDs)
{
    std::vector<std::vector<std::uint32_t>> icons(windowIDs.size());
    if (!m_connection || m_connection->broken()) {
        auto opened = XcbConnection::open(m_displayName);
        m_connection = opened.ok() ? std::move(opened).value() : nullptr;
    }
    if (!m_connection || windowIDs.empty())
        return icons;
    xcb_connection_t* c = m_connection->get();
    const xcb_atom_t property = m_connection->atoms().netWmIcon;
    // Every request goes out before any answer is read: one round trip in all.
    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(windowIDs.size());
    for (std::uint32_t window : windowIDs)
        cookies.push_back(
            xcb_get_property(c, 0, window, property, XCB_ATOM_CARDINAL, 0, kMaxIconValues));
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookies[i], nullptr));
        if (!reply || reply->type != XCB_ATOM_CARDINAL || reply->format != 32)
            continue;
        const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        icons[i].assign(values, values + xcb_get_property_value_length(reply.get()) / 4);
    }
    return icons;
}

} // namespace kinetta::x11
