#pragma once

#include <QKeySequence>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QMenu;

namespace kinetta
{

// What an entry of the tray icon's context menu asks the shell to do.
enum class TrayAction {
    cancelCountdown,
    stopRecording,
    discardRecording,
    recordAgain,
    recordScreen,
    recordWindow,
    recordArea,
    resetScreenPermission,
    resetHotKeyPermission,
    reportIssue,
    quit
};

// The state the menu reflects, read at the moment it opens.
struct TrayMenuState {
    enum class Phase { idle, countingDown, recording };
    Phase phase = Phase::idle;
    bool hasCapturedFrames = false;
};

struct TrayMenuEntry {
    QString text;                     // empty for a separator
    std::optional<TrayAction> action; // none: the disabled version line, or a separator
    bool enabled = true;
    QKeySequence shortcut;
    [[nodiscard]] bool isSeparator() const { return text.isEmpty(); }
    friend bool operator==(const TrayMenuEntry&, const TrayMenuEntry&) = default;
};

// The menu's entries in order for state: the recording entries the state
// allows, the permission and report entries, the version line and Quit.
[[nodiscard]] std::vector<TrayMenuEntry> trayMenuEntries(const TrayMenuState& state,
                                                         const QString& versionLine);
// Clears menu and fills it with entries; a triggered entry calls onAction with its action.
void fillTrayMenu(QMenu& menu, const std::vector<TrayMenuEntry>& entries,
                  std::function<void(TrayAction)> onAction);

} // namespace kinetta
