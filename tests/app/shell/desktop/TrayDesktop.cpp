#include "app/shell/desktop/TrayDesktop.h"

#include "app/ProcessUntil.h"
#include "capture/TestClient.h"
#include "capture/XvfbServer.h"
#include "support/XdotoolDrag.h"
#include "ui/common/PrivateAccessibilityBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QStandardPaths>

namespace kinetta::test
{
namespace
{

// The lines the program writes to standard error once it is up.
const QString trayLine = QStringLiteral("kinetta: tray icon shown");
const QString noTrayLine =
    QStringLiteral("kinetta: no system tray; the control panel opens as a window");

// Settings a desktop session may carry that would change how Qt behaves
// (another theme, a portal, a real session's buses).
const char* const sessionVariables[] = {
    "DBUS_SESSION_BUS_ADDRESS", "XDG_CURRENT_DESKTOP",   "DESKTOP_SESSION",
    "QT_QPA_PLATFORMTHEME",     "WAYLAND_DISPLAY",       "XDG_SESSION_TYPE",
    "SESSION_MANAGER",          "QT_ACCESSIBILITY",      "QT_LINUX_ACCESSIBILITY_ALWAYS_ON",
    "AT_SPI_BUS_ADDRESS",       "KINETTA_REDUCE_MOTION", "QT_SCALE_FACTOR"};

} // namespace

TrayDesktop::TrayDesktop(TrayDesktopOptions options) : m_options(std::move(options))
{
    QStringList tools = {QStringLiteral("Xvfb"), QStringLiteral("openbox"),
                         QStringLiteral("xdotool"), QStringLiteral("xclip")};
    if (m_options.trayHost)
        tools << QStringLiteral("trayer");
    for (const QString& tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            m_unavailable = tool.toStdString() + " is not installed";
            return;
        }
    }
    if (!m_home.usable()) {
        m_unavailable = "no temporary folder for the private home";
        return;
    }
    m_server = std::make_unique<kinetta::testing::XvfbServer>(m_options.screen.width(),
                                                              m_options.screen.height());
    if (!m_server->running()) {
        m_unavailable = "Xvfb did not start";
        return;
    }
    m_displayName = m_server->display();
    if (!m_server->startWindowManager()) {
        m_unavailable = "openbox did not start";
        return;
    }
    m_windows = std::make_unique<DesktopWindows>(m_displayName);
    m_client = std::make_unique<kinetta::testing::TestClient>(m_displayName);
    m_bus = std::make_unique<PrivateAccessibilityBus>();
    if (m_bus->sessionAddress().isEmpty()) {
        m_unavailable = m_bus->failure().toStdString();
        return;
    }
    if (m_options.accessibility && !startAccessibilityBus())
        return;
    if (m_options.trayHost && !startTrayHost())
        return;
    if (!m_options.settings.isEmpty() && !m_home.writeSettings(m_options.settings))
        m_unavailable = "the settings file could not be written";
}

TrayDesktop::~TrayDesktop()
{
    // The program first, while its display and buses still answer.
    m_program.stop();
    m_clients.clear();
    m_trayHost.stop();
}

bool TrayDesktop::startTrayHost()
{
    const QStringList arguments = {QStringLiteral("--edge"),        QStringLiteral("top"),
                                   QStringLiteral("--align"),       QStringLiteral("right"),
                                   QStringLiteral("--widthtype"),   QStringLiteral("request"),
                                   QStringLiteral("--height"),      QStringLiteral("24"),
                                   QStringLiteral("--SetDockType"), QStringLiteral("true")};
    if (!m_trayHost.start(QStringLiteral("trayer"), arguments, toolEnvironment())) {
        m_unavailable = "trayer did not start";
        return false;
    }
    if (!processUntil([&] { return m_windows->selectionOwned("_NET_SYSTEM_TRAY_S0"); })) {
        m_unavailable = "trayer did not take the system tray selection within ten seconds";
        return false;
    }
    return true;
}

bool TrayDesktop::startAccessibilityBus()
{
    // The launcher takes the session bus, display and runtime folder from this process.
    qputenv("DISPLAY", QByteArray::fromStdString(m_displayName));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_home.runtime()));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus->sessionAddress().toUtf8());
    if (!m_bus->startLauncher()) {
        m_unavailable = m_bus->failure().toStdString();
        return false;
    }
    const QString name = QStringLiteral("tray-desktop-session");
    bool ready = false;
    {
        QDBusConnection session = QDBusConnection::connectToBus(m_bus->sessionAddress(), name);
        const auto busCall = [&](const QString& interface, const QString& method,
                                 const QVariantList& arguments) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"), interface, method);
            call.setArguments(arguments);
            return session.call(call, QDBus::Block, 2000);
        };
        // The launcher registers its name a moment after it starts; asking the
        // bus before that would have it start a second launcher.
        ready = processUntil([&] {
            return session.interface()->isServiceRegistered(QStringLiteral("org.a11y.Bus")).value();
        });
        ready = ready && processUntil([&] {
                    const QDBusMessage reply =
                        busCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"), {});
                    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
                        return false;
                    m_accessibilityAddress = reply.arguments().constFirst().toString();
                    return !m_accessibilityAddress.isEmpty();
                });
        if (ready) {
            // What a desktop's accessibility switch sets; programs read it at start.
            const QDBusMessage set =
                busCall(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
                        {QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled"),
                         QVariant::fromValue(QDBusVariant(true))});
            ready = set.type() == QDBusMessage::ReplyMessage;
        }
    }
    QDBusConnection::disconnectFromBus(name);
    if (!ready)
        m_unavailable = "the accessibility bus gave no address within ten seconds";
    return ready;
}

QProcessEnvironment TrayDesktop::toolEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : sessionVariables)
        environment.remove(QString::fromLatin1(variable));
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(m_displayName));
    if (m_bus)
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus->sessionAddress());
    return m_home.applyTo(environment);
}

QProcessEnvironment TrayDesktop::programEnvironment() const
{
    QProcessEnvironment environment = toolEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("KINETTA_REDUCE_MOTION"), QStringLiteral("1"));
    if (m_options.accessibility)
        environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    return environment;
}

bool TrayDesktop::launch()
{
    if (!m_program.start(QStringLiteral(KINETTA_EXECUTABLE), {}, programEnvironment()))
        return false;
    const std::optional<QString> line = m_program.waitForErrorLine({trayLine, noTrayLine}, 10000);
    return line && line->contains(m_options.trayHost ? trayLine : noTrayLine);
}

std::optional<int> TrayDesktop::runAgain(const QStringList& arguments)
{
    ProgramProcess second;
    if (!second.start(QStringLiteral(KINETTA_EXECUTABLE), arguments, programEnvironment()))
        return std::nullopt;
    return second.waitForExit(10000);
}

std::optional<SeenWindow> TrayDesktop::waitForTrayIcon()
{
    std::optional<SeenWindow> icon;
    processUntil([&] {
        for (const SeenWindow& window : trayIcons())
            if (window.viewable && !window.geometry.isEmpty())
                icon = window;
        return icon.has_value();
    });
    return icon;
}

bool TrayDesktop::clickTrayIcon(int button)
{
    const std::optional<SeenWindow> icon = waitForTrayIcon();
    if (!icon)
        return false;
    const QPoint centre = icon->geometry.center();
    return xdotool({QStringLiteral("mousemove"), QString::number(centre.x()),
                    QString::number(centre.y()), QStringLiteral("click"), QString::number(button)});
}

QImage TrayDesktop::trayIconPicture()
{
    const std::vector<SeenWindow> icons = trayIcons();
    return icons.empty() ? QImage() : m_windows->grab(icons.front().geometry);
}

std::optional<SeenWindow>
TrayDesktop::waitForWindow(const std::function<bool(const SeenWindow&)>& matches)
{
    std::optional<SeenWindow> found;
    processUntil([&] {
        for (const SeenWindow& window : shownWindows())
            if (matches(window))
                found = window;
        return found.has_value();
    });
    return found;
}

bool TrayDesktop::waitForNoWindow(const std::function<bool(const SeenWindow&)>& matches)
{
    return processUntil([&] {
        const std::vector<SeenWindow> shown = shownWindows();
        return std::none_of(shown.begin(), shown.end(), matches);
    });
}

bool TrayDesktop::xdotool(const QStringList& arguments)
{
    return runTool(QStringLiteral("xdotool"), arguments, toolEnvironment()).has_value();
}

bool TrayDesktop::pressKeys(const QStringList& keys)
{
    return xdotool(QStringList{QStringLiteral("key")} + keys);
}

bool TrayDesktop::drag(QPoint from, QPoint to)
{
    return xdotool(xdotoolDrag(from, to));
}

QStringList TrayDesktop::clipboardTargets()
{
    const std::optional<QByteArray> targets = clipboard(QStringLiteral("TARGETS"));
    return targets ? QString::fromUtf8(*targets).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                   : QStringList();
}

std::optional<QByteArray> TrayDesktop::clipboard(const QString& target)
{
    return runTool(QStringLiteral("xclip"),
                   {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                    target, QStringLiteral("-o")},
                   toolEnvironment());
}

bool TrayDesktop::waitForClipboardTarget(const QString& target)
{
    return processUntil([&] { return clipboardTargets().contains(target); });
}

void TrayDesktop::showCard(const QRect& rect)
{
    kinetta::testing::WindowSpec spec;
    spec.x = rect.x();
    spec.y = rect.y();
    spec.width = rect.width();
    spec.height = rect.height();
    spec.overrideRedirect = true;
    m_client->createWindow(spec, kinetta::testing::quadrantCard(rect.width(), rect.height()));
}

bool TrayDesktop::startClient(const QString& program, const QStringList& arguments)
{
    auto client = std::make_unique<ProgramProcess>();
    if (!client->start(program, arguments, toolEnvironment()))
        return false;
    m_clients.push_back(std::move(client));
    return true;
}

} // namespace kinetta::test
