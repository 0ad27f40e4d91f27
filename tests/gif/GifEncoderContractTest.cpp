#include "gif/TestFrames.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>

namespace kinetta::gif
{
namespace
{

using namespace testing;
using Indices = std::vector<std::size_t>;

// Frames that differ everywhere, so each written image can be traced back.
std::vector<Pixels> distinctFrames(int count)
{
    std::vector<Pixels> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(solidFrame(4, 3, 0x102030u * static_cast<std::uint32_t>(i + 1)));
    return frames;
}

TEST(Contract, WritesTheSelectedFramesWithTheirDelaysAndLoopCount)
{
    struct Case {
        double fps;
        std::int64_t loops;
        int frames;
        std::int64_t skip;
        bool boomerang;
        Indices shown;
        std::vector<int> delays;
    };
    const std::vector<Case> cases = {
        // The last kept frame shows until the recording ends, not a whole stride.
        {10, 0, 5, 2, false, {0, 2, 4}, {20, 20, 10}},
        {10, 0, 4, 3, false, {0, 3}, {30, 10}},
        {10, 0, 3, 0, false, {0, 1, 2}, {10, 10, 10}}, // a skip below 1 keeps every frame
        {10, 0, 3, -4, false, {0, 1, 2}, {10, 10, 10}},
        // A stride past the end keeps the first frame for the whole recording.
        {10, 0, 3, std::numeric_limits<std::int64_t>::max(), false, {0}, {30}},
        {10, 0, 3, 1, true, {0, 1, 2, 1}, {10, 10, 10, 10}},
        {10, 0, 4, 1, true, {0, 1, 2, 3, 2, 1}, {10, 10, 10, 10, 10, 10}},
        {10, 0, 2, 1, true, {0, 1}, {10, 10}},
        // The way back repeats the delays of the way there.
        {10, 0, 7, 2, true, {0, 2, 4, 6, 4, 2}, {20, 20, 20, 10, 20, 20}},
        {30, 0, 4, 1, true, {0, 1, 2, 3, 2, 1}, {3, 3, 4, 3, 4, 3}},
        {15, 1, 6, 1, false, {0, 1, 2, 3, 4, 5}, {6, 7, 7, 6, 7, 7}}, // 40 in all
        {10, 65535, 2, 1, false, {0, 1}, {10, 10}},
        // A single frame still carries the looping extension.
        {10, 0, 1, 1, true, {0}, {10}},
        {10, 3, 1, 1, false, {0}, {10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.fps << " fps, loop " << c.loops << ", " << c.frames << " frames, skip "
                     << c.skip << ", boomerang " << c.boomerang);
        const auto frames = distinctFrames(c.frames);
        VectorSource source(4, 3, frames);
        std::mutex mutex;
        std::set<std::size_t> read;
        source.onRead = [&](std::size_t index) {
            const std::lock_guard lock(mutex);
            read.insert(index);
        };
        const Options options(c.fps, c.loops, c.skip, c.boomerang);
        EXPECT_EQ(GifEncoder::selectFrames(frames.size(), options), c.shown);
        const DecodedGif gif = encodeAndDecode(source, options);
        EXPECT_EQ(std::pair(gif.width, gif.height), std::pair(4, 3));
        EXPECT_EQ(gif.loopCount, c.loops);
        Indices shown;
        std::vector<int> delays;
        for (const auto& image : gif.images) {
            delays.push_back(image.delayHundredths);
            const auto match = std::find(frames.begin(), frames.end(), image.canvas);
            shown.push_back(static_cast<std::size_t>(match - frames.begin()));
        }
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(delays, c.delays);
        // Skipped frames are never read.
        EXPECT_EQ(read, std::set<std::size_t>(c.shown.begin(), c.shown.end()));
    }
}

TEST(Delay, SpreadsRoundingSoThatDelaysAddUpToTheRecordedTime)
{
    struct Case {
        double fps;
        std::size_t frames;
        std::int64_t skip;
        std::vector<int> firstDelays;
        std::size_t written;
        int total;
    };
    // Six seconds at each rate: the delays add up to 600 hundredths, none is
    // under 2, and whole hundredths per frame stay uniform.
    const std::vector<Case> cases = {
        {10, 60, 1, {10, 10, 10}, 60, 600},
        {10, 60, 2, {20, 20, 20}, 30, 600},
        {12.5, 75, 1, {8, 8, 8, 8}, 75, 600},
        {12.5, 75, 2, {16, 16, 16}, 38, 600}, // the last kept frame shows 8
        {1.5, 9, 1, {66, 67, 67, 66}, 9, 600},
        {24, 144, 1, {4, 4, 4, 4, 4, 5, 4}, 144, 600},
        {24, 144, 2, {8, 8, 9, 8, 8, 9}, 72, 600},
        {30, 180, 1, {3, 3, 4, 3, 3, 4}, 180, 600},
        {30, 180, 2, {6, 7, 7, 6}, 90, 600},
        // One frame every 2 hundredths, the one on screen then.
        {60, 360, 1, {2, 2, 2}, 300, 600},
        {60, 360, 2, {3, 3, 4, 3}, 180, 600},
        {120, 720, 2, {2, 2, 2}, 300, 600},
        // Too short a last frame gives its time to the one before.
        {60, 3, 1, {2, 3}, 2, 5},
        {60, 1, 1, {2}, 1, 2}, // as short as a GIF shows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.fps << " fps, " << c.frames << " frames, skip " << c.skip);
        const auto written = GifEncoder::schedule(c.frames, Options(c.fps, 0, c.skip));
        ASSERT_EQ(written.size(), c.written);
        int total = 0;
        for (std::size_t i = 0; i < written.size(); ++i) {
            total += written[i].delayHundredths;
            EXPECT_GE(written[i].delayHundredths, 2) << i;
            if (i < c.firstDelays.size()) {
                EXPECT_EQ(written[i].delayHundredths, c.firstDelays[i]) << i;
            }
            if (i > 0) {
                EXPECT_GT(written[i].index, written[i - 1].index) << i;
            }
        }
        EXPECT_EQ(total, c.total);
    }
    // Faster than 50 fps: the frame shown at each 2-hundredth mark.
    const auto fast = GifEncoder::selectFrames(10, Options(60));
    EXPECT_EQ(fast, (Indices{0, 1, 2, 3, 4, 6, 7, 8}));
    // A boomerang comes back at the pace it went.
    const auto back = GifEncoder::schedule(180, Options(30, 0, 1, true));
    ASSERT_EQ(back.size(), 358u);
    int total = 0;
    for (const auto& frame : back)
        total += frame.delayHundredths;
    EXPECT_EQ(total, 600 + 600 - 3 - 4); // the ends play once
    // Rates that are not positive numbers have no schedule.
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {0.0, -10.0, std::nan(""), inf})
        EXPECT_TRUE(GifEncoder::schedule(5, Options(bad)).empty()) << bad;
}

TEST(Progress, ComesFromTheStartAndACancelStopsTheColourSurvey)
{
    // Few colours: every frame is read before writing starts.
    std::vector<Pixels> frames;
    for (int i = 0; i < 20; ++i)
        frames.push_back(solidFrame(4, 3, 0x010203u * static_cast<std::uint32_t>(i % 4 + 1)));
    VectorSource source(4, 3, frames);
    std::atomic<int> reads = 0;
    source.onRead = [&](std::size_t) { ++reads; };
    using Step = std::pair<std::size_t, std::size_t>;
    std::vector<Step> calls;
    std::vector<int> readsAtCall;
    const auto cancelAtThree = [&](std::size_t done, std::size_t total) {
        calls.emplace_back(done, total);
        readsAtCall.push_back(reads);
        return done < 3;
    };
    const EncodeResult cancelled = GifEncoder::encode(source, {}, cancelAtThree, {.threads = 1});
    EXPECT_EQ(cancelled.error(), EncodeError::Cancelled);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls.front(), Step(0, 19 + 20));
    EXPECT_EQ(readsAtCall.front(), 1); // the first frame alone
    EXPECT_EQ(reads, 4);               // and three of the survey

    // Surveyed on several threads, the steps come in the same order and a
    // cancel stops the reads within two frames a thread.
    calls.clear();
    reads = 0;
    EXPECT_EQ(GifEncoder::encode(source, {}, cancelAtThree, {.threads = 3}).error(),
              EncodeError::Cancelled);
    EXPECT_EQ(calls, (std::vector<Step>{{0, 39}, {1, 39}, {2, 39}, {3, 39}}));
    EXPECT_LE(reads, 4 + 2 * 3);

    // Uncancelled, the steps count up to the total without a gap.
    calls.clear();
    ASSERT_TRUE(GifEncoder::encode(source, {}, [&](std::size_t done, std::size_t total) {
                    calls.emplace_back(done, total);
                    return true;
                }).ok());
    ASSERT_EQ(calls.size(), 40u);
    for (std::size_t i = 0; i < calls.size(); ++i)
        EXPECT_EQ(calls[i], Step(i, 39)) << i;
}

void expectFailure(const EncodeResult& result, EncodeError error, const std::string& mentions = {})
{
    EXPECT_EQ(result.error(), error);
    EXPECT_NE(result.message().find(mentions), std::string::npos) << result.message();
    EXPECT_TRUE(result.bytes().empty());
}

TEST(Contract, BadInputOptionsOrUnreadableFramesGiveNothing)
{
    expectFailure(GifEncoder::encode(VectorSource(4, 4, {}), {}), EncodeError::EmptyInput);
    const VectorSource mixed({{4, 4}, {4, 4}, {5, 4}},
                             {solidFrame(4, 4, 1), solidFrame(4, 4, 2), solidFrame(5, 4, 3)});
    expectFailure(GifEncoder::encode(mixed, {}), EncodeError::SizeMismatch, "frame 3");
    expectFailure(GifEncoder::encode(VectorSource({{0, 4}}, {Pixels{}}), {}),
                  EncodeError::InvalidSize);
    const VectorSource wide({{70000, 1}}, {Pixels(70000, 0xFF000000u)});
    expectFailure(GifEncoder::encode(wide, {}), EncodeError::InvalidSize);
    // Refused before a pixel of it is read or held.
    VectorSource huge({{60000, 60000}}, {Pixels{}});
    huge.onRead = [](std::size_t) { ADD_FAILURE() << "read a frame past the limit"; };
    expectFailure(GifEncoder::encode(huge, {}), EncodeError::InvalidSize,
                  "frame 1 is 60000x60000; frames are limited to 67108864 pixels (8192x8192)");

    const VectorSource one(2, 2, {solidFrame(2, 2, 7)});
    for (const Options& bad :
         {Options(0), Options(std::nan("")), Options(10, -1), Options(10, 65536)})
        expectFailure(GifEncoder::encode(one, bad), EncodeError::InvalidOptions);

    VectorSource unreadable(4, 3, distinctFrames(5));
    unreadable.failAt = 3;
    const EncodeResult result = GifEncoder::encode(unreadable, {}, {}, {.threads = 2});
    expectFailure(result, EncodeError::SourceFailed);
    EXPECT_EQ(result.message(), "frame 4 is unreadable");
}

// An exception that left a worker thread would end the process; it comes back
// as a failure, whichever thread it was raised on.
TEST(Contract, ExceptionsWhileReadingFramesBecomeFailures)
{
    // Far more colours than a table holds: the encoder reads only frame 1
    // itself, the pipeline's workers the rest.
    std::vector<Pixels> frames;
    for (std::uint32_t i = 0; i < 6; ++i)
        frames.push_back(noiseFrame(32, 32, 400, i));
    VectorSource source(32, 32, frames);
    struct Case {
        std::size_t at;
        bool outOfMemory;
        EncodeError error;
        std::string message;
    };
    for (const Case& c :
         {Case{0, true, EncodeError::OutOfMemory, "there is not enough memory to read frame 1"},
          Case{4, true, EncodeError::OutOfMemory, "there is not enough memory to read frame 5"},
          Case{3, false, EncodeError::Internal, "could not read frame 4: disk gone"}}) {
        source.onRead = [&c](std::size_t index) {
            if (index != c.at)
                return;
            if (c.outOfMemory)
                throw std::bad_alloc();
            throw std::runtime_error("disk gone");
        };
        const EncodeResult result = GifEncoder::encode(source, {}, {}, {.threads = 2});
        expectFailure(result, c.error);
        EXPECT_EQ(result.message(), c.message);
    }
}

} // namespace
} // namespace kinetta::gif
