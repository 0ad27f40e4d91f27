#include "capture/ScreenRecorder.h"

#include "capture/FakeCaptureSource.h"

#include <gtest/gtest.h>
#include <memory>

using namespace kinetta;
using kinetta::testing::FakeCaptureSource;

namespace
{

struct RecorderFixture : ::testing::Test {
    std::shared_ptr<FakeCaptureSource> source = std::make_shared<FakeCaptureSource>();
    double now = 1000.0;
    ScreenRecorder recorder{source, [this] { return now; }, 4242};

    std::optional<StartError> startScreen(double fps = 10, double scale = 1.0)
    {
        return recorder.start(CaptureMode::fullScreen, fps, scale, std::nullopt, std::nullopt,
                              true);
    }
    std::vector<std::uint32_t> tags(const FrameList& frames)
    {
        std::vector<std::uint32_t> result;
        for (const Frame& frame : frames)
            result.push_back(frame.pixels().front());
        return result;
    }
};

} // namespace

// --- Errors and their texts -------------------------------------------------

TEST(RecordingErrorTest, DescriptionsAreFixedTexts)
{
    EXPECT_EQ(errorDescription(RecordingError::noDisplay), "No display found.");
    EXPECT_EQ(errorDescription(RecordingError::noWindowSelected), "No window selected.");
    const QString denied = errorDescription(RecordingError::permissionDenied);
    const QStringList lines = denied.split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "Screen Recording permission denied.");
    EXPECT_TRUE(lines[1].isEmpty());
    EXPECT_FALSE(lines[2].contains("System Settings"));
    EXPECT_TRUE(lines[2].endsWith("then relaunch."));
    EXPECT_EQ(StartError(RecordingError::noDisplay), StartError(RecordingError::noDisplay));
    EXPECT_EQ(StartError(CaptureError{"boom"}).description(), "boom");
}

TEST_F(RecorderFixture, PermissionDeniedAsksOnceAndLeavesFramesEmpty)
{
    ASSERT_FALSE(startScreen());
    source->deliver(1);
    source->access = false;
    const auto error = startScreen();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->recordingError(), RecordingError::permissionDenied);
    EXPECT_EQ(source->accessRequests, 1);
    EXPECT_EQ(source->started.size(), 1u);
    EXPECT_TRUE(recorder.stop().empty());
}

TEST_F(RecorderFixture, NoDisplayComesBeforeTheModeIsLookedAt)
{
    source->content.displays.clear();
    EXPECT_EQ(startScreen()->recordingError(), RecordingError::noDisplay);
    EXPECT_EQ(recorder.start(CaptureMode::window, 10, 1, 42u, std::nullopt, true)->recordingError(),
              RecordingError::noDisplay);
    EXPECT_TRUE(source->started.empty());
}

TEST_F(RecorderFixture, WindowModeNeedsAListedWindow)
{
    EXPECT_EQ(recorder.start(CaptureMode::window, 10, 1, std::nullopt, std::nullopt, true)
                  ->recordingError(),
              RecordingError::noWindowSelected);
    EXPECT_EQ(recorder.start(CaptureMode::window, 10, 1, 43u, std::nullopt, true)->recordingError(),
              RecordingError::noWindowSelected);
    EXPECT_TRUE(source->started.empty());
    EXPECT_FALSE(recorder.isCapturing());
}

TEST_F(RecorderFixture, PlatformErrorsPassThroughUnchanged)
{
    source->contentError = CaptureError{"query failed"};
    EXPECT_EQ(startScreen()->captureError(), CaptureError{"query failed"});
    source->contentError.reset();
    source->startError = CaptureError{"cannot start"};
    EXPECT_EQ(startScreen()->description(), "cannot start");
    EXPECT_FALSE(recorder.isCapturing());
}

TEST_F(RecorderFixture, RejectsRatesAndScalesThatMakeNoSense)
{
    EXPECT_TRUE(startScreen(0.5)->captureError());
    EXPECT_TRUE(startScreen(std::nan(""))->captureError());
    EXPECT_TRUE(startScreen(10, 0)->captureError());
    EXPECT_TRUE(startScreen(10, -1)->captureError());
    EXPECT_TRUE(startScreen(10, std::numeric_limits<double>::infinity())->captureError());
    EXPECT_TRUE(source->started.empty());
}

// --- Stream configuration ---------------------------------------------------

TEST_F(RecorderFixture, FrameRateGivesIntervalAndWholeFrameLimit)
{
    ASSERT_FALSE(startScreen(10));
    EXPECT_DOUBLE_EQ(recorder.targetInterval(), 0.1);
    EXPECT_EQ(source->started.back().maximumFrameRate, 10);
    ASSERT_FALSE(startScreen(15));
    EXPECT_DOUBLE_EQ(recorder.targetInterval(), 1.0 / 15);
    ASSERT_FALSE(startScreen(12.5));
    EXPECT_EQ(source->started.back().maximumFrameRate, 12);
    EXPECT_DOUBLE_EQ(recorder.targetInterval(), 0.08);
}

TEST_F(RecorderFixture, ScreenModeScalesTheFirstDisplayAndExcludesItself)
{
    ASSERT_FALSE(startScreen(10, 0.5));
    const StreamConfiguration& config = source->started.back();
    EXPECT_EQ(config.content, StreamConfiguration::Content::display);
    EXPECT_EQ(config.targetID, 7u);
    EXPECT_EQ(config.outputSize, QSize(720, 450));
    EXPECT_FALSE(config.sourceRect);
    EXPECT_EQ(config.excludedPid, 4242);
    EXPECT_TRUE(config.showsCursor);
}

TEST_F(RecorderFixture, WindowModeUsesTheWindowFrameTruncated)
{
    ASSERT_FALSE(recorder.start(CaptureMode::window, 10, 0.5, 42u, std::nullopt, false));
    const StreamConfiguration& config = source->started.back();
    EXPECT_EQ(config.content, StreamConfiguration::Content::window);
    EXPECT_EQ(config.targetID, 42u);
    EXPECT_EQ(config.outputSize, QSize(400, 300)); // 400.5 and 300.5 truncated
    EXPECT_FALSE(config.excludedPid);
    EXPECT_FALSE(config.showsCursor);
}

TEST_F(RecorderFixture, AreaModeDefaultsToTheWholeDisplay)
{
    ASSERT_FALSE(recorder.start(CaptureMode::area, 10, 1, std::nullopt, std::nullopt, true));
    EXPECT_EQ(source->started.back().sourceRect, QRectF(0, 0, 1440, 900));
    EXPECT_EQ(source->started.back().outputSize, QSize(1440, 900));
    ASSERT_FALSE(
        recorder.start(CaptureMode::area, 10, 0.75, std::nullopt, QRectF(5, 6, 101, 33), true));
    EXPECT_EQ(source->started.back().sourceRect, QRectF(5, 6, 101, 33));
    EXPECT_EQ(source->started.back().outputSize, QSize(75, 24));
}

TEST(CaptureGeometryTest, NoDimensionBelowTwo)
{
    EXPECT_EQ(captureGeometry(CaptureMode::fullScreen, {1440, 900}, {}, {}, 0.001).outputSize,
              QSize(2, 2));
    EXPECT_EQ(
        captureGeometry(CaptureMode::area, {1440, 900}, {}, QRectF(0, 0, 1, 400), 1).outputSize,
        QSize(2, 400));
    EXPECT_EQ(captureGeometry(CaptureMode::window, {}, {3.9, 3.9}, {}, 1).outputSize, QSize(3, 3));
}

// --- Keep-or-drop and the frame list ---------------------------------------

TEST_F(RecorderFixture, ThrottleKeepsByArrivalTime)
{
    ASSERT_FALSE(startScreen(10));
    const double first = now;
    for (double offset : {0.00, 0.05, 0.12, 0.18, 0.25}) {
        now = first + offset;
        source->deliver(static_cast<std::uint32_t>(offset * 100));
    }
    EXPECT_EQ(tags(recorder.stop()), (std::vector<std::uint32_t>{0, 12, 25}));
}

TEST_F(RecorderFixture, FirstSampleIsKeptWhateverTheClockSays)
{
    now = 0.0;
    ASSERT_FALSE(startScreen(1));
    source->deliver(5);
    EXPECT_EQ(tags(recorder.stop()), std::vector<std::uint32_t>{5});
}

TEST_F(RecorderFixture, ArrivalOlderThanTheLastKeptIsDropped)
{
    ASSERT_FALSE(startScreen(10));
    source->deliver(1);
    now -= 0.5;
    source->deliver(2);
    EXPECT_EQ(tags(recorder.stop()), std::vector<std::uint32_t>{1});
}

TEST_F(RecorderFixture, BadImageIsLostButTakesItsSlot)
{
    ASSERT_FALSE(startScreen(10));
    source->output->streamDidOutput(CapturedImage{2, 2, {}});
    now += 0.05;
    source->deliver(2);
    now += 0.06;
    source->deliver(3);
    EXPECT_EQ(tags(recorder.stop()), std::vector<std::uint32_t>{3});
}

TEST_F(RecorderFixture, StopHandsOverOnceAndStopsTheStream)
{
    ASSERT_FALSE(startScreen(10));
    source->deliver(1);
    const FrameList frames = recorder.stop();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames.front().size(), QSize(2, 2));
    EXPECT_EQ(source->stops, 1);
    EXPECT_FALSE(recorder.isCapturing());
    EXPECT_TRUE(recorder.stop().empty());
    EXPECT_EQ(source->stops, 1);
}

TEST_F(RecorderFixture, StartClearsTheEarlierRecording)
{
    ASSERT_FALSE(startScreen(10));
    source->deliver(1);
    ASSERT_FALSE(startScreen(10));
    EXPECT_EQ(source->stops, 1); // the earlier stream does not keep running
    now += 1;
    source->deliver(2);
    EXPECT_EQ(tags(recorder.stop()), std::vector<std::uint32_t>{2});
}

TEST_F(RecorderFixture, StreamErrorReachesTheHandlerAndFramesSurvive)
{
    std::optional<CaptureError> seen;
    recorder.setOnStreamError([&](const CaptureError& error) { seen = error; });
    ASSERT_FALSE(startScreen(10));
    source->deliver(1);
    source->output->streamDidStop(CaptureError{"The recorded window was closed."});
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->message, "The recorded window was closed.");
    EXPECT_EQ(tags(recorder.stop()), std::vector<std::uint32_t>{1});
}

TEST(ScreenRecorderMakeFrameTest, RejectsImagesWhoseSizeDoesNotMatch)
{
    FrameStore store;
    EXPECT_TRUE(ScreenRecorder::makeFrame(store, CapturedImage{2, 2, {1, 2, 3}}).isNull());
    EXPECT_TRUE(ScreenRecorder::makeFrame(store, CapturedImage{0, 2, {}}).isNull());
    EXPECT_TRUE(ScreenRecorder::makeFrame(store, CapturedImage{-1, -1, {1}}).isNull());
    const Frame frame =
        ScreenRecorder::makeFrame(store, CapturedImage{2, 1, {0xff010203, 0xff040506}});
    ASSERT_FALSE(frame.isNull());
    EXPECT_EQ(frame.pixels(), (std::vector<std::uint32_t>{0xff010203, 0xff040506}));
}
