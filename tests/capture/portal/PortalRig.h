#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kinetta::testing
{

// QtDBus needs an application object; portal tests make one if none exists
// (they never run its loop).
void ensureCoreApplication();

// A private desktop for portal tests: a session bus of its own (dbus-daemon
// without service activation), optionally a PipeWire daemon with WirePlumber
// linking streams, and the fake portal in tests/capture/portal/fake_portal
// with the interface modules asked for. Everything runs in a temporary
// runtime folder and is stopped on destruction.
class PortalRig final
{
public:
    struct Options {
        std::vector<std::string> portalModules{"screencast"};
        bool pipewire = true;
        // Whether the portal offers single windows besides monitors.
        bool windowSources = false;
    };
    explicit PortalRig(Options options);
    PortalRig() : PortalRig(Options{}) {}
    ~PortalRig();
    PortalRig(const PortalRig&) = delete;
    PortalRig& operator=(const PortalRig&) = delete;

    // Empty when everything came up, else what did not.
    [[nodiscard]] const QString& problem() const { return m_problem; }
    // Our connection to the private bus.
    [[nodiscard]] QDBusConnection bus() const;
    [[nodiscard]] const std::string& runtimeFolder() const { return m_runtime; }
    // A new client connection to the private PipeWire daemon; -1 on failure.
    [[nodiscard]] int connectPipeWire() const;

    // Steering the fake portal (org.kinetta.test.FakePortal).
    void setAnswer(const QString& method, unsigned code);
    [[nodiscard]] QVariantMap lastOptions(const QString& method);
    [[nodiscard]] unsigned callCount(const QString& method);
    // What Start answers: one monitor stream of the given node.
    void setStream(std::uint32_t node, int width, int height, int x = 0, int y = 0);
    // What Start answers a session that asked for windows only.
    void setWindowStream(std::uint32_t node, int width, int height);
    void setProperty(const QString& interface, const QString& name, const QVariant& value);
    void closeSessions();
    // Ends the fake portal (its name leaves the bus).
    void stopPortal();

    // Whether the machine has what the rig runs (dbus-daemon, python3-dbus,
    // and pipewire with wireplumber when asked for).
    [[nodiscard]] static QString missingTools(bool pipewire);

private:
    [[nodiscard]] bool startBus();
    [[nodiscard]] bool startPipeWire();
    [[nodiscard]] bool startPortal(const Options& options);
    QDBusMessage control(const QString& method, const QVariantList& arguments);

    std::string m_folder;
    std::string m_runtime;
    std::string m_busAddress;
    QString m_connectionName;
    QString m_problem;
    pid_t m_bus = -1;
    pid_t m_pipewire = -1;
    pid_t m_wireplumber = -1;
    pid_t m_portal = -1;
};

} // namespace kinetta::testing
