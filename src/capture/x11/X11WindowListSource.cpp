#include "capture/x11/X11WindowListSource.h"

#include "capture/x11/X11Windows.h"
#include "capture/x11/XcbConnection.h"

#include <QSocketNotifier>

namespace kinetta::x11
{
namespace
{

// The list is unavailable while the display cannot be reached; it says no more.
std::unique_ptr<XcbConnection> openOrNull(const std::string& displayName)
{
    auto opened = XcbConnection::open(displayName);
    return opened.ok() ? std::move(opened).value() : nullptr;
}

} // namespace

X11WindowListSource::X11WindowListSource(std::string displayName)
    : m_displayName(std::move(displayName))
{
}

X11WindowListSource::~X11WindowListSource() = default;

std::optional<std::vector<WindowListEntry>> X11WindowListSource::listWindows()
{
    if (!m_connection || m_connection->broken())
        m_connection = openOrNull(m_displayName);
    if (!m_connection)
        return std::nullopt;
    auto windows = listApplicationWindows(*m_connection);
    if (!windows)
        return std::nullopt;
    std::vector<WindowListEntry> entries;
    entries.reserve(windows->size());
    for (const X11Window& window : *windows) {
        WindowListEntry entry;
        entry.windowID = window.id;
        entry.pid = window.pid;
        entry.ordinary = window.ordinary;
        if (window.bounds)
            entry.bounds = QRectF(*window.bounds);
        entry.appName = window.appName;
        entry.className = window.className;
        entry.title = window.title;
        entries.push_back(std::move(entry));
    }
    return entries;
}

void X11WindowListSource::setChangeHandler(std::function<void()> handler)
{
    m_handler = std::move(handler);
    if (!m_handler) {
        m_notifier.reset();
        m_watch.reset();
        return;
    }
    if (m_watch)
        return;
    m_watch = openOrNull(m_displayName);
    if (!m_watch)
        return;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_watch->get(), m_watch->root(), XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_watch->get());
    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_watch->get()),
                                                   QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readChanges(); });
}

void X11WindowListSource::readChanges()
{
    bool changed = false;
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_watch->get())}) {
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
        if (property->atom == m_watch->atoms().netClientList)
            changed = true;
    }
    if (m_watch->broken()) {
        // The display is gone; stop watching rather than spin on a dead socket.
        m_notifier->setEnabled(false);
        return;
    }
    if (changed && m_handler)
        m_handler();
}

} // namespace kinetta::x11
