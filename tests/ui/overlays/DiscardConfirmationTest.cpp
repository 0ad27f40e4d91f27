#include "ui/overlays/DiscardConfirmation.h"

#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>
#include <vector>

namespace kinetta
{
namespace
{

using namespace std::chrono_literals;

class DiscardConfirmationTest : public ::testing::Test
{
protected:
    VirtualScheduler scheduler;
    std::vector<bool> changes;
    int discards = 0;
    DiscardConfirmation confirmation{scheduler, [this](bool armed) { changes.push_back(armed); },
                                     [this] { ++discards; }};
};

TEST_F(DiscardConfirmationTest, ArmedConfirmationFallsBackAfterFourSecondsWithoutDiscarding)
{
    confirmation.arm();
    scheduler.advance(3999ms);
    EXPECT_TRUE(confirmation.armed());
    scheduler.advance(1ms);
    EXPECT_FALSE(confirmation.armed());
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
    EXPECT_EQ(discards, 0);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(DiscardConfirmationTest, SecondPressDiscardsOnceAndEndsTheFallback)
{
    confirmation.arm();
    scheduler.advance(2s);
    confirmation.discard();
    EXPECT_EQ(discards, 1);
    // The fallback no longer runs.
    scheduler.advance(10s);
    EXPECT_EQ(changes, (std::vector<bool>{true}));
    EXPECT_EQ(discards, 1);
}

TEST_F(DiscardConfirmationTest, KeepThenArmAgainStartsAFreshWindow)
{
    confirmation.arm();
    scheduler.advance(3s);
    confirmation.keep();
    EXPECT_FALSE(confirmation.armed());
    scheduler.advance(500ms);
    confirmation.arm();
    // The first window would have ended at 4 s; the fresh one runs to 7.5 s.
    scheduler.advance(3900ms);
    EXPECT_TRUE(confirmation.armed());
    scheduler.advance(100ms);
    EXPECT_FALSE(confirmation.armed());
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false}));

    // Pressing the first button again while armed restarts the window too.
    confirmation.arm();
    scheduler.advance(3s);
    confirmation.arm();
    scheduler.advance(3s);
    EXPECT_TRUE(confirmation.armed());
    EXPECT_EQ(discards, 0);
}

} // namespace
} // namespace kinetta
