#include "app/shell/desktop/TrayDesktopTest.h"

#include "app/ProcessUntil.h"
#include "capture/TestClient.h"

#include <algorithm>

namespace kinetta::test
{
namespace
{

bool isTooltip(const SeenWindow& window)
{
    return window.types.contains(QStringLiteral("_NET_WM_WINDOW_TYPE_TOOLTIP"));
}

int channelDistance(std::uint32_t a, std::uint32_t b)
{
    int largest = 0;
    for (int shift : {0, 8, 16})
        largest = std::max(largest, std::abs(static_cast<int>((a >> shift) & 0xff) -
                                             static_cast<int>((b >> shift) & 0xff)));
    return largest;
}

// Marks the running case skipped (GTEST_SKIP only returns from a void function).
void skipBecause(const std::string& reason)
{
    GTEST_SKIP() << reason;
}

} // namespace

QVariantMap TrayDesktopTest::quickSettings(bool countdown, bool autoCopy)
{
    return {{QStringLiteral("captureMode"), QStringLiteral("Screen")},
            {QStringLiteral("fps"), 10},
            {QStringLiteral("scale"), 1.0},
            {QStringLiteral("useCountdown"), countdown},
            {QStringLiteral("countdownSeconds"), 1},
            {QStringLiteral("showCursor"), false},
            {QStringLiteral("useAutoStop"), false},
            {QStringLiteral("autoCopy"), autoCopy}};
}

bool TrayDesktopTest::startDesktop(TrayDesktopOptions options, bool launch)
{
    desktop = std::make_unique<TrayDesktop>(std::move(options));
    if (!desktop->unavailable().empty()) {
        skipBecause(desktop->unavailable());
        return false;
    }
    if (launch && !desktop->launch()) {
        ADD_FAILURE() << "kinetta did not say it was up within ten seconds; it wrote:\n"
                      << desktop->program().errorOutput().toStdString();
        return false;
    }
    return true;
}

std::set<xcb_window_t> TrayDesktopTest::shownWindowIds()
{
    std::set<xcb_window_t> ids;
    for (const SeenWindow& window : desktop->shownWindows())
        ids.insert(window.id);
    return ids;
}

std::optional<SeenWindow> TrayDesktopTest::openPanelFromIcon()
{
    const std::set<xcb_window_t> before = shownWindowIds();
    if (!desktop->clickTrayIcon(1))
        return std::nullopt;
    return desktop->waitForWindow([&](const SeenWindow& window) {
        return !before.contains(window.id) && !isTooltip(window) &&
               window.geometry.width() == kPanelWidth;
    });
}

bool TrayDesktopTest::fullScreenWindowShown()
{
    const QRect screen(QPoint(0, 0), desktop->windows().screenSize());
    const std::vector<SeenWindow> shown = desktop->shownWindows();
    return std::any_of(shown.begin(), shown.end(),
                       [&](const SeenWindow& window) { return window.geometry == screen; });
}

bool TrayDesktopTest::waitForRecording(const QImage& idleIcon, bool countdown)
{
    std::vector<QImage> notRecording{idleIcon};
    if (countdown) {
        if (!processUntil([&] { return fullScreenWindowShown(); })) {
            ADD_FAILURE() << "no countdown overlay covered the screen";
            return false;
        }
        processUntil([&] {
            notRecording.push_back(desktop->trayIconPicture());
            return !fullScreenWindowShown();
        });
    }
    return processUntil([&] {
        const QImage now = desktop->trayIconPicture();
        return !now.isNull() && !fullScreenWindowShown() &&
               std::find(notRecording.begin(), notRecording.end(), now) == notRecording.end();
    });
}

bool TrayDesktopTest::chooseFromTrayMenu(int position)
{
    const std::set<xcb_window_t> before = shownWindowIds();
    if (!desktop->clickTrayIcon(3))
        return false;
    const auto isMenu = [&](const SeenWindow& window) {
        return !before.contains(window.id) && window.overrideRedirect && !isTooltip(window);
    };
    const std::optional<SeenWindow> menu = desktop->waitForWindow(isMenu);
    if (!menu) {
        ADD_FAILURE() << "no menu opened on a right click on the tray icon";
        return false;
    }
    QStringList keys(position, QStringLiteral("Down"));
    keys << QStringLiteral("Return");
    if (!desktop->pressKeys(keys))
        return false;
    return desktop->waitForNoWindow(
        [&](const SeenWindow& window) { return window.id == menu->id; });
}

std::optional<gif::testing::DecodedGif> TrayDesktopTest::clipboardGif()
{
    if (!desktop->waitForClipboardTarget(QStringLiteral("image/gif"))) {
        ADD_FAILURE() << "the clipboard offered no image/gif within ten seconds; it offers: "
                      << desktop->clipboardTargets().join(QLatin1Char(' ')).toStdString();
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = desktop->clipboard(QStringLiteral("image/gif"));
    if (!bytes)
        return std::nullopt;
    std::string error;
    auto decoded = gif::testing::decodeGif(
        {reinterpret_cast<const std::uint8_t*>(bytes->constData()),
         static_cast<std::size_t>(bytes->size())},
        &error);
    if (!decoded)
        ADD_FAILURE() << "the clipboard's GIF does not decode: " << error;
    return decoded;
}

void TrayDesktopTest::expectFramesShowCard(const gif::testing::DecodedGif& decoded,
                                           const QRect& card)
{
    ASSERT_FALSE(decoded.images.empty());
    // The middle of each quarter, away from the striped band.
    const QPoint samples[] = {{card.width() / 4, card.height() / 4},
                              {card.width() * 3 / 4, card.height() / 4},
                              {card.width() / 4, card.height() * 3 / 4},
                              {card.width() * 3 / 4, card.height() * 5 / 8}};
    for (std::size_t i = 0; i < decoded.images.size(); ++i) {
        for (const QPoint& at : samples) {
            const QPoint inFrame = card.topLeft() + at;
            ASSERT_TRUE(QRect(0, 0, decoded.width, decoded.height).contains(inFrame));
            const std::uint32_t seen =
                decoded.images[i].canvas[static_cast<std::size_t>(inFrame.y() * decoded.width +
                                                                  inFrame.x())];
            const std::uint32_t expected = kinetta::testing::quadrantCardColour(
                card.width(), card.height(), at.x(), at.y());
            EXPECT_LE(channelDistance(seen, expected), 8)
                << "frame " << i << " at " << inFrame.x() << "," << inFrame.y() << ": "
                << std::hex << seen << " instead of " << expected;
        }
    }
}

} // namespace kinetta::test
