#include "gif/TestFrames.h"

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

TEST(Contract, WritesTheSelectedFramesWithTheirDelayAndLoopCount)
{
    struct Case {
        double fps;
        std::int64_t loops;
        int frames;
        std::int64_t skip;
        bool boomerang;
        Indices shown;
        int delay;
    };
    const std::vector<Case> cases = {
        {10, 0, 5, 2, false, {0, 2, 4}, 20},
        {10, 0, 4, 3, false, {0, 3}, 30},
        {10, 0, 3, 0, false, {0, 1, 2}, 10}, // a skip below 1 keeps every frame
        {10, 0, 3, -4, false, {0, 1, 2}, 10},
        // A stride past the end keeps the first frame, its delay capped by the field.
        {10, 0, 3, std::numeric_limits<std::int64_t>::max(), false, {0}, 65535},
        {10, 0, 3, 1, true, {0, 1, 2, 1}, 10},
        {10, 0, 4, 1, true, {0, 1, 2, 3, 2, 1}, 10},
        {10, 0, 2, 1, true, {0, 1}, 10},
        {10, 0, 7, 2, true, {0, 2, 4, 6, 4, 2}, 20},
        {15, 1, 6, 1, false, {0, 1, 2, 3, 4, 5}, 7}, // 6.67 rounded
        {10, 65535, 2, 1, false, {0, 1}, 10},
        // A single frame still carries the looping extension.
        {10, 0, 1, 1, true, {0}, 10},
        {10, 3, 1, 1, false, {0}, 10},
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
        for (const auto& image : gif.images) {
            EXPECT_EQ(image.delayHundredths, c.delay);
            const auto match = std::find(frames.begin(), frames.end(), image.canvas);
            shown.push_back(static_cast<std::size_t>(match - frames.begin()));
        }
        EXPECT_EQ(shown, c.shown);
        // Skipped frames are never read.
        EXPECT_EQ(read, std::set<std::size_t>(c.shown.begin(), c.shown.end()));
    }
}

TEST(Delay, RoundsHundredthsHalfUpWithinOneAndTheField)
{
    struct Case {
        double fps;
        std::int64_t skip;
        int hundredths;
    };
    const double inf = std::numeric_limits<double>::infinity();
    // Halves round up; never 0, which viewers replace with their own default.
    // Rates that are not positive numbers have no delay.
    const std::vector<Case> cases = {
        {30, 1, 3},        {8, 1, 13}, {24, 3, 13}, {0.5, 1, 200},        {1000, 1, 1},
        {0.001, 1, 65535}, {0, 1, 0},  {-10, 1, 0}, {std::nan(""), 1, 0}, {inf, 1, 0}};
    for (const auto& [fps, skip, hundredths] : cases)
        EXPECT_EQ(GifEncoder::delayHundredths(Options(fps, 0, skip)), hundredths)
            << fps << " fps, skip " << skip;
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
    // Far more colours than a table holds: the colour-table thread reads only
    // frame 1, the pipeline's workers the rest.
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
         {Case{0, true, EncodeError::OutOfMemory,
               "there is not enough memory to make the colour table of frame 1"},
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
