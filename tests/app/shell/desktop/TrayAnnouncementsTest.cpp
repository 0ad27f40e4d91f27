// What a screen reader hears during one recording made through the tray
// program: a listener on the accessibility bus of a private session.

#include "app/ProcessUntil.h"
#include "app/shell/desktop/TrayDesktopTest.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QRegularExpression>

using namespace kinetta;
using namespace kinetta::test;

namespace
{

// Collects the Announcement signals seen on the accessibility bus.
class AnnouncementLog final : public QObject
{
    Q_OBJECT
public:
    QList<QDBusMessage> received;

public Q_SLOTS:
    void onAnnouncement(const QDBusMessage& message) { received << message; }
};

class TrayAnnouncementsTest : public TrayDesktopTest
{
protected:
    void TearDown() override { QDBusConnection::disconnectFromBus(kListener); }

    static inline const QString kListener = QStringLiteral("tray-announcement-listener");
};

constexpr int kAssertive = 2;

} // namespace

TEST_F(TrayAnnouncementsTest, AFullRunIsAnnouncedInOrderWithItsPoliteness)
{
    TrayDesktopOptions options;
    options.accessibility = true;
    options.settings = quickSettings(/*countdown*/ true, /*autoCopy*/ true);
    if (!startDesktop(options, /*launch*/ false))
        return;
    AnnouncementLog log;
    QDBusConnection listener =
        QDBusConnection::connectToBus(desktop->accessibilityAddress(), kListener);
    ASSERT_TRUE(listener.isConnected());
    ASSERT_TRUE(
        listener.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                         QStringLiteral("Announcement"), &log, SLOT(onAnnouncement(QDBusMessage))));
    ASSERT_TRUE(desktop->launch()) << desktop->program().errorOutput().toStdString();

    ASSERT_TRUE(desktop->waitForTrayIcon());
    const std::optional<SeenWindow> panel = openPanelFromIcon();
    ASSERT_TRUE(panel) << shownWindowsText();
    ASSERT_TRUE(recordFromPanelThenStop(*panel, /*countdown*/ true));
    ASSERT_TRUE(clipboardGif());

    const QRegularExpression expected[] = {
        QRegularExpression(QStringLiteral("^Recording starts in 1 second\\.$")),
        QRegularExpression(
            QStringLiteral("^Recording started\\. Press Control Shift G to stop\\.$")),
        QRegularExpression(QStringLiteral("^Recording stopped\\. [1-9][0-9]* frames captured\\.$")),
        QRegularExpression(QStringLiteral("^Encoding GIF…$")),
        QRegularExpression(QStringLiteral("^GIF copied to clipboard · [0-9.]+ [KM]B$")),
        QRegularExpression(QStringLiteral("^GIF copied to clipboard\\. [0-9.]+ [KM]B\\.$"))};
    const int count = static_cast<int>(std::size(expected));
    // The last one follows the copy at once; anything more would come with it.
    processUntil([&] { return log.received.size() >= count; });
    QStringList heard;
    for (const QDBusMessage& signal : log.received)
        heard << signal.arguments().value(3).value<QDBusVariant>().variant().toString();
    ASSERT_EQ(log.received.size(), count) << heard.join(QStringLiteral(" | ")).toStdString();
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(heard[i].toStdString());
        EXPECT_TRUE(expected[i].match(heard[i]).hasMatch()) << expected[i].pattern().toStdString();
        EXPECT_EQ(log.received[i].arguments().value(1).toInt(), kAssertive);
        EXPECT_EQ(log.received[i].signature(), QStringLiteral("siiva{sv}"));
    }
}

#include "TrayAnnouncementsTest.moc"
