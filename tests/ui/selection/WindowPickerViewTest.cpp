// The picker over a fake window list, offscreen: its states, its keys, what
// it says, and its lazily built grid.
#include "ui/selection/WindowPickerView.h"

#include "PickerTestDoubles.h"
#include "app/ProcessUntil.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/selection/WindowCard.h"
#include "ui/selection/WindowCardGrid.h"

#include <QAccessible>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace kinetta::test
{
namespace
{

class WindowPickerViewTest : public ::testing::Test
{
protected:
    WindowPickerViewTest() { session.setWindowListSource(source); }
    ~WindowPickerViewTest() override
    {
        view.reset();
        snapshots->releaseAll();
    }

    void addWindows(int count)
    {
        for (int i = 0; i < count; ++i)
            source->add(static_cast<std::uint32_t>(100 + i),
                        QStringLiteral("App %1").arg(i, 2, 10, QLatin1Char('0')),
                        QStringLiteral("Window %1").arg(i));
    }
    // Shows the picker; its first refresh runs once events are processed.
    void open(bool processEvents = true)
    {
        WindowPickerView::Services services{
            session,   scheduler,
            announcer, [gate = snapshots](std::uint32_t id) { return gate->capture(id); },
            nullptr,   true};
        view = std::make_unique<WindowPickerView>(
            services, [this](const WindowInfo& w) { chosen.push_back(w); }, [this] { ++cancels; });
        view->show();
        if (processEvents)
            QCoreApplication::processEvents();
    }
    void key(int qtKey) { QTest::keyClick(view->searchField(), static_cast<Qt::Key>(qtKey)); }

    std::shared_ptr<FakeWindowSource> source = std::make_shared<FakeWindowSource>();
    std::shared_ptr<GatedSnapshots> snapshots = std::make_shared<GatedSnapshots>();
    RecordingSession session;
    VirtualScheduler scheduler;
    RecordingAnnouncer announcer;
    std::vector<WindowInfo> chosen;
    int cancels = 0;
    std::unique_ptr<WindowPickerView> view;
};

TEST_F(WindowPickerViewTest, LoadingThenEmptyThenNoMatchWithTheirTextsAndRefresh)
{
    session.setWindowsLoading(true);
    open(false);
    EXPECT_EQ(view->state(), WindowPickerView::State::loading);
    EXPECT_TRUE(view->loadingIndicator()->isVisible());
    EXPECT_EQ(view->loadingIndicator()->accessibleName(), "Loading windows");
    EXPECT_FALSE(view->grid()->isVisible());

    // The first refresh comes once the picker has shown; the list is empty.
    QCoreApplication::processEvents();
    EXPECT_EQ(source->listings, 1);
    EXPECT_EQ(view->state(), WindowPickerView::State::empty);
    EXPECT_FALSE(view->loadingIndicator()->isVisible());
    EXPECT_TRUE(view->emptyRefreshButton()->isVisible());
    EXPECT_EQ(WindowPickerView::emptyText(view->searchQuery()), "No open windows found");
    ASSERT_EQ(announcer.spoken.size(), 1u);
    EXPECT_EQ(announcer.spoken[0].text, "No windows found.");
    EXPECT_EQ(announcer.spoken[0].priority, 2000);

    // Refresh in the empty state asks again and finds windows.
    addWindows(3);
    QTest::mouseClick(view->emptyRefreshButton(), Qt::LeftButton);
    EXPECT_EQ(source->listings, 2);
    EXPECT_EQ(view->state(), WindowPickerView::State::grid);
    EXPECT_EQ(announcer.texts().back(), "3 windows available.");

    // A query without a match: quoted as typed, no Refresh button.
    QTest::keyClicks(view->searchField(), " Zz");
    EXPECT_EQ(view->state(), WindowPickerView::State::empty);
    EXPECT_EQ(WindowPickerView::emptyText(view->searchQuery()), "No windows match \" Zz\"");
    EXPECT_FALSE(view->emptyRefreshButton()->isVisible());
    EXPECT_TRUE(view->clearButton()->isVisible());
    QTest::mouseClick(view->clearButton(), Qt::LeftButton);
    EXPECT_EQ(view->searchQuery(), "");
    EXPECT_FALSE(view->clearButton()->isVisible());
    EXPECT_EQ(view->filteredWindows().size(), 3u);

    // The footer's Refresh asks as well; showing again does not.
    QTest::mouseClick(view->footerRefreshButton(), Qt::LeftButton);
    EXPECT_EQ(source->listings, 3);
    view->hide();
    view->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(source->listings, 3);
}

TEST_F(WindowPickerViewTest, SearchFieldKeepsTypingWhileTheGridTakesArrowsReturnAndEscape)
{
    source->add(1, "xterm", "build");
    source->add(2, "xterm", "");
    source->add(3, "xclock", "clock");
    source->add(4, "Files", "xterm notes");
    source->add(5, "Editor", "main.cpp");
    open();
    ASSERT_EQ(view->filteredWindows().size(), 5u);

    // Return without focus does nothing.
    key(Qt::Key_Return);
    EXPECT_TRUE(chosen.empty());

    // Sorted: Editor, Files, xclock, xterm (untitled), xterm "build".
    key(Qt::Key_Right);
    EXPECT_EQ(view->keyboardIndex(), 0);
    EXPECT_EQ(announcer.spoken.back().text, QString::fromUtf8("Editor \u2014 main.cpp"));
    EXPECT_EQ(announcer.spoken.back().priority, 1500);
    key(Qt::Key_Down);
    EXPECT_EQ(view->keyboardIndex(), 2);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(view->keyboardIndex(), 4);
    EXPECT_EQ(view->searchQuery(), ""); // arrows never typed anything

    // Typing reaches the field and never navigates; a changed count clears focus.
    QTest::keyClicks(view->searchField(), "XTERM");
    EXPECT_EQ(view->searchQuery(), "XTERM");
    EXPECT_EQ(view->filteredWindows().size(), 3u);
    EXPECT_EQ(view->keyboardIndex(), std::nullopt);
    // The caret stays at the end: Left and Right move the grid, not the caret.
    EXPECT_EQ(view->searchField()->cursorPosition(), 5);
    key(Qt::Key_Left);
    EXPECT_EQ(view->searchField()->cursorPosition(), 5);
    EXPECT_EQ(view->keyboardIndex(), 2); // from no focus, Left takes the last card
    EXPECT_EQ(announcer.spoken.back().text, QString::fromUtf8("xterm \u2014 build"));
    key(Qt::Key_Up);
    EXPECT_EQ(view->keyboardIndex(), 0);
    EXPECT_EQ(announcer.spoken.back().text, QString::fromUtf8("Files \u2014 xterm notes"));
    key(Qt::Key_Right);
    EXPECT_EQ(announcer.spoken.back().text, "xterm"); // untitled: the application alone

    key(Qt::Key_Enter);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].windowID, 2u);
    EXPECT_EQ(cancels, 0);

    key(Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(chosen.size(), 1u);
}

TEST_F(WindowPickerViewTest, RefreshKeepsFocusUnlessTheCountOfMatchesChanges)
{
    addWindows(4);
    open();
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    ASSERT_EQ(view->keyboardIndex(), 1);

    source->entries[0].title = QStringLiteral("renamed");
    source->changed();
    EXPECT_EQ(view->keyboardIndex(), 1);
    EXPECT_EQ(view->filteredWindows()[0].title, "renamed");

    source->add(900, "Zed", "new");
    source->changed();
    EXPECT_EQ(view->keyboardIndex(), std::nullopt);
    EXPECT_EQ(view->filteredWindows().size(), 5u);

    // The picker follows windows that close; the selected one leaves the session.
    session.setSelectedWindow(view->filteredWindows()[4]);
    source->entries.pop_back();
    source->changed();
    EXPECT_EQ(view->filteredWindows().size(), 4u);
    EXPECT_EQ(session.selectedWindow(), std::nullopt);
}

TEST_F(WindowPickerViewTest, CardsClickSelectAndTellTheScreenReaderTheirState)
{
    source->add(1, "xterm", "~");
    source->add(2, "xclock", "");
    open();
    // Sorted: xclock first.
    WindowCard* second = view->grid()->cardAt(1);
    ASSERT_NE(second, nullptr);
    QTest::mouseClick(second, Qt::LeftButton);
    EXPECT_EQ(view->keyboardIndex(), 1);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].windowID, 1u);
    EXPECT_EQ(announcer.spoken.back().text, QString::fromUtf8("xterm \u2014 ~"));

    QAccessibleInterface* card = QAccessible::queryAccessibleInterface(second);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->role(), QAccessible::Button);
    EXPECT_EQ(card->text(QAccessible::Name), QString::fromUtf8("xterm \u2014 ~"));
    EXPECT_EQ(card->text(QAccessible::Description),
              "Press Return or click to select this window for recording.");
    EXPECT_TRUE(card->state().selectable);
    EXPECT_FALSE(card->state().selected);
    session.setSelectedWindow(chosen[0]);
    EXPECT_TRUE(second->isSelected());
    EXPECT_TRUE(card->state().selected);
    EXPECT_EQ(card->text(QAccessible::Description),
              "Selected. Press Return or click to record this window.");
    EXPECT_FALSE(view->grid()->cardAt(0)->isSelected());
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(view->grid()->cardAt(0))->text(QAccessible::Name),
        "xclock"); // untitled: the application alone

    // Selected and focused at once looks exactly like selected alone.
    ASSERT_TRUE(second->isKeyboardFocused());
    const QImage selectedAndFocused = second->grab().toImage();
    key(Qt::Key_Left);
    ASSERT_FALSE(second->isKeyboardFocused());
    EXPECT_EQ(second->grab().toImage(), selectedAndFocused);
    key(Qt::Key_Right);
    session.setSelectedWindow(std::nullopt);
    EXPECT_NE(second->grab().toImage(), selectedAndFocused);

    EXPECT_EQ(view->closeButton()->accessibleName(), "Cancel");
    EXPECT_EQ(view->searchField()->accessibleName(), "Search windows");
    EXPECT_EQ(view->searchField()->placeholderText(), QString::fromUtf8("Search windows\u2026"));
    EXPECT_EQ(view->footerRefreshButton()->accessibleDescription(),
              "Update the list of available windows");
    EXPECT_EQ(view->emptyRefreshButton()->accessibleDescription(),
              "Update the list of available windows");
    QTest::keyClicks(view->searchField(), "x");
    EXPECT_EQ(view->clearButton()->accessibleName(), "Clear search");
    QTest::mouseClick(view->closeButton(), Qt::LeftButton);
    QTest::mouseClick(view->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(cancels, 2);
}

TEST_F(WindowPickerViewTest, FiftyWindowsMakeCardsAndCapturesOnlyForTheRowsInView)
{
    addWindows(50);
    open();
    WindowCardGrid* grid = view->grid();
    ASSERT_EQ(view->filteredWindows().size(), 50u);
    const auto inView = static_cast<int>(grid->cardsInView().size());
    EXPECT_GE(inView, 2);
    EXPECT_LE(inView, 6);
    EXPECT_EQ(grid->cardAt(49), nullptr);
    ASSERT_TRUE(snapshots->waitForRunning(inView));
    EXPECT_EQ(view->thumbnails().runningJobs(), inView);

    // Each capture lands on its own card.
    snapshots->release(100);
    ASSERT_TRUE(processUntil([&] { return grid->cardAt(0)->hasThumbnail(); }));
    EXPECT_FALSE(grid->cardAt(1)->hasThumbnail());

    // Scrolled to the end: the first rows' cards are gone, the last ones made.
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    EXPECT_EQ(grid->cardAt(1), nullptr);
    ASSERT_NE(grid->cardAt(49), nullptr);
    const auto atEnd = static_cast<int>(grid->cardsInView().size());
    // The captures of the cards that left still run; new ones wait for them.
    EXPECT_LE(view->thumbnails().runningJobs(), atEnd);
    snapshots->releaseAll();
    ASSERT_TRUE(processUntil([&] { return grid->cardAt(49)->hasThumbnail(); }));
    EXPECT_LE(snapshots->mostRunning(), std::max(inView, atEnd));
    // The first rows were captured once each, and no window above them again.
    const auto requested = snapshots->requested();
    EXPECT_EQ(std::count(requested.begin(), requested.end(), 100u), 1);
    EXPECT_EQ(std::count(requested.begin(), requested.end(), 110u), 0);

    // Closing gives every job up.
    view->hide();
    ASSERT_TRUE(processUntil([&] { return view->thumbnails().runningJobs() == 0; }));
    EXPECT_EQ(view->thumbnails().waitingWindows(), 0);
}

TEST(WindowCardTest, HoverFadesInOverATenthOfASecondUnlessMotionIsReduced)
{
    VirtualScheduler scheduler;
    WindowInfo window{1, "xterm", "~", {0, 0, 800, 600}, 0, {}};
    const auto card = [&](bool reduceMotion) {
        auto made = std::make_unique<WindowCard>(window, scheduler, reduceMotion);
        made->resize(248, qRound(WindowCard::heightForCardWidth(248)));
        return made;
    };
    const auto still = card(true);
    const QImage plain = still->grab().toImage();
    still->setHovered(true);
    const QImage hovered = still->grab().toImage();
    ASSERT_NE(hovered, plain);

    const auto animated = card(false);
    animated->setHovered(true);
    EXPECT_EQ(animated->grab().toImage(), plain);
    scheduler.advance(WindowCard::hoverDuration / 2);
    const QImage halfway = animated->grab().toImage();
    EXPECT_NE(halfway, plain);
    EXPECT_NE(halfway, hovered);
    scheduler.advance(WindowCard::hoverDuration / 2);
    EXPECT_EQ(animated->grab().toImage(), hovered);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    // Leaving fades back out from where it is.
    animated->setHovered(false);
    scheduler.advance(WindowCard::hoverDuration);
    EXPECT_EQ(animated->grab().toImage(), plain);
}

} // namespace
} // namespace kinetta::test
