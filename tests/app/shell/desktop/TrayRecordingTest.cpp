// The tray program under Xvfb, openbox and trayer, used with xdotool as a
// person uses it: the panel from the icon, the menu, the area and window
// choosers and the preview, each ending in a GIF read back from outside.

#include "app/ProcessUntil.h"
#include "app/shell/desktop/TrayDesktopTest.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>

using namespace kinetta;
using namespace kinetta::test;

namespace
{

// Entries of the idle menu without frames, counted from the top.
constexpr int kRecordWindowEntry = 2;
constexpr int kRecordAreaEntry = 3;
// The terminal recorded through the picker: a background found in frames.
constexpr std::uint32_t kTerminalBackground = 0x2040c0;
// The first entry while recording.
constexpr int kStopEntry = 1;

using TrayRecordingTest = TrayDesktopTest;

} // namespace

TEST_F(TrayRecordingTest, PanelOpensUnderTheIconReturnRecordsAndTheMenuStopCopiesTheGif)
{
    if (!startWithCard(/*countdown*/ true, /*autoCopy*/ true))
        return;
    const std::optional<SeenWindow> icon = desktop->waitForTrayIcon();
    ASSERT_TRUE(icon);
    EXPECT_EQ(desktop->trayIcons().size(), 1u);
    // trayer stands at the top right, 24 pixels high.
    EXPECT_LE(icon->geometry.bottom(), 24);
    EXPECT_GT(icon->geometry.left(), 400);

    const std::optional<SeenWindow> panel = openPanelFromIcon();
    ASSERT_TRUE(panel) << "no panel popover opened on a left click" << shownWindowsText();
    const QRect screen(QPoint(0, 0), desktop->windows().screenSize());
    EXPECT_TRUE(screen.contains(panel->geometry)) << "the panel leaves the screen";
    EXPECT_GT(panel->geometry.top(), icon->geometry.bottom()) << "the panel is not under the icon";
    EXPECT_LE(panel->geometry.top() - icon->geometry.bottom(), 16) << "the panel is far below";
    EXPECT_LE(panel->geometry.left(), icon->geometry.center().x());
    EXPECT_GE(panel->geometry.right(), icon->geometry.center().x());
    EXPECT_TRUE(panel->overrideRedirect) << "the popover is a managed window";

    ASSERT_TRUE(recordFromPanelThenStop(*panel, /*countdown*/ true));

    const std::optional<gif::testing::DecodedGif> gif = clipboardGif();
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, screen.width());
    EXPECT_EQ(gif->height, screen.height());
    expectFramesShowCard(*gif, kCard);

    // The GIF goes as the bytes and as a file of the clipboard cache, never
    // with a still picture beside it.
    const QStringList targets = desktop->clipboardTargets();
    EXPECT_TRUE(targets.contains(QStringLiteral("text/uri-list")))
        << targets.join(' ').toStdString();
    EXPECT_FALSE(targets.contains(QStringLiteral("image/png"))) << targets.join(' ').toStdString();
    const std::optional<QByteArray> uris = desktop->clipboard(QStringLiteral("text/uri-list"));
    ASSERT_TRUE(uris);
    ASSERT_TRUE(uris->endsWith("\r\n")) << uris->toStdString();
    const QUrl url(QString::fromUtf8(uris->trimmed()));
    ASSERT_TRUE(url.isLocalFile()) << uris->toStdString();
    // A folder of its own per copy, inside the cache in the private runtime folder.
    const QString cacheFolder =
        desktop->home().runtime() + QStringLiteral("/kinetta/Kinetta-Clipboard");
    EXPECT_EQ(QFileInfo(QFileInfo(url.toLocalFile()).absolutePath()).absolutePath().toStdString(),
              cacheFolder.toStdString());
    QFile cached(url.toLocalFile());
    ASSERT_TRUE(cached.open(QIODevice::ReadOnly)) << url.toLocalFile().toStdString();
    EXPECT_EQ(cached.readAll(),
              desktop->clipboard(QStringLiteral("image/gif")).value_or(QByteArray()));
}

TEST_F(TrayRecordingTest, RecordAreaFromTheMenuRecordsTheRectangleDragged)
{
    if (!startWithCard(/*countdown*/ false, /*autoCopy*/ true))
        return;
    ASSERT_TRUE(chooseFromTrayMenu(kRecordAreaEntry));
    ASSERT_TRUE(processUntil([&] { return fullScreenWindowShown(); }))
        << "Record Area… opened no overlay over the screen";
    // From the card's lower right part to its upper left part, as people drag too.
    const QRect drawn(kCard.x() + 40, kCard.y() + 30, 160, 100);
    ASSERT_TRUE(
        desktop->drag(drawn.topLeft() + QPoint(drawn.width(), drawn.height()), drawn.topLeft()));
    ASSERT_TRUE(waitForRecording(/*countdown*/ false)) << shownWindowsText();
    ASSERT_TRUE(chooseFromTrayMenu(kStopEntry));

    const std::optional<gif::testing::DecodedGif> gif = clipboardGif();
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, drawn.width());
    EXPECT_EQ(gif->height, drawn.height());
    expectFramesShowCard(*gif, kCard.translated(-drawn.topLeft()));
}

TEST_F(TrayRecordingTest, RecordWindowThroughThePickerRecordsThatWindow)
{
    TrayDesktopOptions options;
    options.settings = quickSettings(/*countdown*/ false, /*autoCopy*/ true);
    if (QStandardPaths::findExecutable(QStringLiteral("xterm")).isEmpty())
        GTEST_SKIP() << "xterm is not installed";
    if (!startDesktop(options))
        return;
    // A terminal with a plain background to pick, and to find in the frames.
    ASSERT_TRUE(desktop->startClient(
        QStringLiteral("xterm"),
        {QStringLiteral("-geometry"), QStringLiteral("40x8+60+160"), QStringLiteral("-bg"),
         QStringLiteral("#%1").arg(kTerminalBackground, 6, 16, QLatin1Char('0')),
         QStringLiteral("-T"), QStringLiteral("subject")}));
    std::optional<SeenWindow> terminal;
    ASSERT_TRUE(processUntil([&] {
        for (const SeenWindow& window : desktop->windows().ofInstance(QStringLiteral("xterm")))
            if (window.viewable)
                terminal = window;
        return terminal.has_value();
    })) << "xterm did not show";
    ASSERT_TRUE(desktop->waitForTrayIcon());

    ASSERT_TRUE(chooseFromTrayMenu(kRecordWindowEntry));
    const std::optional<SeenWindow> picker = desktop->waitForWindow(
        [](const SeenWindow& window) { return window.title == QStringLiteral("Select a Window"); });
    ASSERT_TRUE(picker) << "Record Window… opened no picker" << shownWindowsText();
    // The terminal is the only window to record: the first card, once its
    // thumbnail shows (keys before the list is loaded choose nothing).
    ASSERT_TRUE(processUntil([&] {
        const QImage shown = desktop->windows().grab(picker->geometry);
        for (int y = 0; y < shown.height(); y += 2)
            for (int x = 0; x < shown.width(); x += 2)
                if ((shown.pixel(x, y) & 0xffffffu) == kTerminalBackground)
                    return true;
        return false;
    })) << "the picker showed no card of the terminal";
    ASSERT_TRUE(desktop->xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(picker->id)}));
    ASSERT_TRUE(desktop->pressKeys({QStringLiteral("Right"), QStringLiteral("Return")}));
    // The panel comes back once a window is chosen; Return there records it.
    const std::optional<SeenWindow> panel = desktop->waitForWindow(
        [](const SeenWindow& window) { return window.geometry.width() == kPanelWidth; });
    ASSERT_TRUE(panel) << "the panel did not open again after the choice" << shownWindowsText();
    ASSERT_TRUE(recordFromPanelThenStop(*panel, /*countdown*/ false));

    const std::optional<gif::testing::DecodedGif> gif = clipboardGif();
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, terminal->geometry.width());
    EXPECT_EQ(gif->height, terminal->geometry.height());
    // The terminal's empty lower right part, in its background colour.
    const auto& canvas = gif->images.front().canvas;
    const std::uint32_t corner =
        canvas[static_cast<std::size_t>((gif->height - 3) * gif->width + gif->width - 3)];
    EXPECT_EQ(corner & 0xffffffu, kTerminalBackground) << std::hex << corner;
}

TEST_F(TrayRecordingTest, WithoutAutoCopyThePreviewOpensAndSavesTheGif)
{
    if (!startWithCard(/*countdown*/ false, /*autoCopy*/ false))
        return;
    const std::optional<SeenWindow> panel = openPanelFromIcon();
    ASSERT_TRUE(panel) << shownWindowsText();
    ASSERT_TRUE(recordFromPanelThenStop(*panel, /*countdown*/ false));

    // A normal window with a taskbar entry while it is open.
    const std::optional<SeenWindow> preview = desktop->waitForWindow(
        [](const SeenWindow& window) { return window.title == QStringLiteral("Kinetta"); });
    ASSERT_TRUE(preview) << "no preview window opened" << shownWindowsText();
    EXPECT_FALSE(preview->overrideRedirect);
    const std::vector<xcb_window_t> listed = desktop->windows().clientList();
    EXPECT_NE(std::find(listed.begin(), listed.end(), preview->id), listed.end())
        << "the preview has no taskbar entry";

    // S opens the save dialog; its name field takes a whole path.
    ASSERT_TRUE(desktop->xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                  QString::number(preview->id)}));
    // S does nothing while the GIF is still being encoded (Save is disabled
    // then), so it is pressed again until the dialog shows.
    const auto isSaveDialog = [](const SeenWindow& window) {
        return window.title == QStringLiteral("Save GIF");
    };
    std::optional<SeenWindow> dialog;
    processUntil([&] {
        const std::vector<SeenWindow> shown = desktop->shownWindows();
        const auto found = std::find_if(shown.begin(), shown.end(), isSaveDialog);
        if (found != shown.end())
            dialog = *found;
        return dialog || !desktop->pressKeys({QStringLiteral("s")});
    });
    ASSERT_TRUE(dialog) << "S opened no save dialog" << shownWindowsText();
    const QString target = desktop->home().downloads() + QStringLiteral("/saved.gif");
    ASSERT_TRUE(desktop->xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(dialog->id)}));
    ASSERT_TRUE(desktop->pressKeys({QStringLiteral("ctrl+a")}));
    ASSERT_TRUE(desktop->xdotool({QStringLiteral("type"), target}));
    ASSERT_TRUE(desktop->pressKeys({QStringLiteral("Return")}));

    QByteArray bytes;
    ASSERT_TRUE(processUntil([&] {
        QFile file(target);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        bytes = file.readAll();
        return !bytes.isEmpty();
    })) << "nothing was saved to "
        << target.toStdString();
    std::string error;
    const auto gif =
        gif::testing::decodeGif({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size())},
                                &error);
    ASSERT_TRUE(gif) << error;
    EXPECT_EQ(gif->width, desktop->windows().screenSize().width());
    EXPECT_EQ(gif->height, desktop->windows().screenSize().height());
    expectFramesShowCard(*gif, kCard);
}
