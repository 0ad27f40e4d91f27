#pragma once

#include "app/PermissionTexts.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class QWidget;

namespace kinetta
{

class HotKeyArming;

// What the permissions service does to the world, apart so that tests
// neither relaunch, quit nor open a browser.
struct PermissionsActions {
    // Asks the question; answered(true) when the accepting button was
    // pressed. Must not block: answer later, on the main thread.
    std::function<void(const Confirmation&, std::function<void(bool accepted)> answered)> confirm;
    // Starts program detached; false when it could not be started. Runs on a
    // worker thread.
    std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
    // Opens the address in the desktop's browser. Main thread.
    std::function<void(const QUrl&)> openUrl;
    // Ends the program. Main thread.
    std::function<void()> quit;
    // Frees what the relaunched process must take over (the single instance's
    // name), so that it does not hand its start to this quitting one. Main
    // thread, just before the start; may be empty.
    std::function<void()> beforeRelaunch;
    // Forgets the screen-sharing choice the desktop portal let Kinetta keep,
    // so that the next recording asks again. Empty where capture asks for
    // no consent (X11). Main thread.
    std::function<void()> forgetScreenConsent;
};

// The real ones: message boxes over dialogParent, QProcess::startDetached,
// QDesktopServices::openUrl and QCoreApplication::quit; nothing before a
// relaunch; the capture platform's own forgetting of the screen consent.
[[nodiscard]] PermissionsActions desktopPermissionsActions(QWidget* dialogParent = nullptr);

// Resetting permissions, relaunching and reporting an issue, as the tray's
// menu and the control panel's hotkey banner ask for them. On Linux a reset
// clears what Kinetta itself holds for that permission: for the hotkey, the
// key observer, installed afresh; for screen capture through the desktop
// portal, the remembered screen-sharing choice; on X11, the X
// connection, made afresh by a relaunch. Main thread.
class PermissionsService final : public QObject
{
    Q_OBJECT

public:
    // version: the "version" item of the issue report; hotKeyQuestion: what
    // the hotkey reset asks (the desktop portal's shortcut on Wayland).
    PermissionsService(HotKeyArming& hotKey, PermissionsActions actions, QString version,
                       QObject* parent = nullptr,
                       Confirmation hotKeyQuestion = hotKeyResetConfirmation());

    // Menu: confirm, forget the screen consent where Kinetta keeps one, then
    // relaunch.
    void resetScreenPermission();
    // Menu: confirm, then resetHotKeyPermission().
    void resetHotKeyFromMenu();
    // The control panel's repair, without a question: installs the key
    // observer afresh. Returns whether it is trusted now.
    bool resetHotKeyPermission();
    // Frees what the new process takes over (beforeRelaunch), starts this
    // program again with its arguments (off the GUI thread), then quits,
    // whether or not the start worked.
    void relaunch();
    // Opens the issue page with app, version and os; the os is read off the
    // GUI thread.
    void openReportUrl();

Q_SIGNALS:
    // After every hotkey reset, with whether the observer works now.
    void hotKeyReset(bool trusted);

private:
    HotKeyArming& m_hotKey;
    PermissionsActions m_actions;
    QString m_version;
    Confirmation m_hotKeyQuestion;
};

} // namespace kinetta
