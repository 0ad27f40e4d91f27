// What a screen reader receives from the announcer: a private X server, a
// private session bus and the accessibility bus, and a listener on that bus.

#include "app/ProcessUntil.h"
#include "capture/XvfbServer.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/common/AtSpiAnnouncer.h"
#include "ui/overlays/DiscardRow.h"
#include "ui/overlays/PaintedButton.h"
#include "ui/overlays/RecordingHUDView.h"
#include "ui/common/PrivateAccessibilityBus.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace kinetta;
using kinetta::test::processUntil;

namespace
{

// Collects the Announcement signals seen on the accessibility bus.
class AnnouncementListener final : public QObject
{
    Q_OBJECT
public:
    QList<QDBusMessage> received;

public Q_SLOTS:
    void onAnnouncement(const QDBusMessage& message) { received << message; }
};

class AtSpiAnnouncerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_display = std::make_unique<kinetta::testing::XvfbServer>();
        s_bus = std::make_unique<test::PrivateAccessibilityBus>();
        if (!s_display->running()) {
            s_unavailable = "Xvfb did not start";
            return;
        }
        if (s_bus->sessionAddress().isEmpty()) {
            s_unavailable = s_bus->failure().toStdString();
            return;
        }
        // Qt's bridge reads these when the application starts.
        qputenv("DISPLAY", QByteArray::fromStdString(s_display->display()));
        qputenv("DBUS_SESSION_BUS_ADDRESS", s_bus->sessionAddress().toUtf8());
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        static int argc = 1;
        static char name[] = "announcer_atspi_tests";
        static char* argv[] = {name, nullptr};
        s_app = std::make_unique<QApplication>(argc, argv);
        if (!s_bus->startLauncher()) {
            s_unavailable = s_bus->failure().toStdString();
            return;
        }
        // The announcer brings up Qt's bridge, which connects asynchronously.
        s_announcer = std::make_unique<AtSpiAnnouncer>();
        if (!processUntil([] { return QDBusConnection(QStringLiteral("a11y")).isConnected(); })) {
            s_unavailable = "Qt did not connect to the accessibility bus within ten seconds";
            return;
        }
        const QDBusMessage reply = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"),
                                           QStringLiteral("/org/a11y/bus"),
                                           QStringLiteral("org.a11y.Bus"),
                                           QStringLiteral("GetAddress")));
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            s_unavailable = "org.a11y.Bus gave no address: " + reply.errorMessage().toStdString();
            return;
        }
        s_a11yAddress = reply.arguments().constFirst().toString();
    }

    static void TearDownTestSuite()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("listener"));
        s_announcer.reset();
        s_app.reset();
        s_bus.reset();
        s_display.reset();
    }

    void SetUp() override
    {
        if (!s_unavailable.empty())
            GTEST_SKIP() << "no accessibility bus: " << s_unavailable;
        m_listener = QDBusConnection::connectToBus(s_a11yAddress, QStringLiteral("listener"));
        ASSERT_TRUE(m_listener.isConnected());
        ASSERT_TRUE(m_listener.connect(QString(), QString(),
                                       QStringLiteral("org.a11y.atspi.Event.Object"),
                                       QStringLiteral("Announcement"), &m_announcements,
                                       SLOT(onAnnouncement(QDBusMessage))));
    }

    void TearDown() override
    {
        if (m_listener.isConnected())
            m_listener.disconnect(QString(), QString(),
                                  QStringLiteral("org.a11y.atspi.Event.Object"),
                                  QStringLiteral("Announcement"), &m_announcements,
                                  SLOT(onAnnouncement(QDBusMessage)));
    }

    // A method of the program's accessible object at path, called from the
    // listener's side as a screen reader would, while the program runs.
    QDBusMessage callProgram(const QString& path, const QString& interface, const QString& method,
                             const QVariantList& arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QDBusConnection(QStringLiteral("a11y")).baseService(), path, interface, method);
        message.setArguments(arguments);
        QDBusPendingCall call = m_listener.asyncCall(message);
        EXPECT_TRUE(processUntil([&] { return call.isFinished(); }));
        return call.reply();
    }

    static inline std::unique_ptr<kinetta::testing::XvfbServer> s_display;
    static inline std::unique_ptr<test::PrivateAccessibilityBus> s_bus;
    static inline std::unique_ptr<QApplication> s_app;
    static inline std::unique_ptr<AtSpiAnnouncer> s_announcer;
    static inline std::string s_unavailable;
    static inline QString s_a11yAddress;

    QDBusConnection m_listener{QString()};
    AnnouncementListener m_announcements;
};

TEST_F(AtSpiAnnouncerTest, AnnouncementSignalCarriesTextAndPolitenessFromItsSource)
{
    AtSpiAnnouncer& announcer = *s_announcer;
    QWidget overlay;
    overlay.setAccessibleName(QStringLiteral("Area selector"));
    overlay.show();

    announcer.announce(QStringLiteral("GIF copied to clipboard. 1.2 MB."),
                       Announcer::outcomePriority);
    announcer.announce(QStringLiteral("Auto-stop in 5 seconds."), Announcer::commentaryPriority);
    announcer.announceFrom(&overlay, QStringLiteral("Area selected: 640 by 480 pixels."),
                           Announcer::outcomePriority);
    ASSERT_TRUE(processUntil([&] { return m_announcements.received.size() == 3; }));

    const QString root = QStringLiteral("/org/a11y/atspi/accessible/root");
    const struct {
        QString text;
        int politeness;
        QString path;
    } expected[] = {{QStringLiteral("GIF copied to clipboard. 1.2 MB."), 2, root},
                    {QStringLiteral("Auto-stop in 5 seconds."), 1, root},
                    {QStringLiteral("Area selected: 640 by 480 pixels."), 2,
                     AtSpiAnnouncer::atSpiPath(&overlay)}};
    EXPECT_NE(expected[2].path, root);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QDBusMessage& signal = m_announcements.received[i];
        EXPECT_EQ(signal.signature(), QStringLiteral("siiva{sv}"));
        EXPECT_EQ(signal.path(), expected[i].path);
        // Sent on Qt's own connection, so a reader can resolve the source.
        EXPECT_EQ(signal.service(), QDBusConnection(QStringLiteral("a11y")).baseService());
        const QVariantList args = signal.arguments();
        ASSERT_EQ(args.size(), 5);
        EXPECT_EQ(args[1].toInt(), expected[i].politeness);
        EXPECT_EQ(args[3].value<QDBusVariant>().variant().toString(), expected[i].text);
    }
}

TEST_F(AtSpiAnnouncerTest, NotificationObjectIsShownWithTheText)
{
    AtSpiAnnouncer& announcer = *s_announcer;
    announcer.announce(QStringLiteral("Recording cancelled."), Announcer::outcomePriority);
    QWidget* notification = announcer.notificationObject();
    ASSERT_TRUE(notification->isVisible());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(notification);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Notification);

    // Read back over AT-SPI, as a screen reader sees it.
    const QString path = AtSpiAnnouncer::atSpiPath(notification);
    const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");
    const QDBusMessage role = callProgram(path, accessibleInterface, QStringLiteral("GetRoleName"));
    ASSERT_EQ(role.type(), QDBusMessage::ReplyMessage) << role.errorMessage().toStdString();
    EXPECT_EQ(role.arguments().value(0).toString(), QStringLiteral("notification"));
    const QDBusMessage name =
        callProgram(path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                    {accessibleInterface, QStringLiteral("Name")});
    ASSERT_EQ(name.type(), QDBusMessage::ReplyMessage) << name.errorMessage().toStdString();
    EXPECT_EQ(name.arguments().value(0).value<QDBusVariant>().variant().toString(),
              QStringLiteral("Recording cancelled."));
    const QDBusMessage state = callProgram(path, accessibleInterface, QStringLiteral("GetState"));
    ASSERT_EQ(state.type(), QDBusMessage::ReplyMessage) << state.errorMessage().toStdString();
    // AT-SPI's state set is two 32-bit words; SHOWING is bit 25.
    const QDBusArgument words = state.arguments().value(0).value<QDBusArgument>();
    QList<uint> bits;
    words >> bits;
    ASSERT_FALSE(bits.isEmpty());
    EXPECT_TRUE(bits[0] & (1u << 25)) << std::hex << bits[0];

    // The same text again is a new showing, with the name kept.
    announcer.announce(QStringLiteral("Recording cancelled."), Announcer::outcomePriority);
    EXPECT_TRUE(notification->isVisible());
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Recording cancelled."));
}

TEST_F(AtSpiAnnouncerTest, RecordingHudWarningsAndDiscardConfirmationReachTheBus)
{
    VirtualScheduler scheduler;
    RecordingSession session;
    session.setUseAutoStop(true);
    session.setAutoStopSeconds(30);
    session.setRecordingSeconds(19);
    RecordingHUDView hud(session, scheduler, s_announcer.get(), true, [] {}, [] {});
    hud.show();

    session.setRecordingSeconds(20);
    hud.discardRow()->discardRecordingButton()->click();
    ASSERT_TRUE(processUntil([&] { return m_announcements.received.size() == 2; }));
    const QVariantList warning = m_announcements.received[0].arguments();
    const QVariantList confirmation = m_announcements.received[1].arguments();
    ASSERT_EQ(warning.size(), 5);
    ASSERT_EQ(confirmation.size(), 5);
    EXPECT_EQ(warning[3].value<QDBusVariant>().variant().toString(),
              QStringLiteral("Auto-stop in 10 seconds."));
    EXPECT_EQ(warning[1].toInt(), 1);
    EXPECT_EQ(confirmation[3].value<QDBusVariant>().variant().toString(),
              QStringLiteral("Discard confirmation. Tap Discard to delete recording, or Keep "
                             "Recording to continue."));
    EXPECT_EQ(confirmation[1].toInt(), 2);
}

} // namespace

#include "AtSpiAnnouncerTest.moc"
