#include "app/shell/desktop/DesktopWindows.h"

#include "capture/TestClient.h"

#include <cstdlib>

namespace kinetta::test
{
namespace
{

template <typename Reply> using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> Owned<Reply> own(Reply* reply)
{
    return Owned<Reply>(reply, &std::free);
}

// The class trayer gives its panel window: what is inside it is embedded.
const QString trayHostClass = QStringLiteral("trayer");

} // namespace

DesktopWindows::DesktopWindows(const std::string& display)
    : m_client(std::make_unique<kinetta::testing::TestClient>(display))
{
    if (connected()) {
        m_netWmName = m_client->atom("_NET_WM_NAME");
        m_windowType = m_client->atom("_NET_WM_WINDOW_TYPE");
    }
}

DesktopWindows::~DesktopWindows() = default;

bool DesktopWindows::connected() const
{
    return m_client->connected();
}

std::optional<std::string> DesktopWindows::property(xcb_window_t window, xcb_atom_t name)
{
    xcb_connection_t* c = m_client->get();
    const auto reply = own(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr));
    if (!reply || reply->type == XCB_NONE || reply->format != 8)
        return std::nullopt;
    const char* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(data, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

QStringList DesktopWindows::windowTypes(xcb_window_t window)
{
    xcb_connection_t* c = m_client->get();
    const auto reply = own(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, m_windowType, XCB_ATOM_ATOM, 0, 32), nullptr));
    QStringList names;
    if (!reply || reply->format != 32)
        return names;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i) {
        const auto name = own(xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atoms[i]), nullptr));
        if (name)
            names << QString::fromLatin1(xcb_get_atom_name_name(name.get()),
                                         xcb_get_atom_name_name_length(name.get()));
    }
    return names;
}

void DesktopWindows::walk(xcb_window_t window, bool ancestorsViewable, xcb_window_t trayHost,
                          std::vector<SeenWindow>& found)
{
    xcb_connection_t* c = m_client->get();
    const auto attributes =
        own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    if (!attributes)
        return; // gone meanwhile
    const bool viewable = ancestorsViewable && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    if (const std::optional<std::string> wmClass = property(window, XCB_ATOM_WM_CLASS)) {
        SeenWindow seen;
        seen.id = window;
        const std::size_t split = wmClass->find('\0');
        seen.instance = QString::fromStdString(wmClass->substr(0, split));
        if (split != std::string::npos) {
            const std::string rest = wmClass->substr(split + 1);
            seen.windowClass = QString::fromStdString(rest.substr(0, rest.find('\0')));
        }
        const std::optional<std::string> title = property(window, m_netWmName);
        const std::optional<std::string> plainTitle =
            title ? title : property(window, XCB_ATOM_WM_NAME);
        seen.title = QString::fromStdString(plainTitle.value_or(std::string()));
        seen.viewable = viewable;
        seen.overrideRedirect = attributes->override_redirect != 0;
        seen.trayHost = trayHost;
        seen.types = windowTypes(window);
        const auto geometry = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
        const auto origin = own(xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, window, m_client->root(), 0, 0), nullptr));
        if (geometry && origin)
            seen.geometry = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        found.push_back(seen);
        if (seen.windowClass == trayHostClass)
            trayHost = window;
    }
    const auto tree = own(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree)
        return;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    for (int i = 0; i < count; ++i)
        walk(children[i], viewable, trayHost, found);
}

std::vector<SeenWindow> DesktopWindows::all()
{
    std::vector<SeenWindow> found;
    if (connected())
        walk(m_client->root(), true, XCB_NONE, found);
    return found;
}

std::vector<SeenWindow> DesktopWindows::ofInstance(const QString& instance)
{
    std::vector<SeenWindow> found;
    for (SeenWindow& window : all())
        if (window.instance == instance)
            found.push_back(std::move(window));
    return found;
}

std::vector<SeenWindow> DesktopWindows::shownWindowsOf(const QString& instance)
{
    std::vector<SeenWindow> found;
    for (SeenWindow& window : ofInstance(instance))
        if (window.viewable && window.trayHost == XCB_NONE)
            found.push_back(std::move(window));
    return found;
}

std::vector<SeenWindow> DesktopWindows::trayIconsOf(const QString& instance)
{
    std::vector<SeenWindow> found;
    for (SeenWindow& window : ofInstance(instance))
        if (window.trayHost != XCB_NONE)
            found.push_back(std::move(window));
    return found;
}

std::vector<xcb_window_t> DesktopWindows::clientList()
{
    xcb_connection_t* c = m_client->get();
    const auto reply = own(xcb_get_property_reply(
        c,
        xcb_get_property(c, 0, m_client->root(), m_client->atom("_NET_CLIENT_LIST"),
                         XCB_ATOM_WINDOW, 0, 1024),
        nullptr));
    if (!reply || reply->format != 32)
        return {};
    const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    return {windows, windows + xcb_get_property_value_length(reply.get()) / 4};
}

bool DesktopWindows::selectionOwned(const char* selection)
{
    xcb_connection_t* c = m_client->get();
    const auto reply = own(xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, m_client->atom(selection)), nullptr));
    return reply && reply->owner != XCB_NONE;
}

QSize DesktopWindows::screenSize() const
{
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_client->get())).data;
    return {screen->width_in_pixels, screen->height_in_pixels};
}

QImage DesktopWindows::grab(const QRect& rect)
{
    xcb_connection_t* c = m_client->get();
    const auto reply = own(xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_client->root(),
                      static_cast<std::int16_t>(rect.x()), static_cast<std::int16_t>(rect.y()),
                      static_cast<std::uint16_t>(rect.width()),
                      static_cast<std::uint16_t>(rect.height()), ~0u),
        nullptr));
    // Xvfb's 24-bit screens hand out 32 bits a pixel, BGRX in memory.
    if (!reply || reply->depth != 24 ||
        xcb_get_image_data_length(reply.get()) != rect.width() * rect.height() * 4)
        return {};
    return QImage(xcb_get_image_data(reply.get()), rect.width(), rect.height(), rect.width() * 4,
                  QImage::Format_RGB32)
        .copy();
}

QImage DesktopWindows::grabScreen()
{
    return grab(QRect(QPoint(0, 0), screenSize()));
}

void DesktopWindows::paintBackground(std::uint32_t rgb)
{
    xcb_connection_t* c = m_client->get();
    xcb_change_window_attributes(c, m_client->root(), XCB_CW_BACK_PIXEL, &rgb);
    xcb_clear_area(c, 0, m_client->root(), 0, 0, 0, 0);
    m_client->sync();
}

} // namespace kinetta::test
