// The thumbnail jobs: how many run, which results count, and what happens
// when windows close or the picker goes while captures are out.
#include "ui/selection/ThumbnailLoader.h"

#include "PickerTestDoubles.h"
#include "app/ProcessUntil.h"

#include <QSignalSpy>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <memory>

namespace kinetta::test
{
namespace
{

class ThumbnailLoaderTest : public ::testing::Test
{
protected:
    ThumbnailLoaderTest() { pool.setMaxThreadCount(8); }
    ~ThumbnailLoaderTest() override
    {
        loader.reset();
        snapshots->releaseAll();
    }

    std::shared_ptr<GatedSnapshots> snapshots = std::make_shared<GatedSnapshots>();
    QThreadPool pool;
    std::unique_ptr<ThumbnailLoader> loader = std::make_unique<ThumbnailLoader>(
        [gate = snapshots](std::uint32_t id) { return gate->capture(id); }, QSize(16, 9), &pool);
};

QRgb colourOf(std::uint32_t windowID)
{
    return GatedSnapshots::imageOf(windowID).pixel(0, 0);
}

TEST_F(ThumbnailLoaderTest, NeverMoreJobsThanWindowsInViewAndEachResultGoesToItsWindow)
{
    QSignalSpy ready(loader.get(), &ThumbnailLoader::thumbnailReady);
    loader->setVisibleWindows({1, 2, 3});
    ASSERT_TRUE(snapshots->waitForRunning(3));
    EXPECT_EQ(loader->runningJobs(), 3);

    // Two cards scroll away; their captures cannot stop, so the card that
    // comes into view waits until one returns.
    loader->setVisibleWindows({3, 4});
    EXPECT_EQ(loader->runningJobs(), 3);
    EXPECT_EQ(loader->waitingWindows(), 1);
    snapshots->release(1);
    ASSERT_TRUE(processUntil([&] { return loader->runningJobs() == 2; }));
    EXPECT_FALSE(loader->image(1));         // its card left: the result is dropped
    EXPECT_EQ(loader->waitingWindows(), 1); // two still run for two cards in view
    snapshots->release(2);
    ASSERT_TRUE(processUntil([&] { return loader->waitingWindows() == 0; }));
    EXPECT_EQ(loader->runningJobs(), 2);
    snapshots->release(3);
    snapshots->release(4);
    ASSERT_TRUE(processUntil([&] { return loader->runningJobs() == 0; }));
    EXPECT_EQ(snapshots->mostRunning(), 3);
    ASSERT_TRUE(loader->image(3));
    ASSERT_TRUE(loader->image(4));
    EXPECT_EQ(loader->image(3)->size(), QSize(16, 9)); // scaled on the worker
    EXPECT_EQ(loader->image(3)->pixel(8, 4), colourOf(3));
    EXPECT_EQ(loader->image(4)->pixel(8, 4), colourOf(4));
    EXPECT_FALSE(loader->image(2));
    EXPECT_EQ(ready.count(), 2);

    // A window captured once is not captured again while the picker is open.
    loader->setVisibleWindows({4, 3});
    EXPECT_EQ(loader->runningJobs(), 0);
}

TEST_F(ThumbnailLoaderTest, AWindowClosedBeforeItsResultNeverShowsItsImageUnderItsIdReused)
{
    loader->setVisibleWindows({7});
    ASSERT_TRUE(snapshots->waitForRunning(1));
    // The window closes and the X server hands its id to a new window.
    loader->forget(7);
    loader->setVisibleWindows({7});
    EXPECT_EQ(loader->runningJobs(), 1); // the new one waits for the old capture

    QImage closedWindow(16, 9, QImage::Format_RGB32);
    closedWindow.fill(Qt::red);
    snapshots->release(7, closedWindow);
    // The new window's capture starts once the old result reaches the loader,
    // which takes the event loop.
    ASSERT_TRUE(processUntil([&] { return snapshots->requested().size() == 2; }));
    ASSERT_TRUE(processUntil([&] { return loader->waitingWindows() == 0; }));
    EXPECT_FALSE(loader->image(7));
    QImage newWindow(16, 9, QImage::Format_RGB32);
    newWindow.fill(Qt::green);
    snapshots->release(7, newWindow);
    ASSERT_TRUE(processUntil([&] { return loader->image(7).has_value(); }));
    EXPECT_EQ(loader->image(7)->pixel(0, 0), qRgb(0, 255, 0));

    // A capture of a window already gone fails: ready, without an image.
    QSignalSpy ready(loader.get(), &ThumbnailLoader::thumbnailReady);
    loader->setVisibleWindows({8});
    snapshots->release(8, std::nullopt);
    ASSERT_TRUE(processUntil([&] { return ready.count() == 1; }));
    EXPECT_FALSE(loader->image(8));
    EXPECT_EQ(loader->waitingWindows(), 0); // and it is not tried again
}

TEST_F(ThumbnailLoaderTest, ThePickerGoingWhileCapturesRunIsHarmless)
{
    loader->setVisibleWindows({1, 2});
    ASSERT_TRUE(snapshots->waitForRunning(2));
    loader->clear();
    EXPECT_EQ(loader->waitingWindows(), 0);
    snapshots->release(1);
    ASSERT_TRUE(processUntil([&] { return loader->runningJobs() == 1; }));
    EXPECT_FALSE(loader->image(1));

    // Destroyed with a capture out: its result finds nobody.
    loader.reset();
    snapshots->release(2);
    ASSERT_TRUE(pool.waitForDone(10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(snapshots->requested().size(), 2u);
}

} // namespace
} // namespace kinetta::test
