#pragma once

#include "app/shell/desktop/DesktopWindows.h"
#include "app/shell/desktop/PrivateHome.h"
#include "app/shell/desktop/ProgramProcess.h"

#include <QImage>
#include <QPoint>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kinetta::testing
{
class TestClient;
class XvfbServer;
} // namespace kinetta::testing

namespace kinetta::test
{

class PrivateAccessibilityBus;

// What a tray-program test asks of its desktop.
struct TrayDesktopOptions {
    // The smallest common laptop screen: the panel, up to some 720 pixels
    // high with a window chosen, fits under the tray.
    QSize screen{1024, 768};
    // trayer as the tray host at the top right; without it the desktop has no tray.
    bool trayHost = true;
    // The accessibility bus runs and the program talks to it.
    bool accessibility = false;
    // Written to the program's settings file before it starts.
    QVariantMap settings;
};

// A desktop of the test's own on which a person uses the real `kinetta`:
// Xvfb on a free display number, openbox, trayer as the tray host, a private
// session bus, private XDG folders; xdotool as the person's hands, xclip
// reading the clipboard. Everything it starts ends with it.
class TrayDesktop final
{
public:
    explicit TrayDesktop(TrayDesktopOptions options = {});
    ~TrayDesktop();
    TrayDesktop(const TrayDesktop&) = delete;
    TrayDesktop& operator=(const TrayDesktop&) = delete;

    // Why the desktop could not be set up (a tool is missing, a server did not
    // start); empty when it is ready.
    [[nodiscard]] const std::string& unavailable() const { return m_unavailable; }
    [[nodiscard]] const std::string& display() const { return m_displayName; }
    [[nodiscard]] const PrivateHome& home() const { return m_home; }
    // The accessibility bus's address (with options.accessibility).
    [[nodiscard]] const QString& accessibilityAddress() const { return m_accessibilityAddress; }

    // Starts the tray program and waits for it to say that it is up.
    [[nodiscard]] bool launch();
    [[nodiscard]] ProgramProcess& program() { return m_program; }
    // Runs `kinetta arguments` while the first one runs, to its end; its exit code.
    [[nodiscard]] std::optional<int> runAgain(const QStringList& arguments);

    // The program's icons embedded in the tray.
    [[nodiscard]] std::vector<SeenWindow> trayIcons() { return m_windows->trayIconsOf(kProgram); }
    // Waits for the one icon of the program in the tray.
    [[nodiscard]] std::optional<SeenWindow> waitForTrayIcon();
    // Clicks the middle of the tray icon with a mouse button (1 left, 3 right).
    [[nodiscard]] bool clickTrayIcon(int button);
    // What the tray icon shows now; null when there is no icon.
    [[nodiscard]] QImage trayIconPicture();

    // The program's windows on screen (popovers, overlays, the picker, the
    // preview), outside the tray.
    [[nodiscard]] std::vector<SeenWindow> shownWindows()
    {
        return m_windows->shownWindowsOf(kProgram);
    }
    // Waits for a shown window of the program that matches.
    [[nodiscard]] std::optional<SeenWindow>
    waitForWindow(const std::function<bool(const SeenWindow&)>& matches);
    // Waits until no shown window of the program matches.
    [[nodiscard]] bool waitForNoWindow(const std::function<bool(const SeenWindow&)>& matches);
    [[nodiscard]] DesktopWindows& windows() { return *m_windows; }

    // Runs xdotool with these arguments on this desktop.
    [[nodiscard]] bool xdotool(const QStringList& arguments);
    [[nodiscard]] bool pressKeys(const QStringList& keys);
    [[nodiscard]] bool drag(QPoint from, QPoint to);

    // The clipboard's offered types, and the bytes of one of them.
    [[nodiscard]] QStringList clipboardTargets();
    [[nodiscard]] std::optional<QByteArray> clipboard(const QString& target);
    // Waits until the clipboard offers target.
    [[nodiscard]] bool waitForClipboardTarget(const QString& target);

    // Shows the quadrant test card in rect (not managed by the window manager).
    void showCard(const QRect& rect);
    // Starts another program on this desktop (ended with it).
    [[nodiscard]] bool startClient(const QString& program, const QStringList& arguments);

    static inline const QString kProgram = QStringLiteral("kinetta");

private:
    [[nodiscard]] QProcessEnvironment toolEnvironment() const;
    [[nodiscard]] QProcessEnvironment programEnvironment() const;
    [[nodiscard]] bool startTrayHost();
    [[nodiscard]] bool startAccessibilityBus();

    TrayDesktopOptions m_options;
    std::string m_unavailable;
    std::string m_displayName;
    PrivateHome m_home;
    std::unique_ptr<kinetta::testing::XvfbServer> m_server;
    std::unique_ptr<PrivateAccessibilityBus> m_bus;
    QString m_accessibilityAddress;
    std::unique_ptr<DesktopWindows> m_windows;
    std::unique_ptr<kinetta::testing::TestClient> m_client;
    ProgramProcess m_trayHost;
    ProgramProcess m_program;
    std::vector<std::unique_ptr<ProgramProcess>> m_clients;
};

} // namespace kinetta::test
