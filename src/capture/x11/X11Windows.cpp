#include "capture/x11/X11Windows.h"

#ifdef KINETTA_HAVE_XRES
#include <xcb/res.h>
#endif

#include <QByteArray>
#include <QList>
#include <algorithm>

namespace kinetta::x11
{
namespace
{

struct PendingWindow {
    xcb_get_window_attributes_cookie_t attributes{};
    xcb_get_geometry_cookie_t geometry{};
    xcb_translate_coordinates_cookie_t position{};
    xcb_get_property_cookie_t pid{};
    xcb_get_property_cookie_t wmClass{};
    xcb_get_property_cookie_t netName{};
    xcb_get_property_cookie_t name{};
    xcb_get_property_cookie_t type{};
    xcb_get_property_cookie_t state{};
#ifdef KINETTA_HAVE_XRES
    std::optional<xcb_res_query_client_ids_cookie_t> client;
#endif
};

// The process of the client that made window, from the X server itself.
std::optional<std::int64_t> clientPid(const XcbConnection& x, PendingWindow& pending)
{
#ifdef KINETTA_HAVE_XRES
    if (!pending.client)
        return std::nullopt;
    XcbReply<xcb_res_query_client_ids_reply_t> reply(
        xcb_res_query_client_ids_reply(x.get(), *pending.client, nullptr));
    if (!reply)
        return std::nullopt;
    for (auto ids = xcb_res_query_client_ids_ids_iterator(reply.get()); ids.rem > 0;
         xcb_res_client_id_value_next(&ids)) {
        if ((ids.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
            xcb_res_client_id_value_value_length(ids.data) >= 1)
            return *xcb_res_client_id_value_value(ids.data);
    }
#else
    (void)x;
    (void)pending;
#endif
    return std::nullopt;
}

XcbReply<xcb_get_property_reply_t> propertyReply(xcb_connection_t* connection,
                                                 xcb_get_property_cookie_t cookie)
{
    return XcbReply<xcb_get_property_reply_t>(xcb_get_property_reply(connection, cookie, nullptr));
}

std::vector<std::uint32_t> cardinals(const XcbReply<xcb_get_property_reply_t>& reply)
{
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

std::optional<QByteArray> bytes(const XcbReply<xcb_get_property_reply_t>& reply)
{
    if (!reply || reply->format != 8 || reply->type == XCB_NONE)
        return std::nullopt;
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

std::vector<xcb_window_t> rootChildren(xcb_connection_t* connection, xcb_window_t root)
{
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
}

X11Window readWindow(const XcbConnection& x, xcb_window_t id, PendingWindow& pending)
{
    xcb_connection_t* c = x.get();
    const Atoms& atoms = x.atoms();
    X11Window window;
    window.id = id;
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, pending.attributes, nullptr));
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, pending.geometry, nullptr));
    XcbReply<xcb_translate_coordinates_reply_t> position(
        xcb_translate_coordinates_reply(c, pending.position, nullptr));
    const auto pid = cardinals(propertyReply(c, pending.pid));
    const auto wmClass = bytes(propertyReply(c, pending.wmClass));
    const auto netName = bytes(propertyReply(c, pending.netName));
    const auto name = bytes(propertyReply(c, pending.name));
    const auto types = cardinals(propertyReply(c, pending.type));
    const auto states = cardinals(propertyReply(c, pending.state));

    if (attributes) {
        window.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        window.overrideRedirect = attributes->override_redirect != 0;
    }
    if (geometry && position)
        window.bounds = QRect(position->dst_x, position->dst_y, geometry->width, geometry->height);
    // The client's word first; else what the server knows of a local client.
    const auto serverPid = clientPid(x, pending);
    if (!pid.empty())
        window.pid = pid.front();
    else
        window.pid = serverPid;
    if (wmClass) {
        // Two NUL-terminated strings: instance, then class.
        const QList<QByteArray> parts = wmClass->split('\0');
        if (parts.size() >= 2 && !parts[1].isEmpty()) {
            window.className = QString::fromLocal8Bit(parts[1]);
            window.appName = window.className;
        } else if (!parts.isEmpty() && !parts[0].isEmpty())
            window.appName = QString::fromLocal8Bit(parts[0]);
    }
    if (netName)
        window.title = QString::fromUtf8(*netName);
    else if (name)
        window.title = QString::fromLatin1(*name);
    const bool normalType =
        types.empty() || std::any_of(types.begin(), types.end(), [&](std::uint32_t type) {
            return type == atoms.netWmWindowTypeNormal || type == atoms.netWmWindowTypeDialog;
        });
    // The first type the window knows decides; later ones are fallbacks.
    const bool firstIsNormal = types.empty() || types.front() == atoms.netWmWindowTypeNormal ||
                               types.front() == atoms.netWmWindowTypeDialog;
    const bool hidden =
        std::find(states.begin(), states.end(), atoms.netWmStateHidden) != states.end();
    window.ordinary = attributes && !window.overrideRedirect && window.viewable && normalType &&
                      firstIsNormal && !hidden;
    return window;
}

} // namespace

std::optional<std::vector<X11Window>> listApplicationWindows(const XcbConnection& x)
{
    xcb_connection_t* c = x.get();
    const Atoms& atoms = x.atoms();
    XcbReply<xcb_get_property_reply_t> stacking(xcb_get_property_reply(
        c,
        xcb_get_property(c, 0, x.root(), atoms.netClientListStacking, XCB_ATOM_WINDOW, 0, 1u << 16),
        nullptr));
    std::vector<xcb_window_t> ids;
    if (stacking && stacking->type == XCB_ATOM_WINDOW) {
        ids = cardinals(stacking);
    } else {
        if (x.broken())
            return std::nullopt;
        // No window manager: the root's children are the application windows.
        ids = rootChildren(c, x.root());
    }
    std::reverse(ids.begin(), ids.end()); // bottom-to-top lists become front to back

    std::vector<PendingWindow> pending;
    pending.reserve(ids.size());
    for (xcb_window_t id : ids) {
        PendingWindow& next = pending.emplace_back();
        next.attributes = xcb_get_window_attributes(c, id);
        next.geometry = xcb_get_geometry(c, id);
        next.position = xcb_translate_coordinates(c, id, x.root(), 0, 0);
        next.pid = xcb_get_property(c, 0, id, atoms.netWmPid, XCB_ATOM_CARDINAL, 0, 1);
        next.wmClass = xcb_get_property(c, 0, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 1024);
        next.netName = xcb_get_property(c, 0, id, atoms.netWmName, atoms.utf8String, 0, 4096);
        next.name =
            xcb_get_property(c, 0, id, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096);
        next.type = xcb_get_property(c, 0, id, atoms.netWmWindowType, XCB_ATOM_ATOM, 0, 64);
        next.state = xcb_get_property(c, 0, id, atoms.netWmState, XCB_ATOM_ATOM, 0, 64);
#ifdef KINETTA_HAVE_XRES
        if (x.hasClientIds()) {
            const xcb_res_client_id_spec_t spec{id, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            next.client = xcb_res_query_client_ids(c, 1, &spec);
        }
#endif
    }
    std::vector<X11Window> windows;
    windows.reserve(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        X11Window window = readWindow(x, ids[i], pending[i]);
        // A window that vanished while we asked has no attributes: leave it out.
        if (window.bounds || window.viewable)
            windows.push_back(std::move(window));
    }
    if (x.broken())
        return std::nullopt;
    return windows;
}

std::vector<TopLevelWindow> windowsOfProcess(const XcbConnection& x, std::int64_t pid)
{
    // Runs whenever windows move while a display is recorded, so every step
    // sends all of its requests before reading any answer.
    xcb_connection_t* c = x.get();
    const xcb_atom_t pidAtom = x.atoms().netWmPid;
    const std::vector<xcb_window_t> tops = rootChildren(c, x.root());
    struct Top {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_get_property_cookie_t pid;
        xcb_query_tree_cookie_t children;
    };
    std::vector<Top> pending;
    pending.reserve(tops.size());
    for (xcb_window_t top : tops)
        pending.push_back({xcb_get_window_attributes(c, top), xcb_get_geometry(c, top),
                           xcb_get_property(c, 0, top, pidAtom, XCB_ATOM_CARDINAL, 0, 1),
                           xcb_query_tree(c, top)});
    struct Candidate {
        xcb_window_t id;
        QRect rect;
        std::optional<std::int64_t> owner;
        std::vector<xcb_get_property_cookie_t> childPids;
    };
    std::vector<Candidate> candidates;
    for (std::size_t index = 0; index < pending.size(); ++index) {
        Top& top = pending[index];
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, top.attributes, nullptr));
        XcbReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, top.geometry, nullptr));
        const auto owner = cardinals(propertyReply(c, top.pid));
        XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, top.children, nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE || !geometry)
            continue;
        Candidate candidate;
        candidate.id = tops[index];
        candidate.rect =
            QRect(geometry->x, geometry->y, geometry->width + 2 * geometry->border_width,
                  geometry->height + 2 * geometry->border_width);
        if (!owner.empty()) {
            candidate.owner = owner.front();
        } else if (tree) {
            // A window manager's frame: the client is one level down.
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
                candidate.childPids.push_back(
                    xcb_get_property(c, 0, children[i], pidAtom, XCB_ATOM_CARDINAL, 0, 1));
        }
        candidates.push_back(std::move(candidate));
    }
    std::vector<TopLevelWindow> windows;
    for (Candidate& candidate : candidates) {
        for (xcb_get_property_cookie_t cookie : candidate.childPids) {
            const auto owner = cardinals(propertyReply(c, cookie));
            if (!candidate.owner && !owner.empty())
                candidate.owner = owner.front();
        }
        if (candidate.owner == pid)
            windows.push_back({candidate.id, candidate.rect});
    }
    return windows;
}

std::optional<QRect> windowRootBounds(const XcbConnection& x, xcb_window_t window)
{
    xcb_connection_t* c = x.get();
    auto geometryCookie = xcb_get_geometry(c, window);
    auto positionCookie = xcb_translate_coordinates(c, window, x.root(), 0, 0);
    XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, nullptr));
    XcbReply<xcb_translate_coordinates_reply_t> position(
        xcb_translate_coordinates_reply(c, positionCookie, nullptr));
    if (!geometry || !position)
        return std::nullopt;
    return QRect(position->dst_x, position->dst_y, geometry->width, geometry->height);
}

} // namespace kinetta::x11
