#include "model/QtScheduler.h"
#include "support/VirtualScheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace kinetta;
using namespace std::chrono_literals;

TEST(VirtualScheduler, RunsDueCallbacksInTimeOrderOnlyWhenAdvanced)
{
    VirtualScheduler scheduler;
    std::vector<std::string> log;
    TimerHandle late = scheduler.singleShot(1500ms, [&] { log.push_back("late"); });
    TimerHandle early = scheduler.singleShot(150ms, [&] { log.push_back("early"); });
    TimerHandle tie = scheduler.singleShot(150ms, [&] { log.push_back("tie"); });

    scheduler.advance(149ms);
    EXPECT_TRUE(log.empty());
    scheduler.advance(1ms);
    EXPECT_EQ(log, (std::vector<std::string>{"early", "tie"}));
    EXPECT_FALSE(early.isActive());
    EXPECT_TRUE(late.isActive());
    scheduler.advance(10s);
    EXPECT_EQ(log.back(), "late");
    EXPECT_EQ(scheduler.now(), 10150ms);
}

TEST(VirtualScheduler, RepeatingTickSeesTheClockAndStopsWhenCancelledFromItsCallback)
{
    VirtualScheduler scheduler;
    std::vector<long> seen;
    TimerHandle tick;
    tick = scheduler.repeating(1s, [&] {
        seen.push_back(static_cast<long>(scheduler.now().count()));
        if (seen.size() == 3)
            tick.cancel();
    });
    scheduler.advance(10s);
    EXPECT_EQ(seen, (std::vector<long>{1000, 2000, 3000}));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(VirtualScheduler, DroppedHandleNeverFiresAndCallbacksMayScheduleMore)
{
    VirtualScheduler scheduler;
    int fired = 0;
    { TimerHandle dropped = scheduler.singleShot(1s, [&] { ++fired; }); }
    TimerHandle chained;
    TimerHandle first = scheduler.singleShot(1s, [&] {
        chained = scheduler.singleShot(1s, [&] { fired += 10; });
    });
    scheduler.advance(1s);
    EXPECT_EQ(fired, 0);
    scheduler.advance(1s);
    EXPECT_EQ(fired, 10);
}

TEST(QtScheduler, SingleShotFiresOnTheEventLoopAndCancelStopsIt)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QtScheduler scheduler;
    bool cancelledFired = false;
    TimerHandle cancelled = scheduler.singleShot(1ms, [&] { cancelledFired = true; });
    cancelled.cancel();
    bool fired = false;
    TimerHandle handle = scheduler.singleShot(1ms, [&] {
        fired = true;
        app.quit();
    });
    // A watchdog so that a broken timer fails the test instead of hanging it.
    TimerHandle watchdog = scheduler.singleShot(5s, [&] { app.quit(); });
    app.exec();
    EXPECT_TRUE(fired);
    EXPECT_FALSE(cancelledFired);
    EXPECT_FALSE(handle.isActive());
}
