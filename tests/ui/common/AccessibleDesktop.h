#pragma once

#include "capture/XvfbServer.h"
#include "ui/common/PrivateAccessibilityBus.h"

#include <QApplication>
#include <QDBusConnection>
#include <QString>
#include <memory>
#include <string>

namespace kinetta::test
{

// What a screen reader's session needs, private to one test binary: an X
// server, a session bus, the accessibility bus, and this program's
// QApplication connected to it through Qt's own bridge. Make one per binary
// (in SetUpTestSuite) before any QApplication exists.
class AccessibleDesktop final
{
public:
    explicit AccessibleDesktop(const char* programName);
    ~AccessibleDesktop();
    AccessibleDesktop(const AccessibleDesktop&) = delete;
    AccessibleDesktop& operator=(const AccessibleDesktop&) = delete;

    // Why the desktop could not be set up; empty when it is.
    [[nodiscard]] const std::string& unavailable() const { return m_unavailable; }
    // The accessibility bus, for listeners of one's own.
    [[nodiscard]] const QString& accessibilityAddress() const { return m_address; }
    // A connection of the test's own to the accessibility bus, as a screen
    // reader has; disconnected with the desktop.
    [[nodiscard]] QDBusConnection connectListener(const QString& name);
    // A method of the program's accessible object at path, called from
    // listener's side while the program runs.
    [[nodiscard]] static QDBusMessage callProgram(QDBusConnection& listener, const QString& path,
                                                  const QString& interface, const QString& method,
                                                  const QVariantList& arguments = {});

private:
    std::unique_ptr<kinetta::testing::XvfbServer> m_display;
    std::unique_ptr<PrivateAccessibilityBus> m_bus;
    std::unique_ptr<QApplication> m_app;
    std::string m_unavailable;
    QString m_address;
    QStringList m_listeners;
};

} // namespace kinetta::test
