#include "app/shell/TrayMenu.h"

#include <QAction>
#include <QMenu>

namespace kinetta
{
namespace
{

TrayMenuEntry entry(const QString& text, TrayAction action)
{
    return {text, action, true, {}};
}

TrayMenuEntry separator()
{
    return {};
}

void appendRecordingEntries(std::vector<TrayMenuEntry>& entries, const TrayMenuState& state)
{
    switch (state.phase) {
    case TrayMenuState::Phase::countingDown:
        entries.push_back(entry(QStringLiteral("Cancel Countdown"), TrayAction::cancelCountdown));
        break;
    case TrayMenuState::Phase::recording:
        entries.push_back(entry(QStringLiteral("Stop Recording"), TrayAction::stopRecording));
        entries.push_back(entry(QStringLiteral("Discard Recording"), TrayAction::discardRecording));
        break;
    case TrayMenuState::Phase::idle:
        if (state.hasCapturedFrames) {
            entries.push_back(entry(QStringLiteral("Record Again"), TrayAction::recordAgain));
            entries.push_back(separator());
        }
        entries.push_back(entry(QStringLiteral("Record Screen"), TrayAction::recordScreen));
        entries.push_back(entry(QStringLiteral("Record Window…"), TrayAction::recordWindow));
        entries.push_back(entry(QStringLiteral("Record Area…"), TrayAction::recordArea));
        break;
    }
    entries.push_back(separator());
}

} // namespace

std::vector<TrayMenuEntry> trayMenuEntries(const TrayMenuState& state, const QString& versionLine)
{
    std::vector<TrayMenuEntry> entries;
    appendRecordingEntries(entries, state);
    entries.push_back(entry(QStringLiteral("Reset Screen Recording Permission…"),
                            TrayAction::resetScreenPermission));
    entries.push_back(entry(QStringLiteral("Reset Accessibility Permission (Hotkey)…"),
                            TrayAction::resetHotKeyPermission));
    entries.push_back(entry(QStringLiteral("Report an Issue…"), TrayAction::reportIssue));
    entries.push_back(separator());
    entries.push_back({versionLine, std::nullopt, false, {}});
    entries.push_back({QStringLiteral("Quit Kinetta"), TrayAction::quit, true,
                       QKeySequence(Qt::CTRL | Qt::Key_Q)});
    return entries;
}

void fillTrayMenu(QMenu& menu, const std::vector<TrayMenuEntry>& entries,
                  std::function<void(TrayAction)> onAction)
{
    menu.clear();
    for (const TrayMenuEntry& item : entries) {
        if (item.isSeparator()) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(item.text);
        action->setEnabled(item.enabled);
        if (!item.shortcut.isEmpty()) {
            action->setShortcut(item.shortcut);
            // Context menus hide shortcuts on some styles; Quit names its key.
            action->setShortcutVisibleInContextMenu(true);
        }
        if (item.action && onAction) {
            const TrayAction chosen = *item.action;
            QObject::connect(action, &QAction::triggered, &menu,
                             [onAction, chosen] { onAction(chosen); });
        }
    }
}

} // namespace kinetta
