#include "capture/portal/PortalRig.h"

#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QStandardPaths>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kinetta::testing
{
namespace
{

const QString kControl = QStringLiteral("org.kinetta.test.FakePortal");
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");
constexpr auto kStartTimeout = std::chrono::seconds(10);

// Runs argv with the extra environment, its output discarded (or into
// outputFd). Returns the pid.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            int outputFd = -1)
{
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& entry : environment)
            putenv(const_cast<char*>(entry.c_str()));
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDIN_FILENO);
        dup2(outputFd >= 0 ? outputFd : devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

bool exited(pid_t pid)
{
    return pid <= 0 || waitpid(pid, nullptr, WNOHANG) == pid;
}

// Waits for a daemon to become ready; false when it died or took too long.
template <typename Ready> bool waitUntilReady(pid_t pid, Ready ready)
{
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (ready())
            return true;
        if (exited(pid))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

int connectUnix(const std::string& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= sizeof(address.sun_path)) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool onPath(const char* program)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty();
}

} // namespace

void ensureCoreApplication()
{
    static int argc = 1;
    static char name[] = "kinetta-portal-test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

QString PortalRig::missingTools(bool pipewire)
{
    QStringList missing;
    if (!onPath("dbus-daemon"))
        missing << QStringLiteral("dbus-daemon");
    if (std::system("/usr/bin/python3 -c 'import dbus, gi' >/dev/null 2>&1") != 0)
        missing << QStringLiteral("python3-dbus and python3-gi");
    if (pipewire && !onPath("pipewire"))
        missing << QStringLiteral("pipewire");
    if (pipewire && !onPath("wireplumber"))
        missing << QStringLiteral("wireplumber");
    return missing.join(QStringLiteral(", "));
}

PortalRig::PortalRig(Options options)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kinetta-portal.XXXXXX");
    if (!mkdtemp(pattern.data())) {
        m_problem = QStringLiteral("no temporary folder");
        return;
    }
    m_folder = pattern;
    m_runtime = m_folder + "/run";
    std::filesystem::create_directory(m_runtime);
    std::filesystem::permissions(m_runtime, std::filesystem::perms::owner_all);
    if (!startBus())
        m_problem = QStringLiteral("the private session bus did not start");
    else if (options.pipewire && !startPipeWire())
        m_problem = QStringLiteral("the private PipeWire daemon did not start");
    else if (!startPortal(options))
        m_problem = QStringLiteral("the fake portal did not start");
}

PortalRig::~PortalRig()
{
    if (!m_connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
    stopChild(m_portal);
    stopChild(m_wireplumber);
    stopChild(m_pipewire);
    stopChild(m_bus);
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

bool PortalRig::startBus()
{
    const std::string socketPath = m_runtime + "/bus";
    QFile in(QStringLiteral(KINETTA_FAKE_PORTAL_DIR "/session-bus.conf.in"));
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray config =
        in.readAll().replace("@BUS_SOCKET@", QByteArray::fromStdString(socketPath));
    const std::string configPath = m_folder + "/bus.conf";
    QFile out(QString::fromStdString(configPath));
    if (!out.open(QIODevice::WriteOnly) || out.write(config) != config.size())
        return false;
    out.close();
    m_bus = spawn({"dbus-daemon", "--config-file=" + configPath, "--nofork", "--nopidfile"}, {});
    m_busAddress = "unix:path=" + socketPath;
    static std::atomic<int> connections = 0;
    m_connectionName = QStringLiteral("kinetta-portal-rig-%1").arg(++connections);
    return waitUntilReady(m_bus, [&] {
        if (!std::filesystem::exists(socketPath))
            return false;
        QDBusConnection::disconnectFromBus(m_connectionName);
        return QDBusConnection::connectToBus(QString::fromStdString(m_busAddress), m_connectionName)
            .isConnected();
    });
}

bool PortalRig::startPipeWire()
{
    const std::vector<std::string> environment{
        "XDG_RUNTIME_DIR=" + m_runtime, "DBUS_SESSION_BUS_ADDRESS=" + m_busAddress,
        // Its own state, not the user's: WirePlumber remembers default nodes.
        "XDG_STATE_HOME=" + m_folder + "/state", "XDG_CONFIG_HOME=" + m_folder + "/config",
        "PIPEWIRE_RUNTIME_DIR=" + m_runtime};
    m_pipewire = spawn({"pipewire"}, environment);
    const std::string socketPath = m_runtime + "/pipewire-0";
    if (!waitUntilReady(m_pipewire, [&] {
            const int fd = connectUnix(socketPath);
            if (fd >= 0)
                close(fd);
            return fd >= 0;
        }))
        return false;
    // Without a session manager no stream is ever linked to another.
    m_wireplumber = spawn({"wireplumber"}, environment);
    return !exited(m_wireplumber);
}

bool PortalRig::startPortal(const Options& options)
{
    std::vector<std::string> argv{"/usr/bin/python3", KINETTA_FAKE_PORTAL_DIR "/fake_portal.py"};
    argv.insert(argv.end(), options.portalModules.begin(), options.portalModules.end());
    m_portal = spawn(
        argv, {"XDG_RUNTIME_DIR=" + m_runtime, "DBUS_SESSION_BUS_ADDRESS=" + m_busAddress,
               std::string("FAKE_PORTAL_WINDOW_SOURCES=") + (options.windowSources ? "1" : "0")});
    return waitUntilReady(m_portal,
                          [&] { return bus().interface()->isServiceRegistered(kService).value(); });
}

QDBusConnection PortalRig::bus() const
{
    return QDBusConnection(m_connectionName);
}

int PortalRig::connectPipeWire() const
{
    return connectUnix(m_runtime + "/pipewire-0");
}

QDBusMessage PortalRig::control(const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kObject, kControl, method);
    message.setArguments(arguments);
    return bus().call(message);
}

void PortalRig::setAnswer(const QString& method, unsigned code)
{
    control(QStringLiteral("SetAnswer"), {method, code});
}

QVariantMap PortalRig::lastOptions(const QString& method)
{
    const QDBusMessage reply = control(QStringLiteral("LastOptions"), {method});
    if (reply.arguments().isEmpty())
        return {};
    QVariantMap options;
    qvariant_cast<QDBusArgument>(reply.arguments().constFirst()) >> options;
    return options;
}

unsigned PortalRig::callCount(const QString& method)
{
    const QDBusMessage reply = control(QStringLiteral("CallCount"), {method});
    return reply.arguments().isEmpty() ? 0 : reply.arguments().constFirst().toUInt();
}

void PortalRig::setStream(std::uint32_t node, int width, int height, int x, int y)
{
    control(QStringLiteral("SetMonitorStream"), {node, width, height, x, y});
}

void PortalRig::setWindowStream(std::uint32_t node, int width, int height)
{
    control(QStringLiteral("SetWindowStream"), {node, width, height});
}

void PortalRig::setProperty(const QString& interface, const QString& name, const QVariant& value)
{
    control(QStringLiteral("SetProperty"),
            {interface, name, QVariant::fromValue(QDBusVariant(value))});
}

void PortalRig::closeSessions()
{
    control(QStringLiteral("CloseSessions"), {});
}

void PortalRig::stopPortal()
{
    stopChild(m_portal);
}

} // namespace kinetta::testing
