#pragma once

#include "app/GlobalKeyMatcher.h"
#include "app/GlobalKeyService.h"
#include "capture/KeyObserver.h"

#include <QString>
#include <functional>
#include <memory>

namespace kinetta
{

class FlowPort;
class RecordingFlow;

// The hotkey Ctrl+Shift+G and the countdown's Escape, pressed in any other
// program, on one key observer. Keys pressed while one of Kinetta's own
// windows has the focus reach that window through Qt and are left alone here.
// Main thread only.
class GlobalKeys final : public GlobalKeyService
{
public:
    using ObserverFactory = std::function<std::unique_ptr<KeyObserver>()>;
    using FocusQuery = std::function<bool()>;

    // ownWindowFocused: whether one of Kinetta's windows has the focus; by
    // default QGuiApplication::focusWindow().
    GlobalKeys(RecordingFlow& flow, FlowPort& port,
               ObserverFactory createObserver = createKeyObserver,
               FocusQuery ownWindowFocused = {});
    ~GlobalKeys() override;
    GlobalKeys(const GlobalKeys&) = delete;
    GlobalKeys& operator=(const GlobalKeys&) = delete;

    // Installs the observer (at launch); same as reinstall().
    bool install() { return reinstall(); }
    [[nodiscard]] bool isTrusted() const override;
    bool reinstall() override;
    // Stops observing, for good (the program's end).
    void remove() { m_observer.reset(); }
    // Why the observer is not installed; empty when it is.
    [[nodiscard]] QString untrustedReason() const { return m_untrustedReason; }

    // The FlowPort's Escape monitor hooks: while installed, Escape reaches
    // RecordingFlow::cancelCountdown().
    void installEscapeMonitor() { m_escapeMonitorInstalled = true; }
    void removeEscapeMonitor() { m_escapeMonitorInstalled = false; }
    [[nodiscard]] bool isEscapeMonitorInstalled() const { return m_escapeMonitorInstalled; }

    // What Ctrl+Shift+G does (also asked for from outside, `kinetta --toggle`):
    // starts a recording, or stops the one running.
    void hotkeyPressed();

private:
    void keyEvent(const KeyEvent& event);

    RecordingFlow& m_flow;
    FlowPort& m_port;
    ObserverFactory m_createObserver;
    FocusQuery m_ownWindowFocused;
    std::unique_ptr<KeyObserver> m_observer;
    GlobalKeyMatcher m_matcher;
    QString m_untrustedReason;
    bool m_escapeMonitorInstalled = false;
};

} // namespace kinetta
