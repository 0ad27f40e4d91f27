#pragma once

#include "capture/KeyObserver.h"
#include "capture/x11/XcbConnection.h"

#include <QSocketNotifier>
#include <memory>

namespace kinetta::x11
{

// XInput2 raw key events from the root window of a connection of its own.
// Raw events are observed, never grabbed: the focused program still gets every
// key. The connection's socket is watched by a notifier on the thread that
// started the observer (the main thread), so handlers run there; reading the
// events costs no round trip to the server.
class X11KeyObserver final : public KeyObserver
{
public:
    // displayName empty: $DISPLAY.
    explicit X11KeyObserver(std::string displayName = {});
    ~X11KeyObserver() override;

    [[nodiscard]] Status<QString> start(Handlers handlers) override;
    [[nodiscard]] bool isRunning() const override;

private:
    [[nodiscard]] Status<QString> selectRawKeys();
    [[nodiscard]] KeyboardMap readKeyboardMap(bool withCapsLock) const;
    void readEvents();

    std::string m_displayName;
    std::unique_ptr<XcbConnection> m_connection;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::uint8_t m_xinputOpcode = 0;
    Handlers m_handlers;
};

} // namespace kinetta::x11
