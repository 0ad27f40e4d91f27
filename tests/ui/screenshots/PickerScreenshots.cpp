// The window picker: loading, no windows, a grid of six with one card focused
// and one hovered, the session's window selected, and a search without a match.
#include "Screenshots.h"
#include "model/QtScheduler.h"
#include "model/RecordingSession.h"
#include "ui/common/Announcer.h"
#include "ui/icons/WindowIconLookup.h"
#include "ui/selection/WindowCard.h"
#include "ui/selection/WindowCardGrid.h"
#include "ui/selection/WindowPickerView.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

namespace
{

using namespace kinetta;

struct ListedWindows final : WindowListSource {
    std::optional<std::vector<WindowListEntry>> listWindows() override { return entries; }
    void setChangeHandler(std::function<void()> /*handler*/) override {}
    std::vector<WindowListEntry> entries;
};

struct Silent final : kinetta::Announcer {
    void announceFrom(QObject* /*source*/, const QString& /*text*/, int /*priority*/) override {}
};

struct NoIcons final : WindowIconReader {
    std::vector<std::vector<std::uint32_t>>
    readIcons(const std::vector<std::uint32_t>& ids) override
    {
        return std::vector<std::vector<std::uint32_t>>(ids.size());
    }
};

// Stand-ins for what six windows might show.
QImage windowContents(std::uint32_t id)
{
    QImage image(960, 600, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QFont mono(QStringLiteral("Monospace"));
    mono.setPixelSize(22);
    switch ((id - 1) % 6) {
    case 0: { // terminal
        image.fill(QColor(20, 22, 26));
        p.setFont(mono);
        const char* lines[] = {"$ cmake --build build",   "[12/40] Building CXX object",
                               "[40/40] Linking kinetta", "$ ctest --parallel 2",
                               "100% tests passed",       "$ _"};
        for (int i = 0; i < 6; ++i) {
            p.setPen(i % 3 == 0 ? QColor(120, 220, 140) : QColor(220, 220, 220));
            p.drawText(30, 60 + i * 44, QString::fromLatin1(lines[i]));
        }
        break;
    }
    case 1: { // clock
        image.fill(QColor(236, 236, 236));
        p.translate(480, 300);
        p.setPen(QPen(Qt::black, 6));
        p.drawEllipse(QPointF(0, 0), 240, 240);
        for (int i = 0; i < 12; ++i) {
            p.save();
            p.rotate(i * 30);
            p.drawLine(0, -220, 0, -190);
            p.restore();
        }
        p.setPen(QPen(Qt::black, 12, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(0, 0, 90, -110);
        p.setPen(QPen(Qt::black, 8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(0, 0, -40, -200);
        break;
    }
    case 2: { // web page
        image.fill(Qt::white);
        p.fillRect(0, 0, 960, 70, QColor(240, 240, 244));
        p.fillRect(120, 18, 720, 34, Qt::white);
        p.fillRect(80, 120, 800, 180, QColor(90, 120, 220));
        for (int i = 0; i < 5; ++i)
            p.fillRect(80, 340 + i * 44, 800 - i * 90, 18, QColor(200, 200, 210));
        break;
    }
    case 3: { // file manager
        image.fill(QColor(250, 250, 250));
        p.fillRect(0, 0, 220, 600, QColor(236, 238, 242));
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 5; ++c)
                p.fillRect(260 + c * 136, 50 + r * 170, 96, 80, QColor(245, 190, 70));
        break;
    }
    case 4: { // editor
        image.fill(QColor(40, 42, 54));
        p.setFont(mono);
        const QColor colours[] = {QColor(255, 121, 198), QColor(139, 233, 253),
                                  QColor(248, 248, 242), QColor(80, 250, 123)};
        for (int i = 0; i < 11; ++i) {
            p.setPen(colours[i % 4]);
            p.drawText(40 + (i % 3) * 40, 50 + i * 48, QStringLiteral("return frames[index];"));
        }
        break;
    }
    default: { // image viewer
        QLinearGradient sky(0, 0, 0, 600);
        sky.setColorAt(0, QColor(255, 170, 90));
        sky.setColorAt(1, QColor(120, 60, 160));
        p.fillRect(image.rect(), sky);
        p.setBrush(QColor(40, 20, 60));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({{0, 600}, {300, 260}, {520, 480}, {700, 320}, {960, 600}}));
        break;
    }
    }
    return image;
}

WindowListEntry entry(std::uint32_t id, const char* app, const char* title, QRectF bounds)
{
    return {id,
            QCoreApplication::applicationPid() + 1,
            true,
            bounds,
            QString::fromUtf8(app),
            QString::fromUtf8(title),
            std::nullopt};
}

// One picker over the given windows, rendered after prepare() and once every
// card in view has its thumbnail.
QImage render(std::vector<WindowListEntry> windows, bool loading,
              const std::function<void(WindowPickerView&)>& prepare)
{
    auto source = std::make_shared<ListedWindows>();
    source->entries = std::move(windows);
    RecordingSession session;
    session.setWindowListSource(source);
    QtScheduler scheduler;
    Silent announcer;
    WindowIconLookup icons(std::make_shared<NoIcons>(), [](const QString&) { return QIcon(); });
    WindowPickerView view(
        {session, scheduler, announcer,
         [](std::uint32_t id) { return std::optional(windowContents(id)); }, &icons, true},
        [](const WindowInfo&) {}, [] {});
    view.setAttribute(Qt::WA_TranslucentBackground);
    view.show();
    QCoreApplication::processEvents(); // the first refresh
    if (loading)
        session.setWindowsLoading(true);
    prepare(view);
    QDeadlineTimer deadline(5000);
    const auto cardsReady = [&] {
        for (WindowCard* card : view.grid()->cardsInView())
            if (!card->hasThumbnail())
                return false;
        return true;
    };
    while (!cardsReady() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return view.grab().toImage();
}

std::vector<WindowListEntry> sixWindows()
{
    return {
        entry(1, "xterm", "~/src/kinetta", {0, 0, 1280, 800}),
        entry(2, "xclock", "", {0, 0, 164.7, 164.2}),
        entry(3, "Browser", "Release notes \u2014 Web Browser", {0, 0, 1440.6, 900.4}),
        entry(4, "Files", "Pictures", {0, 0, 1024, 640}),
        entry(5, "Editor", "FrameStore.cpp", {0, 0, 1600, 1000}),
        entry(6, "Viewer", "sunset.png", {0, 0, 800, 500}),
    };
}

const bool registered = kinetta::screenshots::add("picker", [] {
    std::vector<kinetta::screenshots::Shot> shots;
    shots.push_back({QStringLiteral("picker-loading"), render({}, true, [](WindowPickerView&) {})});
    shots.push_back({QStringLiteral("picker-empty"), render({}, false, [](WindowPickerView&) {})});
    shots.push_back(
        {QStringLiteral("picker-grid"), render(sixWindows(), false, [](WindowPickerView& view) {
             // Focus on the third card; the pointer over the second.
             for (int i = 0; i < 3; ++i)
                 QTest::keyClick(view.searchField(), Qt::Key_Right);
             view.grid()->cardAt(1)->setHovered(true);
         })});
    shots.push_back(
        {QStringLiteral("picker-selected"), render(sixWindows(), false, [](WindowPickerView& view) {
             // The session's window (Files) is also the focused card.
             view.grid()->setSelectedWindowID(view.filteredWindows()[1].windowID);
             QTest::keyClick(view.searchField(), Qt::Key_Down);
         })});
    shots.push_back(
        {QStringLiteral("picker-no-match"), render(sixWindows(), false, [](WindowPickerView& view) {
             QTest::keyClicks(view.searchField(), "blender");
         })});
    return shots;
});

} // namespace
