// Pictures of the tray program on a real X session, taken from the root
// window: the control panel open under the tray icon, and the recording HUD
// while a recording runs. Written as tray-panel-open.png and
// tray-hud-recording.png into the folder given.
#include "app/ProcessUntil.h"
#include "app/shell/desktop/TrayDesktop.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <set>

using namespace kinetta::test;

namespace
{

std::set<xcb_window_t> shownIds(TrayDesktop& desktop)
{
    std::set<xcb_window_t> ids;
    for (const SeenWindow& window : desktop.shownWindows())
        ids.insert(window.id);
    return ids;
}

int colourCount(const QImage& image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

// Clicks the icon and waits for a new window of width, drawn and still.
std::optional<SeenWindow> openFromIcon(TrayDesktop& desktop, int width)
{
    const std::set<xcb_window_t> before = shownIds(desktop);
    if (!desktop.clickTrayIcon(1))
        return std::nullopt;
    const std::optional<SeenWindow> opened = desktop.waitForWindow([&](const SeenWindow& window) {
        return !before.contains(window.id) && window.geometry.width() == width;
    });
    if (!opened)
        return std::nullopt;
    // Drawn once two grabs a moment apart agree and show text and controls
    // (many colours), not an empty window.
    QImage last;
    const bool drawn = processUntil([&] {
        const QImage now = desktop.windows().grab(opened->geometry);
        const bool settled = !now.isNull() && now == last && colourCount(now) > 16;
        last = now;
        return settled;
    });
    return drawn ? opened : std::nullopt;
}

bool save(TrayDesktop& desktop, const QDir& folder, const char* name)
{
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (!desktop.windows().grabScreen().save(path)) {
        std::fprintf(stderr, "tray screenshots: could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

int fail(TrayDesktop& desktop, const char* what)
{
    std::fprintf(stderr, "tray screenshots: %s\n%s", what,
                 qPrintable(desktop.program().errorOutput()));
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path()))
        return 1;

    TrayDesktopOptions options;
    options.screen = QSize(1024, 768);
    options.settings = {{QStringLiteral("captureMode"), QStringLiteral("Screen")},
                        {QStringLiteral("useCountdown"), false},
                        {QStringLiteral("useAutoStop"), true},
                        {QStringLiteral("autoStopSeconds"), 30},
                        {QStringLiteral("autoCopy"), true}};
    TrayDesktop desktop(options);
    if (!desktop.unavailable().empty()) {
        std::fprintf(stderr, "tray screenshots: %s\n", desktop.unavailable().c_str());
        return 1;
    }
    desktop.windows().paintBackground(0x2b3a55);
    if (!desktop.launch() || !desktop.waitForTrayIcon())
        return fail(desktop, "the tray program did not start");

    const std::optional<SeenWindow> panel = openFromIcon(desktop, 300);
    if (!panel)
        return fail(desktop, "the panel did not open");
    if (!save(desktop, folder, "tray-panel-open.png"))
        return 1;

    // Return records; the icon opens the HUD, which is taken a few seconds
    // in: once its time and frame count have moved on three times.
    if (!desktop.pressKeys({QStringLiteral("Return")}) ||
        !desktop.waitForNoWindow([&](const SeenWindow& w) { return w.id == panel->id; }))
        return fail(desktop, "Return did not start a recording");
    const std::optional<SeenWindow> hud = openFromIcon(desktop, 280);
    if (!hud)
        return fail(desktop, "the HUD did not open while recording");
    QImage shown = desktop.windows().grab(hud->geometry);
    int ticks = 0;
    const bool ticked = processUntil([&] {
        const QImage now = desktop.windows().grab(hud->geometry);
        if (!now.isNull() && now != shown) {
            shown = now;
            ++ticks;
        }
        return ticks >= 3;
    });
    if (!ticked)
        return fail(desktop, "the HUD did not count the recording's seconds");
    return save(desktop, folder, "tray-hud-recording.png") ? 0 : 1;
}
