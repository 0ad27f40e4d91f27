#include "model/RecordableWindows.h"
#include "model/RecordingSession.h"
#include "model/SignalLog.h"

#include <QCoreApplication>
#include <cmath>
#include <gtest/gtest.h>

using namespace kinetta;

namespace
{

const qint64 kOwnPid = QCoreApplication::applicationPid();

WindowListEntry entry(std::uint32_t id, QString app, QString title,
                      QRectF bounds = {0, 0, 400, 300}, std::optional<qint64> pid = kOwnPid + 1)
{
    return {id, pid, true, bounds, std::move(app), std::move(title), std::nullopt};
}

std::vector<std::uint32_t> ids(const std::vector<WindowInfo>& windows)
{
    std::vector<std::uint32_t> result;
    for (const WindowInfo& window : windows)
        result.push_back(window.windowID);
    return result;
}

struct FakeWindowSource final : WindowListSource {
    std::optional<std::vector<WindowListEntry>> listWindows() override
    {
        ++calls;
        if (onList)
            onList();
        return list;
    }
    void setChangeHandler(std::function<void()> changed) override { handler = std::move(changed); }

    std::optional<std::vector<WindowListEntry>> list = std::vector<WindowListEntry>{};
    std::function<void()> handler;
    std::function<void()> onList;
    int calls = 0;
};

} // namespace

TEST(RecordableWindows, KeepsOrdinaryWindowsOfOtherProcessesLargerThanTheMinimum)
{
    WindowListEntry panel = entry(6, "Dock", "");
    panel.ordinary = false;
    WindowListEntry noBounds = entry(7, "B", "");
    noBounds.bounds.reset();
    const auto windows = recordableWindows(
        {entry(1, "A", "w100", {0, 0, 100, 300}), entry(2, "A", "h50", {0, 0, 300, 50}),
         entry(11, "A", "100x50", {0, 0, 100, 50}), entry(3, "A", "ok", {0, 0, 101, 51}),
         entry(4, "A", "negative", {0, 0, -400, 300}),
         entry(5, "A", "nan", {0, 0, std::nan(""), 300}), panel, noBounds,
         entry(8, "Me", "huge", {0, 0, 4000, 3000}, kOwnPid),
         entry(9, "B", "no pid", {0, 0, 400, 300}, std::nullopt),
         entry(10, "B", "pid too large", {0, 0, 400, 300}, qint64{1} << 40)},
        kOwnPid);
    EXPECT_EQ(ids(windows), std::vector<std::uint32_t>{3});
}

TEST(RecordableWindows, FillsDefaultsAndCopiesFields)
{
    WindowListEntry bare = entry(9, "", "", {std::nan(""), 20, 640, 480}, 77);
    bare.appName.reset();
    bare.title.reset();
    WindowListEntry named = entry(10, "", "t", {-5, -6, 200, 100}, 78);
    named.className = QStringLiteral("Sketchpad");
    const auto windows = recordableWindows({bare, named}, kOwnPid);
    ASSERT_EQ(windows.size(), 2u);
    // An empty owner name stays empty and sorts first; a missing one is "Unknown".
    EXPECT_EQ(windows[0].appName, QString());
    EXPECT_EQ(windows[0].frame, QRectF(-5, -6, 200, 100));
    EXPECT_EQ(windows[0].pid, 78);
    EXPECT_EQ(windows[0].className, QStringLiteral("Sketchpad"));
    EXPECT_EQ(windows[1].appName, QStringLiteral("Unknown"));
    EXPECT_EQ(windows[1].title, QString());
    EXPECT_EQ(windows[1].className, QString()); // none named: no theme lookup
    EXPECT_EQ(windows[1].frame, QRectF(0, 20, 640, 480));
    EXPECT_EQ(windows[1].windowID, 9u);
}

TEST(RecordableWindows, SortsByCodePointsThenTitleKeepingFrontToBackTies)
{
    const auto windows = recordableWindows(
        {entry(1, "acorn", "x"), entry(2, "Zebra", "b"), entry(3, "Zebra", ""),
         entry(4, "Zebra", "b"),
         entry(5, QString::fromUtf8("\xF0\x9F\x98\x80"), ""), // U+1F600, beyond the basic plane
         entry(6, QString::fromUtf8("\xEF\xBC\xA1"), ""),     // U+FF21
         entry(7, QString::fromUtf8("caf\xC3\xA9"), "2"),     // precomposed é
         entry(8, QString::fromUtf8("cafe\xCC\x81"), "1")},   // e + combining acute
        kOwnPid);
    EXPECT_EQ(ids(windows), (std::vector<std::uint32_t>{3, 2, 4, 1, 8, 7, 6, 5}));
    EXPECT_GT(compareUnicodeText(QStringLiteral("ab"), QStringLiteral("a")), 0);
}

TEST(SessionWindows, TheSelectionStaysWhileListedOrUnreadableAndGoesWhenItsWindowCloses)
{
    RecordingSession session;
    auto source = std::make_shared<FakeWindowSource>();
    source->list = std::vector<WindowListEntry>{entry(1, "A", "new title"), entry(2, "B", "")};
    session.setWindowListSource(source);
    session.setSelectedWindow(WindowInfo{1, "A", "old title", {0, 0, 400, 300}, 5, {}});
    session.refreshWindows();
    ASSERT_TRUE(session.selectedWindow());
    EXPECT_EQ(session.selectedWindow()->title, QStringLiteral("old title"));

    source->list.reset(); // an unreadable list is no reason to drop the selection
    SignalLog loading(&session, &RecordingSession::windowsLoadingChanged);
    session.refreshWindows();
    EXPECT_TRUE(session.availableWindows().empty());
    EXPECT_TRUE(session.selectedWindow());
    EXPECT_FALSE(session.windowsLoading());
    EXPECT_EQ(loading.count, 2);

    source->list = std::vector<WindowListEntry>{entry(2, "B", "")};
    session.refreshWindows();
    EXPECT_FALSE(session.selectedWindow());
}

TEST(SessionWindows, TheSameWindowWithANewTitleFrameOrClassIsAChange)
{
    RecordingSession session;
    SignalLog selected(&session, &RecordingSession::selectedWindowChanged);
    SignalLog windows(&session, &RecordingSession::availableWindowsChanged);
    WindowInfo window{7, "Editor", "a.txt", {0, 0, 200, 100}, 42, "Editor"};
    session.setSelectedWindow(window);
    session.setSelectedWindow(window);
    window.title = QStringLiteral("b.txt");
    session.setSelectedWindow(window);
    session.setAvailableWindows({window});
    window.frame = QRectF(5, 5, 200, 100);
    session.setAvailableWindows({window});
    // A new class name changes the icon views show.
    window.className = QStringLiteral("Writer");
    session.setAvailableWindows({window});
    EXPECT_EQ(selected.count, 2);
    EXPECT_EQ(windows.count, 3);
}

TEST(SessionWindows, SourceChangesRefreshUntilTheSourceIsReplacedOrTheSessionGone)
{
    auto source = std::make_shared<FakeWindowSource>();
    source->list = std::vector<WindowListEntry>{entry(1, "A", "")};
    {
        RecordingSession session;
        session.setWindowListSource(source);
        ASSERT_TRUE(source->handler);
        source->handler();
        source->handler();
        EXPECT_EQ(source->calls, 2);
        EXPECT_EQ(session.availableWindows().size(), 1u);
        session.setWindowListSource(std::make_shared<FakeWindowSource>());
        EXPECT_FALSE(source->handler);
        session.setWindowListSource(source);
    }
    EXPECT_FALSE(source->handler);
}

TEST(SessionWindows, ARefreshPublishesLoadingAroundTheListAndAChangeDuringItRunsAfter)
{
    RecordingSession session;
    auto source = std::make_shared<FakeWindowSource>();
    source->list = std::vector<WindowListEntry>{entry(2, "B", "")};
    session.setWindowListSource(source);
    std::vector<QString> events;
    QObject::connect(&session, &RecordingSession::windowsLoadingChanged, [&](bool loading) {
        events.push_back(loading ? QStringLiteral("loading") : QStringLiteral("done"));
    });
    QObject::connect(
        &session, &RecordingSession::availableWindowsChanged,
        [&](const std::vector<WindowInfo>& w) { events.push_back(QString::number(w.size())); });
    // The first read reports a change; the second, run after it, finds a new window.
    source->onList = [&] {
        if (source->calls == 1)
            source->handler();
        else
            source->list->push_back(entry(1, "A", ""));
    };
    session.refreshWindows();
    EXPECT_EQ(source->calls, 2);
    EXPECT_EQ(events, (std::vector<QString>{"loading", "1", "done", "loading", "2", "done"}));
    EXPECT_EQ(ids(session.availableWindows()), (std::vector<std::uint32_t>{1, 2}));
}
