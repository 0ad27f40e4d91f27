#pragma once

#include "model/WindowListSource.h"

#include <memory>
#include <string>

class QSocketNotifier;

namespace kinetta::x11
{

class XcbConnection;

// The window list of an X11 display from the window manager's EWMH hints.
// Changes are noticed through the root window's client list, on the thread
// that set the change handler (which needs a running event loop).
class X11WindowListSource final : public WindowListSource
{
public:
    explicit X11WindowListSource(std::string displayName = {});
    ~X11WindowListSource() override;

    [[nodiscard]] std::optional<std::vector<WindowListEntry>> listWindows() override;
    void setChangeHandler(std::function<void()> handler) override;

private:
    void readChanges();

    std::string m_displayName;
    std::unique_ptr<XcbConnection> m_connection;
    std::unique_ptr<XcbConnection> m_watch;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_handler;
};

} // namespace kinetta::x11
