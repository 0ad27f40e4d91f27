#include "app/GlobalKeys.h"

#include "app/FlowPort.h"
#include "app/RecordingFlow.h"

#include <QGuiApplication>
#include <QLoggingCategory>

namespace kinetta
{

Q_LOGGING_CATEGORY(lcGlobalKeys, "kinetta.keys")

GlobalKeys::GlobalKeys(RecordingFlow& flow, FlowPort& port, ObserverFactory createObserver,
                       FocusQuery ownWindowFocused)
    : m_flow(flow), m_port(port), m_createObserver(std::move(createObserver)),
      m_ownWindowFocused(std::move(ownWindowFocused))
{
    if (!m_ownWindowFocused)
        m_ownWindowFocused = [] { return QGuiApplication::focusWindow() != nullptr; };
}

GlobalKeys::~GlobalKeys() = default;

bool GlobalKeys::isTrusted() const
{
    return m_observer && m_observer->isRunning();
}

bool GlobalKeys::reinstall()
{
    // At most one observer at a time: the old one goes before the new one starts.
    m_observer.reset();
    m_observer = m_createObserver();
    KeyObserver::Handlers handlers{
        [this](const KeyEvent& event) { keyEvent(event); },
        [this](const KeyboardMap& map) { m_matcher.setKeyboardMap(map); },
    };
    if (const Status<QString> started = m_observer->start(std::move(handlers)); !started) {
        m_untrustedReason = started.message();
        m_observer.reset();
        qCInfo(lcGlobalKeys) << "Global keys are not observed:" << m_untrustedReason;
        return false;
    }
    m_untrustedReason.clear();
    return true;
}

void GlobalKeys::keyEvent(const KeyEvent& event)
{
    // The matcher sees every key, so that the held modifiers stay right.
    const GlobalKeyMatcher::Match match = m_matcher.handle(event);
    if (match == GlobalKeyMatcher::Match::none || m_ownWindowFocused())
        return;
    if (match == GlobalKeyMatcher::Match::hotkey)
        hotkeyPressed();
    else if (m_escapeMonitorInstalled)
        m_flow.cancelCountdown();
}

void GlobalKeys::hotkeyPressed()
{
    switch (m_flow.phase()) {
    case RecordingFlow::Phase::recording:
    case RecordingFlow::Phase::stopping:
        // While a stop waits for the recorder the flow's guard ignores this.
        m_flow.stopRecording();
        return;
    case RecordingFlow::Phase::countingDown:
        return;
    case RecordingFlow::Phase::idle:
    case RecordingFlow::Phase::starting:
        // The flow ignores a start unless idle.
        m_port.closeControlPanel();
        m_flow.initiateRecording();
        return;
    }
}

} // namespace kinetta
