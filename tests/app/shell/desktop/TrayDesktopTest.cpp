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

// The recording icon is the one with red in it (the stop mark and its ring);
// idle and counting down are purple and white.
bool iconShowsRecording(const QImage& icon)
{
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x) {
            const QColor colour = icon.pixelColor(x, y);
            if (colour.red() > 200 && colour.green() < 110 && colour.blue() < 110)
                return true;
        }
    return false;
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

bool TrayDesktopTest::startWithCard(bool countdown, bool autoCopy)
{
    TrayDesktopOptions options;
    options.settings = quickSettings(countdown, autoCopy);
    if (!startDesktop(options))
        return false;
    desktop->showCard(kCard);
    if (!desktop->waitForTrayIcon()) {
        ADD_FAILURE() << "no icon of kinetta was embedded in the tray";
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

std::string TrayDesktopTest::shownWindowsText()
{
    if (!desktop->program().running())
        return "\nkinetta has ended; it wrote:\n" + desktop->program().errorOutput().toStdString();
    std::string text = "\nthe program's windows on screen:";
    for (const SeenWindow& window : desktop->shownWindows()) {
        const QRect& g = window.geometry;
        text += QStringLiteral("\n  0x%1 \"%2\" %3x%4%5%6%7%8")
                    .arg(window.id, 0, 16)
                    .arg(window.title)
                    .arg(g.width())
                    .arg(g.height())
                    .arg(g.x() < 0 ? QString() : QStringLiteral("+"))
                    .arg(g.x())
                    .arg(g.y() < 0 ? QString() : QStringLiteral("+"))
                    .arg(g.y())
                    .toStdString();
        if (window.overrideRedirect)
            text += " (override-redirect)";
    }
    return text;
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

bool TrayDesktopTest::waitForRecording(bool countdown)
{
    if (countdown && !processUntil([&] { return fullScreenWindowShown(); })) {
        ADD_FAILURE() << "no countdown overlay covered the screen" << shownWindowsText();
        return false;
    }
    return processUntil(
        [&] { return !fullScreenWindowShown() && iconShowsRecording(desktop->trayIconPicture()); });
}

bool TrayDesktopTest::recordFromPanelThenStop(const SeenWindow& panel, bool countdown)
{
    if (!desktop->pressKeys({QStringLiteral("Return")}))
        return false;
    if (!desktop->waitForNoWindow(
            [&](const SeenWindow& window) { return window.id == panel.id; })) {
        ADD_FAILURE() << "Return left the panel open";
        return false;
    }
    if (!waitForRecording(countdown)) {
        ADD_FAILURE() << "no recording ran" << shownWindowsText();
        return false;
    }
    return chooseFromTrayMenu(1);
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
        ADD_FAILURE() << "no menu opened on a right click on the tray icon" << shownWindowsText();
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
    auto decoded =
        gif::testing::decodeGif({reinterpret_cast<const std::uint8_t*>(bytes->constData()),
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
                decoded.images[i]
                    .canvas[static_cast<std::size_t>(inFrame.y() * decoded.width + inFrame.x())];
            const std::uint32_t expected =
                kinetta::testing::quadrantCardColour(card.width(), card.height(), at.x(), at.y());
            EXPECT_LE(channelDistance(seen, expected), 8)
                << "frame " << i << " at " << inFrame.x() << "," << inFrame.y() << ": " << std::hex
                << seen << " instead of " << expected;
        }
    }
}

} // namespace kinetta::test
