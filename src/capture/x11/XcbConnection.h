#pragma once

#include "gif/Result.h"

#include <QString>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace kinetta::x11
{

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
// Replies and errors from xcb are malloc'ed and owned by the caller.
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

// Atoms the capture code reads, interned once per connection.
struct Atoms {
    xcb_atom_t netClientList = XCB_NONE;
    xcb_atom_t netClientListStacking = XCB_NONE;
    xcb_atom_t netWmName = XCB_NONE;
    xcb_atom_t netWmPid = XCB_NONE;
    xcb_atom_t netWmWindowType = XCB_NONE;
    xcb_atom_t netWmWindowTypeNormal = XCB_NONE;
    xcb_atom_t netWmWindowTypeDialog = XCB_NONE;
    xcb_atom_t netWmState = XCB_NONE;
    xcb_atom_t netWmStateHidden = XCB_NONE;
    xcb_atom_t utf8String = XCB_NONE;
    xcb_atom_t wmState = XCB_NONE;
    xcb_atom_t rootPixmap = XCB_NONE;
    xcb_atom_t netWmIcon = XCB_NONE;
};

// One connection to an X server with the extensions capture uses looked up.
// Not copyable; closes the connection when destroyed.
class XcbConnection final
{
public:
    // displayName empty: $DISPLAY.
    [[nodiscard]] static Result<std::unique_ptr<XcbConnection>, QString>
    open(const std::string& displayName);
    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    [[nodiscard]] xcb_connection_t* get() const { return m_connection; }
    [[nodiscard]] xcb_screen_t* screen() const { return m_screen; }
    [[nodiscard]] xcb_window_t root() const { return m_screen->root; }
    [[nodiscard]] const Atoms& atoms() const { return m_atoms; }
    [[nodiscard]] bool hasShm() const { return m_hasShm; }
    [[nodiscard]] bool hasXfixes() const { return m_hasXfixes; }
    [[nodiscard]] bool hasComposite() const { return m_hasComposite; }
    [[nodiscard]] bool hasRandr() const { return m_hasRandr; }
    // X-Resource 1.2: the process behind a window, for clients that do not say.
    [[nodiscard]] bool hasClientIds() const { return m_hasClientIds; }
    // The server went away or the connection broke.
    [[nodiscard]] bool broken() const { return xcb_connection_has_error(m_connection) != 0; }

private:
    XcbConnection(xcb_connection_t* connection, xcb_screen_t* screen);
    void queryExtensions();
    void internAtoms();

    xcb_connection_t* m_connection;
    xcb_screen_t* m_screen;
    Atoms m_atoms;
    bool m_hasShm = false;
    bool m_hasXfixes = false;
    bool m_hasComposite = false;
    bool m_hasRandr = false;
    bool m_hasClientIds = false;
};

// A System V shared-memory segment attached to the server, for fast image
// reads. Detached and removed when destroyed.
class ShmSegment final
{
public:
    [[nodiscard]] static std::unique_ptr<ShmSegment> create(xcb_connection_t* connection,
                                                            std::size_t bytes);
    ~ShmSegment();
    ShmSegment(const ShmSegment&) = delete;
    ShmSegment& operator=(const ShmSegment&) = delete;

    [[nodiscard]] std::uint32_t id() const { return m_segment; }
    [[nodiscard]] std::uint8_t* data() const { return m_data; }
    [[nodiscard]] std::size_t size() const { return m_size; }
    // The connection has gone (and the server detached with it): the
    // destructor only unmaps the memory.
    void abandon() { m_connection = nullptr; }

private:
    ShmSegment(xcb_connection_t* connection, std::uint32_t segment, std::uint8_t* data,
               std::size_t size)
        : m_connection(connection), m_segment(segment), m_data(data), m_size(size)
    {
    }
    xcb_connection_t* m_connection;
    std::uint32_t m_segment;
    std::uint8_t* m_data;
    std::size_t m_size;
};

// Reads a property as 32-bit values (window lists, pids, atoms).
[[nodiscard]] std::vector<std::uint32_t> readCardinals(xcb_connection_t* connection,
                                                       xcb_window_t window, xcb_atom_t property,
                                                       xcb_atom_t type);

} // namespace kinetta::x11
