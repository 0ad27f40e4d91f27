// The flow's real recorder and encoder adapters: answers come back to the
// main thread through its event loop.
#include "FlowTestDoubles.h"
#include "ProcessUntil.h"
#include "app/AsyncScreenRecorder.h"
#include "app/RecordingFlow.h"
#include "app/ThreadedGifEncoder.h"
#include "capture/ScreenRecorder.h"
#include "gif/GifTestDecoder.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace kinetta::test
{
namespace
{

QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "flow_services_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// One display and one window; streams deliver what the test pushes.
class StubCaptureSource final : public CaptureSource
{
public:
    [[nodiscard]] bool preflightAccess() override { return true; }
    void requestAccess() override {}
    [[nodiscard]] CaptureResult<ShareableContent> shareableContent() override
    {
        return ShareableContent{{{1, QRect(0, 0, 640, 480)}}, {{77, QRectF(0, 0, 300, 200), 5}}};
    }
    [[nodiscard]] CaptureResult<std::unique_ptr<CaptureStream>>
    startStream(const StreamConfiguration& configuration, CaptureStreamOutput& output) override
    {
        lastConfiguration = configuration;
        m_output.store(&output);
        return std::unique_ptr<CaptureStream>(new Stream);
    }
    [[nodiscard]] CaptureStreamOutput* output() const { return m_output.load(); }

    std::optional<StreamConfiguration> lastConfiguration;

private:
    struct Stream final : CaptureStream {
        void stop() override {}
    };
    std::atomic<CaptureStreamOutput*> m_output = nullptr;
};

class FlowServicesTest : public ::testing::Test
{
protected:
    FlowServicesTest()
    {
        application();
        session.setUseCountdown(false);
        session.setAutoCopy(false);
    }

    std::shared_ptr<StubCaptureSource> source = std::make_shared<StubCaptureSource>();
    // Every reading of the clock one frame slot (at the default rate) after
    // the last: each arrival fills the next slot, and nothing is missed.
    std::atomic<int> clockTicks = 0;
    AsyncScreenRecorder recorder{std::make_unique<ScreenRecorder>(
        source, FrameStore::optionsFromEnvironment(), [this] { return static_cast<double>(++clockTicks) / settings::kDefaultFps; },
        1)};
    RecordingSession session;
    VirtualScheduler scheduler;
    RecordingPort port;
    FakeEncoder encoder;
    FakeDelivery delivery;
    RecordingFlow flow{{session, scheduler, port, recorder, encoder, delivery}};
};

TEST_F(FlowServicesTest, WindowModeFailsWithoutAWindowThenRecordsTheChosenOne)
{
    session.setCaptureMode(CaptureMode::window);
    flow.initiateRecording();
    EXPECT_EQ(flow.phase(), RecordingFlow::Phase::starting);
    ASSERT_TRUE(processUntil([&] { return flow.phase() == RecordingFlow::Phase::idle; }));
    EXPECT_EQ(session.errorMessage(), "No window selected.");

    WindowInfo window;
    window.windowID = 77;
    session.setSelectedWindow(window);
    session.setScale(1.0);
    flow.initiateRecording();
    ASSERT_TRUE(processUntil([&] { return session.isRecording(); }));
    ASSERT_TRUE(source->lastConfiguration);
    EXPECT_EQ(source->lastConfiguration->targetID, 77u);
    EXPECT_EQ(source->lastConfiguration->outputSize, QSize(300, 200));
    std::thread capture([this] {
        for (std::uint32_t i = 0; i < 3; ++i)
            source->output()->streamDidOutput(CapturedImage{2, 2, {i, i, i, i}});
    });
    capture.join();
    flow.stopRecording();
    ASSERT_TRUE(processUntil([&] { return !session.isRecording(); }));
    ASSERT_EQ(session.capturedFrames().size(), 3u);
    EXPECT_EQ(session.capturedFrames()[2].pixels()[0], 2u);
    EXPECT_EQ(port.count("showPreviewWindow"), 1);
}

TEST_F(FlowServicesTest, StreamErrorFromTheCaptureThreadStopsOnTheMainThread)
{
    flow.initiateRecording();
    ASSERT_TRUE(processUntil([&] { return session.isRecording(); }));
    std::thread capture([this] {
        source->output()->streamDidOutput(CapturedImage{2, 2, {1, 1, 1, 1}});
        source->output()->streamDidStop(CaptureError{QStringLiteral("The display went away.")});
    });
    capture.join();
    ASSERT_TRUE(processUntil([&] { return !session.isRecording(); }));
    EXPECT_EQ(session.errorMessage(), "Recording stopped: The display went away.");
    EXPECT_EQ(session.capturedFrames().size(), 1u);
}

EncodeRequest twoFrames()
{
    EncodeRequest request;
    request.frames.push_back(Frame::fromPixels(4, 4, std::vector<std::uint32_t>(16, 0xffff0000u)));
    request.frames.push_back(Frame::fromPixels(4, 4, std::vector<std::uint32_t>(16, 0xff0000ffu)));
    return request;
}

TEST(ThreadedGifEncoderTest, EncodesOffTheMainThreadAnswersOnItAndFailsOnBadOrCancelledJobs)
{
    application();
    ThreadedGifEncoder encoder;
    std::optional<EncodeOutcome> answer;
    const QThread* answeredOn = nullptr;
    auto job = encoder.encode(twoFrames(), [&](EncodeOutcome outcome) {
        answer = std::move(outcome);
        answeredOn = QThread::currentThread();
    });
    ASSERT_TRUE(processUntil([&] { return answer.has_value(); }));
    ASSERT_TRUE(answer->gif.has_value());
    EXPECT_TRUE(answer->gif->startsWith("GIF89a"));
    EXPECT_EQ(answeredOn, QCoreApplication::instance()->thread());

    // A failure carries the encoder's reason; a cancelled job has none.
    EncodeJob fresh;
    EXPECT_EQ(ThreadedGifEncoder::encodeNow(EncodeRequest{}, fresh).error,
              "there are no frames to encode");
    EncodeRequest mixed = twoFrames();
    mixed.frames.push_back(Frame::fromPixels(2, 2, std::vector<std::uint32_t>(4, 0)));
    const EncodeOutcome failed = ThreadedGifEncoder::encodeNow(mixed, fresh);
    EXPECT_FALSE(failed.gif);
    EXPECT_EQ(failed.error, "frame 3 is 2x2 but frame 1 is 4x4");
    EncodeJob cancelled;
    cancelled.cancel();
    const EncodeOutcome dropped = ThreadedGifEncoder::encodeNow(twoFrames(), cancelled);
    EXPECT_FALSE(dropped.gif);
    EXPECT_TRUE(dropped.error.isEmpty());
    EXPECT_TRUE(ThreadedGifEncoder::encodeNow(twoFrames(), fresh).gif);
}

// The preview's edits reach the encoder: a stride and a bounce change the
// frames written; progress comes on the main thread, growing, while it runs.
TEST(ThreadedGifEncoderTest, AppliesStrideAndBounceAndReportsProgressOnTheMainThread)
{
    application();
    ThreadedGifEncoder encoder;
    EncodeRequest request;
    for (std::uint32_t i = 0; i < 5; ++i)
        request.frames.push_back(
            Frame::fromPixels(4, 4, std::vector<std::uint32_t>(16, 0xff000000u | (i * 0x30u))));
    request.skipFrames = 2;
    request.boomerang = true;
    std::vector<int> percents;
    bool offMainThread = false;
    request.progress = [&](int percent) {
        percents.push_back(percent);
        offMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
    };
    std::optional<EncodeOutcome> answer;
    auto job = encoder.encode(request, [&](EncodeOutcome outcome) { answer = std::move(outcome); });
    ASSERT_TRUE(processUntil([&] { return answer.has_value(); }));
    ASSERT_TRUE(answer->gif.has_value());
    const auto& bytes = *answer->gif;
    const auto decoded = gif::testing::decodeGif(std::span(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())));
    ASSERT_TRUE(decoded.has_value());
    // Kept 0, 2, 4, then back to 2 without repeating the ends.
    EXPECT_EQ(decoded->images.size(), 4u);
    ASSERT_FALSE(percents.empty());
    EXPECT_FALSE(offMainThread);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end()), percents.end());
    EXPECT_LE(percents.back(), 100);
}

// One grey frame that notes the niceness of every thread reading it.
class NicenessProbe final : public FrameStorage
{
public:
    void readPixels(std::span<std::uint32_t> out) const override
    {
        std::fill(out.begin(), out.end(), 0xff808080u);
        const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        int seen = lowest.load();
        while (nice < seen && !lowest.compare_exchange_weak(seen, nice)) {
        }
    }
    [[nodiscard]] std::size_t storedBytes() const override { return 64; }

    mutable std::atomic<int> lowest = 100;
};

// A running encode yields to the GUI thread: it and the workers it starts
// read frames at a raised niceness, while the caller keeps its own.
TEST(ThreadedGifEncoderTest, EncodesBelowTheGuiThreadsPriority)
{
    application();
    const int callerNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    if (callerNice >= ThreadedGifEncoder::encodeNiceness)
        GTEST_SKIP() << "the tests already run at niceness " << callerNice;
    auto probe = std::make_shared<NicenessProbe>();
    ThreadedGifEncoder encoder;
    EncodeRequest request;
    for (int i = 0; i < 6; ++i)
        request.frames.push_back(Frame(4, 4, probe));
    std::optional<EncodeOutcome> answer;
    auto job = encoder.encode(request, [&](EncodeOutcome outcome) { answer = std::move(outcome); });
    ASSERT_TRUE(processUntil([&] { return answer.has_value(); }));
    EXPECT_TRUE(answer->gif.has_value());
    EXPECT_EQ(probe->lowest.load(), ThreadedGifEncoder::encodeNiceness);
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), callerNice);
}

} // namespace
} // namespace kinetta::test
