// The panel as a screen reader on the accessibility bus sees it: a slider's
// value change arrives as an AT-SPI event and reads back with its new value,
// and an error is announced assertively.
#include "app/ProcessUntil.h"
#include "model/RecordingSession.h"
#include "ui/common/AccessibleDesktop.h"
#include "ui/common/AtSpiAnnouncer.h"
#include "ui/panel/ControlPanelView.h"
#include "ui/panel/SliderRow.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace kinetta
{
namespace
{

using test::AccessibleDesktop;
using test::processUntil;

// Collects the signals a screen reader would be sent.
class EventListener final : public QObject
{
    Q_OBJECT
public:
    QList<QDBusMessage> received;

public Q_SLOTS:
    void onEvent(const QDBusMessage& message) { received << message; }
};

const QString kEventInterface = QStringLiteral("org.a11y.atspi.Event.Object");

class PanelAtSpiTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_desktop = std::make_unique<AccessibleDesktop>("panel_atspi_tests");
    }
    static void TearDownTestSuite() { s_desktop.reset(); }

    void SetUp() override
    {
        if (!s_desktop->unavailable().empty())
            GTEST_SKIP() << "no accessibility bus: " << s_desktop->unavailable();
        m_listener = s_desktop->connectListener(QStringLiteral("reader"));
        ASSERT_TRUE(m_listener.isConnected());
    }

    // Listens to member on the event interface from now on.
    void listen(const QString& member)
    {
        ASSERT_TRUE(m_listener.connect(QString(), QString(), kEventInterface, member, &m_events,
                                       SLOT(onEvent(QDBusMessage))));
    }

    // Qt sends an event kind only once some reader has registered for it
    // with the registry; this registers as a reader does and waits until the
    // registry has told the programs.
    bool registerForEvent(const QString& event)
    {
        EventListener registered;
        m_listener.connect(
            QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
            QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("EventListenerRegistered"),
            &registered, SLOT(onEvent(QDBusMessage)));
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
            QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
        call << event;
        const QDBusMessage reply = m_listener.call(call);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        const bool told = processUntil([&] { return !registered.received.isEmpty(); });
        // Qt's adaptor hears the same signal on its own connection, queued
        // to this thread with ours.
        QCoreApplication::processEvents();
        return told;
    }

    QDBusMessage property(const QString& path, const QString& interface, const QString& name)
    {
        return AccessibleDesktop::callProgram(m_listener, path,
                                              QStringLiteral("org.freedesktop.DBus.Properties"),
                                              QStringLiteral("Get"), {interface, name});
    }

    static inline std::unique_ptr<AccessibleDesktop> s_desktop;
    QDBusConnection m_listener{QString()};
    EventListener m_events;
};

TEST_F(PanelAtSpiTest, SliderValueChangeReachesTheReaderWithItsNewValue)
{
    RecordingSession session;
    ControlPanelView panel(session, {}, {});
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    ASSERT_TRUE(registerForEvent(QStringLiteral("object:property-change:accessible-value")));
    listen(QStringLiteral("PropertyChange"));

    GradientSlider* slider = panel.parts().fps->slider();
    const QString path = AtSpiAnnouncer::atSpiPath(slider);
    // As a keyboard or a drag moves it by one step.
    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(session.fps(), 11);
    ASSERT_TRUE(processUntil([&] {
        for (const QDBusMessage& event : m_events.received) {
            if (event.path() == path)
                return true;
        }
        return false;
    })) << "no value change from "
        << path.toStdString();
    for (const QDBusMessage& event : m_events.received) {
        if (event.path() != path)
            continue;
        EXPECT_EQ(event.arguments().value(0).toString(), QStringLiteral("accessible-value"));
    }

    const QDBusMessage value =
        property(path, QStringLiteral("org.a11y.atspi.Value"), QStringLiteral("CurrentValue"));
    ASSERT_EQ(value.type(), QDBusMessage::ReplyMessage) << value.errorMessage().toStdString();
    EXPECT_EQ(value.arguments().value(0).value<QDBusVariant>().variant().toDouble(), 11.0);
    const QDBusMessage name =
        property(path, QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("Name"));
    ASSERT_EQ(name.type(), QDBusMessage::ReplyMessage) << name.errorMessage().toStdString();
    EXPECT_EQ(name.arguments().value(0).value<QDBusVariant>().variant().toString(),
              QStringLiteral("Frame Rate"));
    const QDBusMessage role = AccessibleDesktop::callProgram(
        m_listener, path, QStringLiteral("org.a11y.atspi.Accessible"),
        QStringLiteral("GetRoleName"));
    EXPECT_EQ(role.arguments().value(0).toString(), QStringLiteral("slider"));
}

TEST_F(PanelAtSpiTest, ErrorIsAnnouncedAssertivelyFromThePanel)
{
    listen(QStringLiteral("Announcement"));
    AtSpiAnnouncer announcer;
    RecordingSession session;
    ControlPanelEnvironment environment;
    environment.announcer = &announcer;
    ControlPanelView panel(session, {}, environment);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));

    session.setErrorMessage(QStringLiteral("The window is gone."));
    ASSERT_TRUE(processUntil([&] { return !m_events.received.isEmpty(); }));
    const QDBusMessage& signal = m_events.received.constFirst();
    EXPECT_EQ(signal.path(), AtSpiAnnouncer::atSpiPath(&panel));
    EXPECT_EQ(signal.arguments().value(1).toInt(), 2);
    EXPECT_EQ(signal.arguments().value(3).value<QDBusVariant>().variant().toString(),
              QStringLiteral("The window is gone."));
}

} // namespace
} // namespace kinetta

#include "PanelAtSpiTest.moc"
