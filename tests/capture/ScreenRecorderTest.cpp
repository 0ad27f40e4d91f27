#include "capture/ScreenRecorder.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <semaphore>
#include <sstream>

using namespace kinetta;

namespace
{

// A capture source the test drives: fixed content, recorded configurations,
// and images or errors pushed by hand.
struct FakeCaptureSource final : CaptureSource {
    bool access = true;
    int accessRequests = 0;
    std::optional<CaptureError> contentError;
    ShareableContent content{{{7, QRect(0, 0, 1440, 900)}}, {{42, QRectF(10, 20, 801, 601), 99}}};
    std::optional<CaptureError> startError;
    std::vector<StreamConfiguration> started;
    CaptureStreamOutput* output = nullptr;
    int stops = 0;

    struct Stream final : CaptureStream {
        FakeCaptureSource& source;
        bool stopped = false;
        explicit Stream(FakeCaptureSource& owner) : source(owner) {}
        void stop() override { source.stops += std::exchange(stopped, true) ? 0 : 1; }
    };

    [[nodiscard]] bool preflightAccess() override { return access; }
    void requestAccess() override { ++accessRequests; }
    [[nodiscard]] CaptureResult<ShareableContent> shareableContent() override
    {
        return contentError ? CaptureResult<ShareableContent>(*contentError) : content;
    }
    [[nodiscard]] CaptureResult<std::unique_ptr<CaptureStream>>
    startStream(const StreamConfiguration& configuration, CaptureStreamOutput& target) override
    {
        if (startError)
            return *startError;
        started.push_back(configuration);
        output = &target;
        return std::unique_ptr<CaptureStream>(new Stream(*this));
    }
    // Delivers a 2x2 image whose first pixel is tag, and waits until the
    // recorder has taken it in, as a grab thread's pace would allow.
    void deliver(std::uint32_t tag)
    {
        output->streamDidOutput(CapturedImage{2, 2, {tag, 0, 0, 0}});
        if (settle)
            settle();
    }
    std::function<void()> settle;
    // The same in memory lent to the recorder, as grabbed images are, without
    // waiting; the returned owner tells whether anything still holds it.
    std::weak_ptr<const void> deliverShared(std::uint32_t tag)
    {
        auto pixels = std::make_shared<const std::vector<std::uint32_t>>(
            std::vector<std::uint32_t>{tag, 0, 0, 0});
        output->streamDidOutput(CapturedImage{2, 2, {}, SharedPixels{*pixels, pixels, true}});
        return pixels;
    }
};

struct RecorderFixture : ::testing::Test {
    std::shared_ptr<FakeCaptureSource> source = std::make_shared<FakeCaptureSource>();
    double now = 1000.0;
    ScreenRecorder recorder{source, FrameStore::optionsFromEnvironment(), [this] { return now; },
                            4242};
    RecorderFixture()
    {
        source->settle = [this] { recorder.frameQueue().sync([] {}); };
    }

    std::optional<StartError> start(CaptureMode mode, double fps = 10, double scale = 1.0,
                                    std::optional<std::uint32_t> window = std::nullopt,
                                    std::optional<QRectF> rect = std::nullopt, bool cursor = true)
    {
        return recorder.start(mode, fps, scale, window, rect, cursor);
    }
    // The first pixel of each frame the recorder hands over (without the
    // alpha a shared image leaves to the store), and how many were repeats.
    std::pair<std::vector<std::uint32_t>, std::size_t> stopTags()
    {
        last = recorder.stop();
        std::vector<std::uint32_t> result;
        for (const Frame& frame : last.frames)
            result.push_back(frame.pixels().front() & 0xffffffu);
        return {result, last.repeatedFrames};
    }
    RecordedFrames last;
};

using Tags = std::vector<std::uint32_t>;

} // namespace

// --- Refused starts ----------------------------------------------------------

TEST_F(RecorderFixture, PermissionDeniedAsksOnceAndLeavesFramesEmpty)
{
    ASSERT_FALSE(start(CaptureMode::fullScreen));
    source->deliver(1);
    source->access = false;
    EXPECT_EQ(start(CaptureMode::fullScreen)->recordingError(), RecordingError::permissionDenied);
    EXPECT_EQ(source->accessRequests, 1);
    EXPECT_EQ(source->started.size(), 1u);
    EXPECT_TRUE(recorder.stop().frames.empty());
}

TEST_F(RecorderFixture, BadTargetsRatesAndPlatformErrorsStartNoStream)
{
    EXPECT_EQ(start(CaptureMode::window)->recordingError(), RecordingError::noWindowSelected);
    EXPECT_EQ(start(CaptureMode::window, 10, 1, 43u)->recordingError(),
              RecordingError::noWindowSelected);
    const double inf = std::numeric_limits<double>::infinity();
    // A scale past 1 would only ask for memory: 100 on this display is 144000x90000.
    for (auto [fps, scale] : {std::pair{0.5, 1.0},
                              {std::nan(""), 1.0},
                              {61.0, 1.0},
                              {10.0, 0.0},
                              {10.0, -1.0},
                              {10.0, 1.5},
                              {10.0, 100.0},
                              {10.0, inf}})
        EXPECT_TRUE(start(CaptureMode::fullScreen, fps, scale)->captureError())
            << fps << " " << scale;
    source->contentError = CaptureError{"query failed"};
    EXPECT_EQ(start(CaptureMode::fullScreen)->captureError(), CaptureError{"query failed"});
    source->contentError.reset();
    source->startError = CaptureError{"cannot start"};
    EXPECT_EQ(start(CaptureMode::fullScreen)->description(), "cannot start");
    // A missing display comes before the mode is looked at.
    source->content.displays.clear();
    EXPECT_EQ(start(CaptureMode::window, 10, 1, 42u)->recordingError(), RecordingError::noDisplay);
    EXPECT_TRUE(source->started.empty());
    EXPECT_FALSE(recorder.isCapturing());
}

// --- Stream configuration ---------------------------------------------------

TEST_F(RecorderFixture, ConfigurationFollowsModeRateAndScale)
{
    const auto describe = [](const StreamConfiguration& c) {
        std::ostringstream out;
        out << (c.content == StreamConfiguration::Content::window ? "window " : "display ")
            << c.targetID << " pid " << c.excludedPid.value_or(-1) << " cursor " << c.showsCursor
            << " " << c.frameRate << "/s " << c.outputSize.width() << "x" << c.outputSize.height();
        if (c.sourceRect)
            out << " from " << c.sourceRect->x() << "," << c.sourceRect->y() << " "
                << c.sourceRect->width() << "x" << c.sourceRect->height();
        return out.str();
    };
    const auto expect = [&](std::optional<StartError> error, const char* config, double interval) {
        ASSERT_FALSE(error);
        EXPECT_EQ(describe(source->started.back()), config);
        EXPECT_DOUBLE_EQ(recorder.targetInterval(), interval) << config;
    };
    // Display captures leave out our own windows.
    expect(start(CaptureMode::fullScreen, 10, 0.5), "display 7 pid 4242 cursor 1 10/s 720x450",
           0.1);
    // The window's 400.5 x 300.5 truncates.
    expect(start(CaptureMode::window, 15, 0.5, 42u, {}, false),
           "window 42 pid -1 cursor 0 15/s 400x300", 1.0 / 15);
    // Area without a rectangle is the whole display; the rate stays fractional.
    expect(start(CaptureMode::area, 12.5),
           "display 7 pid 4242 cursor 1 12.5/s 1440x900 from 0,0 1440x900", 0.08);
    expect(start(CaptureMode::area, 10, 0.75, {}, QRectF(5, 6, 101, 33)),
           "display 7 pid 4242 cursor 1 10/s 75x24 from 5,6 101x33", 0.1);
}

// An area drawn on the second of two screens was recorded from the first.
TEST_F(RecorderFixture, AreaIsTakenFromTheScreenItWasDrawnOnInDevicePixels)
{
    // The first display at the origin, a second one to its right with two
    // device pixels per point.
    source->content.displays = {{7, QRect(0, 0, 1440, 900)}, {8, QRect(1440, 0, 2560, 1600)}};
    const ScreenPlacement second{QRect(1440, 0, 2560, 1600), 2};
    ASSERT_FALSE(
        recorder.start(CaptureMode::area, 10, 0.5, {}, QRectF(100, 50, 300, 200), true, second));
    const StreamConfiguration& config = source->started.back();
    EXPECT_EQ(config.targetID, 8u);
    EXPECT_EQ(config.sourceRect, QRectF(200, 100, 600, 400));
    // The output stays points times scale.
    EXPECT_EQ(config.outputSize, QSize(150, 100));

    // A screen placed away from its display's origin (one display spanning
    // two screens) keeps its offset.
    source->content.displays = {{9, QRect(0, 0, 4000, 1600)}};
    ASSERT_FALSE(
        recorder.start(CaptureMode::area, 10, 1, {}, QRectF(100, 50, 300, 200), true, second));
    EXPECT_EQ(source->started.back().sourceRect, QRectF(1640, 100, 600, 400));

    // The screen is gone: no recording of some other place.
    source->content.displays = {{7, QRect(0, 0, 1440, 900)}};
    const auto error =
        recorder.start(CaptureMode::area, 10, 1, {}, QRectF(100, 50, 300, 200), true, second);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->description(), "The screen the area was drawn on is no longer connected.");
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

// --- Cadence and the frame list -----------------------------------------------

using Stopped = std::pair<Tags, std::size_t>;

TEST_F(RecorderFixture, FractionalRatesKeepOneFramePerSlotOfTheExactInterval)
{
    for (const double fps : {12.5, 1.5}) {
        SCOPED_TRACE(fps);
        ASSERT_FALSE(start(CaptureMode::fullScreen, fps));
        const double first = now;
        // Six seconds of deliveries, each a little after its slot is due.
        Tags expected;
        for (std::uint32_t n = 0; n / fps < 6.0 - 1e-9; ++n) {
            now = first + n / fps + 0.003;
            source->deliver(n);
            expected.push_back(n);
        }
        now = first + 6.0;
        EXPECT_EQ(stopTags(), Stopped(expected, 0));
        EXPECT_EQ(expected.size(), static_cast<std::size_t>(6 * fps));
    }
}

TEST_F(RecorderFixture, LateAndMissedSlotsRepeatTheFrameBeforeAndSharePixels)
{
    ASSERT_FALSE(start(CaptureMode::fullScreen, 24));
    const double first = now;
    const double interval = 1.0 / 24;
    const auto at = [&](double slot, std::uint32_t tag) {
        now = first + slot * interval;
        source->deliver(tag);
    };
    at(0, 0);
    at(1.5, 1);  // late, still within its slot
    at(3, 3);    // slot 2 missed
    at(4.95, 4); // so late it lands in slot 5, whose own delivery is then surplus
    at(5, 5);
    at(6, 6);
    at(6.4, 66); // a second delivery in one slot
    now -= 0.5;
    source->deliver(99); // older than the last kept: stale
    at(8.05, 8);         // slot 7 missed; slot 8 is mostly after the stop
    now = first + 8.3 * interval;
    // Slots 2, 4 and 7 show the frame before them.
    EXPECT_EQ(stopTags(), Stopped({0, 1, 1, 3, 3, 4, 6, 6}, 3));
    const FrameList& frames = last.frames;
    for (const std::size_t repeat : {2u, 4u, 7u})
        EXPECT_EQ(frames[repeat].storage(), frames[repeat - 1].storage()) << repeat;
    EXPECT_NE(frames[1].storage(), frames[0].storage());

    // A recording shorter than half a slot still has its first frame.
    ASSERT_FALSE(start(CaptureMode::fullScreen, 1.5));
    source->deliver(1);
    now += 0.2;
    EXPECT_EQ(stopTags(), Stopped({1}, 0));
}

TEST_F(RecorderFixture, FramesWaitingForAStalledQueueAreBoundedAndTheirSlotsRepeated)
{
    ASSERT_FALSE(start(CaptureMode::fullScreen, 10));
    const double first = now;
    std::binary_semaphore stalled{0};
    recorder.frameQueue().async([&] { stalled.acquire(); });
    std::vector<std::weak_ptr<const void>> owners;
    for (std::uint32_t n = 0; n < 10; ++n) {
        now = first + n * 0.1;
        owners.push_back(source->deliverShared(n));
    }
    const auto held = std::count_if(owners.begin(), owners.end(),
                                    [](const auto& owner) { return !owner.expired(); });
    EXPECT_EQ(held, ScreenRecorder::kFramesInFlight);
    stalled.release();
    now = first + 1.0;
    EXPECT_EQ(stopTags(), Stopped({0, 1, 2, 2, 2, 2, 2, 2, 2, 2}, 7));
}

TEST_F(RecorderFixture, TheFirstFrameOpensTheCadenceAndALostImageLeavesItsSlotRepeated)
{
    now = 0.0; // the first frame is kept whatever the clock says
    ASSERT_FALSE(start(CaptureMode::fullScreen, 1));
    source->deliver(5);
    EXPECT_EQ(stopTags(), Stopped({5}, 0));

    // An image that cannot become a frame opens nothing and fills no slot.
    ASSERT_FALSE(start(CaptureMode::fullScreen, 10));
    source->output->streamDidOutput(CapturedImage{2, 2, {}});
    now += 0.05;
    source->deliver(2);
    now += 0.1;
    source->output->streamDidOutput(CapturedImage{2, 2, {1, 2}});
    now += 0.1;
    source->deliver(3);
    now += 0.1;
    EXPECT_EQ(stopTags(), Stopped({2, 2, 3}, 1));

    // A stream that ends by itself ends the recording: the time until stop()
    // is neither recorded nor counted as missed.
    ASSERT_FALSE(start(CaptureMode::fullScreen, 10));
    source->deliver(4);
    now += 0.1;
    source->deliver(5);
    now += 0.1;
    source->output->streamDidStop(CaptureError{QStringLiteral("The recorded window was closed.")});
    now += 5;
    EXPECT_EQ(stopTags(), Stopped({4, 5}, 0));
}

TEST_F(RecorderFixture, StopHandsOverOnceAndStartClearsTheEarlierRecording)
{
    ASSERT_FALSE(start(CaptureMode::fullScreen));
    source->deliver(1);
    ASSERT_FALSE(start(CaptureMode::fullScreen));
    EXPECT_EQ(source->stops, 1); // the earlier stream does not keep running
    now += 1;
    source->deliver(2);
    const FrameList frames = recorder.stop().frames;
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames.front().size(), QSize(2, 2));
    EXPECT_EQ(frames.front().pixels().front(), 2u);
    EXPECT_EQ(source->stops, 2);
    EXPECT_FALSE(recorder.isCapturing());
    EXPECT_TRUE(recorder.stop().frames.empty());
    EXPECT_EQ(source->stops, 2);
}

TEST(ScreenRecorderMakeFrameTest, RejectsImagesWhoseSizeDoesNotMatch)
{
    FrameStore store;
    for (CapturedImage bad : {CapturedImage{2, 2, {1, 2, 3}}, {0, 2, {}}, {-1, -1, {1}}})
        EXPECT_TRUE(ScreenRecorder::makeFrame(store, std::move(bad)).isNull());
    const Frame frame =
        ScreenRecorder::makeFrame(store, CapturedImage{2, 1, {0xff010203, 0xff040506}});
    ASSERT_FALSE(frame.isNull());
    EXPECT_EQ(frame.pixels(), (Tags{0xff010203, 0xff040506}));
}
