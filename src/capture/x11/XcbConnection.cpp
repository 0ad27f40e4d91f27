#include "capture/x11/XcbConnection.h"

#include <array>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/composite.h>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xfixes.h>
#ifdef KINETTA_HAVE_XRES
#include <xcb/res.h>
#endif

namespace kinetta::x11
{

Result<std::unique_ptr<XcbConnection>, QString> XcbConnection::open(const std::string& displayName)
{
    int screenNumber = 0;
    xcb_connection_t* connection =
        xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        const QString name = displayName.empty() ? QString::fromLocal8Bit(qgetenv("DISPLAY"))
                                                 : QString::fromStdString(displayName);
        return Failure{name.isEmpty() ? QStringLiteral("No X display is set (DISPLAY is empty).")
                                      : QStringLiteral("Cannot open the X display %1.").arg(name)};
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0 || !screens.data) {
        xcb_disconnect(connection);
        return Failure{QStringLiteral("The X display has no screen.")};
    }
    std::unique_ptr<XcbConnection> result(new XcbConnection(connection, screens.data));
    result->queryExtensions();
    result->internAtoms();
    return result;
}

XcbConnection::XcbConnection(xcb_connection_t* connection, xcb_screen_t* screen)
    : m_connection(connection), m_screen(screen)
{
}

XcbConnection::~XcbConnection()
{
    xcb_disconnect(m_connection);
}

void XcbConnection::queryExtensions()
{
    // Send every version query first so that the answers come back in one trip.
    auto shm = xcb_shm_query_version(m_connection);
    auto fixes = xcb_xfixes_query_version(m_connection, 4, 0);
    auto composite = xcb_composite_query_version(m_connection, 0, 2);
    auto randr = xcb_randr_query_version(m_connection, 1, 5);
    XcbReply<xcb_shm_query_version_reply_t> shmReply(
        xcb_shm_query_version_reply(m_connection, shm, nullptr));
    XcbReply<xcb_xfixes_query_version_reply_t> fixesReply(
        xcb_xfixes_query_version_reply(m_connection, fixes, nullptr));
    XcbReply<xcb_composite_query_version_reply_t> compositeReply(
        xcb_composite_query_version_reply(m_connection, composite, nullptr));
    XcbReply<xcb_randr_query_version_reply_t> randrReply(
        xcb_randr_query_version_reply(m_connection, randr, nullptr));
    m_hasShm = shmReply != nullptr && qgetenv("KINETTA_X11_NO_SHM") != "1";
    m_hasXfixes = fixesReply && fixesReply->major_version >= 1;
    m_hasComposite =
        compositeReply && (compositeReply->major_version > 0 || compositeReply->minor_version >= 2);
    m_hasRandr = randrReply && randrReply->major_version == 1 && randrReply->minor_version >= 5;
#ifdef KINETTA_HAVE_XRES
    XcbReply<xcb_res_query_version_reply_t> resReply(xcb_res_query_version_reply(
        m_connection, xcb_res_query_version(m_connection, 1, 2), nullptr));
    m_hasClientIds = resReply && (resReply->server_major > 1 ||
                                  (resReply->server_major == 1 && resReply->server_minor >= 2));
#endif
}

void XcbConnection::internAtoms()
{
    static constexpr std::array<const char*, 13> kNames = {"_NET_CLIENT_LIST",
                                                           "_NET_CLIENT_LIST_STACKING",
                                                           "_NET_WM_NAME",
                                                           "_NET_WM_PID",
                                                           "_NET_WM_WINDOW_TYPE",
                                                           "_NET_WM_WINDOW_TYPE_NORMAL",
                                                           "_NET_WM_WINDOW_TYPE_DIALOG",
                                                           "_NET_WM_STATE",
                                                           "_NET_WM_STATE_HIDDEN",
                                                           "UTF8_STRING",
                                                           "WM_STATE",
                                                           "_XROOTPMAP_ID",
                                                           "_NET_WM_ICON"};
    std::array<xcb_intern_atom_cookie_t, kNames.size()> cookies{};
    for (std::size_t i = 0; i < kNames.size(); ++i)
        cookies[i] = xcb_intern_atom(m_connection, 0,
                                     static_cast<std::uint16_t>(std::strlen(kNames[i])), kNames[i]);
    std::array<xcb_atom_t*, kNames.size()> targets = {&m_atoms.netClientList,
                                                      &m_atoms.netClientListStacking,
                                                      &m_atoms.netWmName,
                                                      &m_atoms.netWmPid,
                                                      &m_atoms.netWmWindowType,
                                                      &m_atoms.netWmWindowTypeNormal,
                                                      &m_atoms.netWmWindowTypeDialog,
                                                      &m_atoms.netWmState,
                                                      &m_atoms.netWmStateHidden,
                                                      &m_atoms.utf8String,
                                                      &m_atoms.wmState,
                                                      &m_atoms.rootPixmap,
                                                      &m_atoms.netWmIcon};
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        XcbReply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(m_connection, cookies[i], nullptr));
        if (reply)
            *targets[i] = reply->atom;
    }
}

std::unique_ptr<ShmSegment> ShmSegment::create(xcb_connection_t* connection, std::size_t bytes)
{
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return nullptr;
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return nullptr;
    }
    const std::uint32_t segment = xcb_generate_id(connection);
    XcbReply<xcb_generic_error_t> error(
        xcb_request_check(connection, xcb_shm_attach_checked(connection, segment, id, 0)));
    // Once the server holds it, marking it removed frees it when both detach,
    // even if this process dies.
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        shmdt(address);
        return nullptr;
    }
    return std::unique_ptr<ShmSegment>(
        new ShmSegment(connection, segment, static_cast<std::uint8_t*>(address), bytes));
}

ShmSegment::~ShmSegment()
{
    if (m_connection) {
        xcb_shm_detach(m_connection, m_segment);
        xcb_flush(m_connection);
    }
    shmdt(m_data);
}

std::vector<std::uint32_t> readCardinals(xcb_connection_t* connection, xcb_window_t window,
                                         xcb_atom_t property, xcb_atom_t type)
{
    if (property == XCB_NONE)
        return {};
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, 1u << 20), nullptr));
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return {values, values + count};
}

} // namespace kinetta::x11
