#include "capture/x11/X11KeyObserver.h"

#include "capture/CaptureLogging.h"

#include <xcb/xinput.h>

namespace kinetta::x11
{
namespace
{

// Raw events arrive as XGE events carrying the extension's opcode.
constexpr std::uint8_t genericEvent = XCB_GE_GENERIC;
constexpr std::uint8_t mappingNotify = XCB_MAPPING_NOTIFY;

} // namespace

X11KeyObserver::X11KeyObserver(std::string displayName) : m_displayName(std::move(displayName)) {}

X11KeyObserver::~X11KeyObserver() = default;

Status<QString> X11KeyObserver::start(Handlers handlers)
{
    m_notifier.reset();
    auto opened = XcbConnection::open(m_displayName);
    if (!opened)
        return Failure{opened.message()};
    m_connection = std::move(opened).value();
    if (auto selected = selectRawKeys(); !selected) {
        m_connection.reset();
        return selected;
    }
    m_handlers = std::move(handlers);
    if (m_handlers.keyboardMap)
        m_handlers.keyboardMap(readKeyboardMap(true));
    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection->get()),
                                                   QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { readEvents(); });
    // Events read while the mapping was fetched wait in xcb's queue, not the socket.
    readEvents();
    return {};
}

bool X11KeyObserver::isRunning() const
{
    return m_notifier && m_connection && !m_connection->broken();
}

Status<QString> X11KeyObserver::selectRawKeys()
{
    xcb_connection_t* c = m_connection->get();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_input_id);
    if (!extension || !extension->present)
        return Failure{QStringLiteral("The X server has no XInput extension, so keys pressed in "
                                      "other programs cannot be seen.")};
    m_xinputOpcode = extension->major_opcode;
    XcbReply<xcb_input_xi_query_version_reply_t> version(
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 1), nullptr));
    // Raw events reach every client that asks only from XInput 2.1 on.
    if (!version || version->major_version < 2 ||
        (version->major_version == 2 && version->minor_version < 1))
        return Failure{QStringLiteral("The X server's XInput is older than 2.1, so keys pressed "
                                      "in other programs cannot be seen.")};
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
    XcbReply<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_input_xi_select_events_checked(c, m_connection->root(), 1, &selection.head)));
    if (error)
        return Failure{QStringLiteral("The X server refused raw key events (error %1).")
                           .arg(error->error_code)};
    return {};
}

KeyboardMap X11KeyObserver::readKeyboardMap(bool withCapsLock) const
{
    xcb_connection_t* c = m_connection->get();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto first = setup->min_keycode;
    const auto count = std::uint8_t(setup->max_keycode - first + 1);
    auto mappingCookie = xcb_get_keyboard_mapping(c, first, count);
    XcbReply<xcb_get_keyboard_mapping_reply_t> mapping(
        xcb_get_keyboard_mapping_reply(c, mappingCookie, nullptr));
    KeyboardMap map;
    if (withCapsLock) {
        // Caps Lock is a lock: its state shows in the core modifier mask.
        XcbReply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(c, xcb_query_pointer(c, m_connection->root()), nullptr));
        map.capsLockOn = pointer && (pointer->mask & XCB_MOD_MASK_LOCK) != 0;
    }
    if (!mapping)
        return map;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKeycode = mapping->keysyms_per_keycode;
    for (int key = 0; key < count; ++key) {
        std::vector<std::uint32_t> symbols;
        for (int column = 0; column < perKeycode; ++column)
            if (const xcb_keysym_t symbol = keysyms[key * perKeycode + column]; symbol != 0)
                symbols.push_back(symbol);
        if (!symbols.empty())
            map.keysyms.emplace(std::uint32_t(first + key), std::move(symbols));
    }
    return map;
}

void X11KeyObserver::readEvents()
{
    xcb_connection_t* c = m_connection->get();
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == mappingNotify) {
            const auto* notify = reinterpret_cast<xcb_mapping_notify_event_t*>(event.get());
            if (notify->request != XCB_MAPPING_POINTER && m_handlers.keyboardMap)
                m_handlers.keyboardMap(readKeyboardMap(false));
            continue;
        }
        if (type != genericEvent)
            continue;
        const auto* generic = reinterpret_cast<xcb_ge_generic_event_t*>(event.get());
        if (generic->extension != m_xinputOpcode ||
            (generic->event_type != XCB_INPUT_RAW_KEY_PRESS &&
             generic->event_type != XCB_INPUT_RAW_KEY_RELEASE))
            continue;
        const auto* raw = reinterpret_cast<xcb_input_raw_key_press_event_t*>(event.get());
        if (m_handlers.key)
            m_handlers.key(KeyEvent{raw->detail, generic->event_type == XCB_INPUT_RAW_KEY_PRESS,
                                    (raw->flags & XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT) != 0});
    }
    if (m_connection->broken()) {
        qCWarning(lcCapture) << "The key observer's X connection broke; global keys stop.";
        m_notifier->setEnabled(false);
    }
}

} // namespace kinetta::x11
