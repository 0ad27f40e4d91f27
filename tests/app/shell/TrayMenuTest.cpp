#include "app/shell/TrayMenu.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

using namespace kinetta;

namespace
{

using Phase = TrayMenuState::Phase;
const QString version = QStringLiteral("Kinetta 0.1.0 (?)");

// The entries as one line each: "-" for a separator, "(text)" for a disabled one.
QStringList outline(const std::vector<TrayMenuEntry>& entries)
{
    QStringList lines;
    for (const TrayMenuEntry& entry : entries)
        lines << (entry.isSeparator() ? QStringLiteral("-")
                  : entry.enabled     ? entry.text
                                      : QLatin1Char('(') + entry.text + QLatin1Char(')'));
    return lines;
}

QStringList fixedTail()
{
    return {QStringLiteral("Reset Screen Recording Permission…"),
            QStringLiteral("Reset Accessibility Permission (Hotkey)…"),
            QStringLiteral("Report an Issue…"),
            QStringLiteral("-"),
            QStringLiteral("(Kinetta 0.1.0 (?))"),
            QStringLiteral("Quit Kinetta")};
}

} // namespace

TEST(TrayMenu, FirstGroupFollowsTheRecordingState)
{
    const QStringList idle = {QStringLiteral("Record Screen"), QStringLiteral("Record Window…"),
                              QStringLiteral("Record Area…"), QStringLiteral("-")};
    EXPECT_EQ(outline(trayMenuEntries({Phase::idle, false}, version)), idle + fixedTail());
    EXPECT_EQ(outline(trayMenuEntries({Phase::idle, true}, version)),
              QStringList({QStringLiteral("Record Again"), QStringLiteral("-")}) + idle +
                  fixedTail());
    // Frames left from an earlier recording do not add "Record Again" outside idle.
    EXPECT_EQ(outline(trayMenuEntries({Phase::countingDown, true}, version)),
              QStringList({QStringLiteral("Cancel Countdown"), QStringLiteral("-")}) + fixedTail());
    EXPECT_EQ(outline(trayMenuEntries({Phase::recording, true}, version)),
              QStringList({QStringLiteral("Stop Recording"), QStringLiteral("Discard Recording"),
                           QStringLiteral("-")}) +
                  fixedTail());
}

TEST(TrayMenu, EntriesCarryTheirActionsAndOnlyQuitHasAKey)
{
    const auto entries = trayMenuEntries({Phase::idle, true}, version);
    std::vector<TrayAction> actions;
    for (const TrayMenuEntry& entry : entries) {
        if (entry.action)
            actions.push_back(*entry.action);
        if (entry.text != QStringLiteral("Quit Kinetta")) {
            EXPECT_TRUE(entry.shortcut.isEmpty()) << entry.text.toStdString();
        }
    }
    EXPECT_EQ(actions,
              (std::vector{TrayAction::recordAgain, TrayAction::recordScreen,
                           TrayAction::recordWindow, TrayAction::recordArea,
                           TrayAction::resetScreenPermission, TrayAction::resetHotKeyPermission,
                           TrayAction::reportIssue, TrayAction::quit}));
    EXPECT_EQ(entries.back().shortcut, QKeySequence(QStringLiteral("Ctrl+Q")));
    const auto recording = trayMenuEntries({Phase::recording, false}, version);
    EXPECT_EQ(recording[0].action, TrayAction::stopRecording);
    EXPECT_EQ(recording[1].action, TrayAction::discardRecording);
    EXPECT_EQ(trayMenuEntries({Phase::countingDown, false}, version)[0].action,
              TrayAction::cancelCountdown);
}

TEST(TrayMenu, FilledMenuTriggersActionsAndIsRebuiltAtEachFilling)
{
    QMenu menu;
    std::vector<TrayAction> triggered;
    const auto onAction = [&triggered](TrayAction action) { triggered.push_back(action); };
    fillTrayMenu(menu, trayMenuEntries({Phase::idle, false}, version), onAction);
    fillTrayMenu(menu, trayMenuEntries({Phase::recording, false}, version), onAction);

    const QList<QAction*> actions = menu.actions();
    const auto expected = trayMenuEntries({Phase::recording, false}, version);
    ASSERT_EQ(actions.size(), qsizetype(expected.size()));
    for (qsizetype i = 0; i < actions.size(); ++i) {
        SCOPED_TRACE(expected[size_t(i)].text.toStdString());
        EXPECT_EQ(actions[i]->isSeparator(), expected[size_t(i)].isSeparator());
        EXPECT_EQ(actions[i]->text(), expected[size_t(i)].text);
        EXPECT_EQ(actions[i]->isEnabled(), expected[size_t(i)].enabled);
    }
    EXPECT_EQ(actions.last()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_TRUE(actions.last()->isShortcutVisibleInContextMenu());

    for (QAction* action : actions)
        action->trigger();
    // Each entry reports once: the first filling's entries are gone, the
    // version line reports nothing.
    EXPECT_EQ(triggered,
              (std::vector{TrayAction::stopRecording, TrayAction::discardRecording,
                           TrayAction::resetScreenPermission, TrayAction::resetHotKeyPermission,
                           TrayAction::reportIssue, TrayAction::quit}));
}
