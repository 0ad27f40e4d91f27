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
const qint64 kOtherPid = kOwnPid + 1;

WindowListEntry entry(std::uint32_t id, QString app, QString title,
                      QRectF bounds = {0, 0, 400, 300}, std::optional<qint64> pid = kOtherPid)
{
    WindowListEntry e;
    e.windowID = id;
    e.pid = pid;
    e.ordinary = true;
    e.bounds = bounds;
    e.appName = std::move(app);
    e.title = std::move(title);
    return e;
}

std::vector<std::uint32_t> ids(const std::vector<WindowInfo>& windows)
{
    std::vector<std::uint32_t> result;
    for (const WindowInfo& window : windows)
        result.push_back(window.windowID);
    return result;
}

class FakeWindowSource final : public WindowListSource
{
public:
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

TEST(RecordableWindows, SizeLimitsAreExclusive)
{
    const auto windows = recordableWindows(
        {entry(1, "A", "w100", {0, 0, 100, 300}), entry(2, "A", "h50", {0, 0, 300, 50}),
         entry(3, "A", "ok", {0, 0, 101, 51}), entry(4, "A", "negative", {0, 0, -400, 300}),
         entry(5, "A", "nan", {0, 0, std::nan(""), 300})},
        kOwnPid);
    EXPECT_EQ(ids(windows), std::vector<std::uint32_t>{3});
}

TEST(RecordableWindows, FiltersOwnUnknownAndUnusualWindows)
{
    WindowListEntry panel = entry(3, "Dock", "");
    panel.ordinary = false;
    WindowListEntry noBounds = entry(4, "B", "");
    noBounds.bounds.reset();
    const auto windows = recordableWindows(
        {entry(1, "Me", "huge", {0, 0, 4000, 3000}, kOwnPid),
         entry(2, "B", "no pid", {0, 0, 400, 300}, std::nullopt), panel, noBounds,
         entry(5, "B", "pid too large", {0, 0, 400, 300}, qint64{1} << 40), entry(6, "B", "kept")},
        kOwnPid);
    EXPECT_EQ(ids(windows), std::vector<std::uint32_t>{6});
}

TEST(RecordableWindows, FillsDefaultsAndCopiesFields)
{
    WindowListEntry bare = entry(9, "", "", {std::nan(""), 20, 640, 480}, 77);
    bare.appName.reset();
    bare.title.reset();
    const auto windows =
        recordableWindows({bare, entry(10, "", "t", {-5, -6, 200, 100}, 78)}, kOwnPid);
    ASSERT_EQ(windows.size(), 2u);
    // An empty owner name stays empty and sorts first; a missing one is "Unknown".
    EXPECT_EQ(windows[0].appName, QString());
    EXPECT_EQ(windows[0].frame, QRectF(-5, -6, 200, 100));
    EXPECT_EQ(windows[0].pid, 78);
    EXPECT_EQ(windows[1].appName, QStringLiteral("Unknown"));
    EXPECT_EQ(windows[1].title, QString());
    EXPECT_EQ(windows[1].frame, QRectF(0, 20, 640, 480));
    EXPECT_EQ(windows[1].windowID, 9u);
}

TEST(RecordableWindows, SortsByCodePointsThenTitleKeepingFrontToBackTies)
{
    const auto windows = recordableWindows(
        {entry(1, "apple", "x"), entry(2, "Zebra", "b"), entry(3, "Zebra", ""),
         entry(4, "Zebra", "b"),
         entry(5, QString::fromUtf8("\xF0\x9F\x98\x80"), ""), // U+1F600, beyond the basic plane
         entry(6, QString::fromUtf8("\xEF\xBC\xA1"), ""),     // U+FF21
         entry(7, QString::fromUtf8("caf\xC3\xA9"), "2"),     // precomposed é
         entry(8, QString::fromUtf8("cafe\xCC\x81"), "1")},   // e + combining acute
        kOwnPid);
    EXPECT_EQ(ids(windows), (std::vector<std::uint32_t>{3, 2, 4, 1, 8, 7, 6, 5}));
    EXPECT_LT(compareUnicodeText(QString::fromUtf8("\xEF\xBC\xA1"),
                                 QString::fromUtf8("\xF0\x9F\x98\x80")),
              0);
    EXPECT_EQ(
        compareUnicodeText(QString::fromUtf8("caf\xC3\xA9"), QString::fromUtf8("cafe\xCC\x81")), 0);
    EXPECT_LT(compareUnicodeText(QString(), QStringLiteral("a")), 0);
    EXPECT_GT(compareUnicodeText(QStringLiteral("ab"), QStringLiteral("a")), 0);
}

TEST(SessionWindows, WithoutASourceTheListIsEmpty)
{
    RecordingSession session;
    session.setAvailableWindows({WindowInfo{1, "A", "", {0, 0, 300, 300}, 2}});
    session.refreshWindows();
    EXPECT_TRUE(session.availableWindows().empty());
    EXPECT_FALSE(session.windowsLoading());
}

TEST(SessionWindows, RefreshPublishesLoadingAroundOneListChange)
{
    RecordingSession session;
    auto source = std::make_shared<FakeWindowSource>();
    source->list = std::vector<WindowListEntry>{entry(2, "B", ""), entry(1, "A", "")};
    session.setWindowListSource(source);
    std::vector<QString> events;
    QObject::connect(&session, &RecordingSession::windowsLoadingChanged, [&](bool loading) {
        events.push_back(loading ? QStringLiteral("loading") : QStringLiteral("done"));
    });
    QObject::connect(
        &session, &RecordingSession::availableWindowsChanged,
        [&](const std::vector<WindowInfo>& w) { events.push_back(QString::number(w.size())); });
    session.refreshWindows();
    EXPECT_EQ(events, (std::vector<QString>{"loading", "2", "done"}));
    EXPECT_EQ(ids(session.availableWindows()), (std::vector<std::uint32_t>{1, 2}));
}

TEST(SessionWindows, AVanishedSelectionIsClearedAndAListedOneKeptAsStored)
{
    RecordingSession session;
    auto source = std::make_shared<FakeWindowSource>();
    source->list = std::vector<WindowListEntry>{entry(1, "A", "new title"), entry(2, "B", "")};
    session.setWindowListSource(source);
    const WindowInfo stored{1, "A", "old title", {0, 0, 400, 300}, 5};
    session.setSelectedWindow(stored);
    session.refreshWindows();
    ASSERT_TRUE(session.selectedWindow());
    EXPECT_EQ(session.selectedWindow()->title, QStringLiteral("old title"));

    // The selected window closes, then another program quits.
    source->list = std::vector<WindowListEntry>{entry(2, "B", "")};
    session.refreshWindows();
    source->list = std::vector<WindowListEntry>{};
    session.refreshWindows();
    EXPECT_FALSE(session.selectedWindow());
}

TEST(SessionWindows, AnUnreadableListEmptiesTheListButKeepsTheSelection)
{
    RecordingSession session;
    auto source = std::make_shared<FakeWindowSource>();
    source->list = std::vector<WindowListEntry>{entry(1, "A", "")};
    session.setWindowListSource(source);
    session.refreshWindows();
    session.setSelectedWindow(session.availableWindows().front());
    source->list.reset();
    SignalLog loading(&session, &RecordingSession::windowsLoadingChanged);
    session.refreshWindows();
    EXPECT_TRUE(session.availableWindows().empty());
    EXPECT_TRUE(session.selectedWindow());
    EXPECT_FALSE(session.windowsLoading());
    EXPECT_EQ(loading.count(), 2);
}

TEST(SessionWindows, SourceChangesRefreshUntilTheSessionIsGone)
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

        // Replacing the source detaches the old one.
        auto other = std::make_shared<FakeWindowSource>();
        session.setWindowListSource(other);
        EXPECT_FALSE(source->handler);
        session.setWindowListSource(source);
    }
    EXPECT_FALSE(source->handler);
}

TEST(SessionWindows, AChangeReportedDuringARefreshRunsAfterIt)
{
    RecordingSession session;
    auto source = std::make_shared<FakeWindowSource>();
    source->list = std::vector<WindowListEntry>{entry(1, "A", "")};
    session.setWindowListSource(source);
    std::vector<bool> loading;
    QObject::connect(&session, &RecordingSession::windowsLoadingChanged,
                     [&](bool on) { loading.push_back(on); });
    // The first read reports that a window appeared meanwhile.
    source->onList = [&] {
        if (source->calls > 1)
            return;
        source->list->push_back(entry(2, "B", ""));
        source->handler();
    };
    session.refreshWindows();
    EXPECT_EQ(source->calls, 2);
    EXPECT_EQ(ids(session.availableWindows()), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(loading, (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(session.windowsLoading());
}
