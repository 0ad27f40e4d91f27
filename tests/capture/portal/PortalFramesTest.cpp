// The parts of portal capture that need no daemon: pixel layouts, cropping,
// the cadence and the relay that repeats a still screen, on virtual time.
#include "capture/FrameCadence.h"
#include "capture/portal/CadencedFrameRelay.h"
#include "capture/portal/CollectingOutput.h"
#include "capture/portal/RawFrameConversion.h"
#include "capture/portal/RecyclingPool.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>

namespace kinetta::portal
{
namespace
{

using namespace std::chrono_literals;
using testing::CollectingOutput;
using TimePoint = FrameCadence::Clock::time_point;

TEST(RawFrameConversionTest, EveryLayoutGivesOpaqueArgbAndHonoursCropAndStride)
{
    // Two rows of three pixels, 16 bytes a row (4 of padding). Pixel (x, y)
    // holds red 10x+y, green 100+x, blue 200+y, and 7 in its fourth byte.
    struct Case {
        RawPixelLayout layout;
        std::array<int, 4> order; // which channel each byte holds: 0 red, 1 green, 2 blue, 3 other
    };
    const Case cases[] = {
        {RawPixelLayout::bgrx, {2, 1, 0, 3}}, {RawPixelLayout::bgra, {2, 1, 0, 3}},
        {RawPixelLayout::rgbx, {0, 1, 2, 3}}, {RawPixelLayout::rgba, {0, 1, 2, 3}},
        {RawPixelLayout::xrgb, {3, 0, 1, 2}}, {RawPixelLayout::argb, {3, 0, 1, 2}},
        {RawPixelLayout::xbgr, {3, 2, 1, 0}}, {RawPixelLayout::abgr, {3, 2, 1, 0}},
    };
    const auto channels = [](int x, int y) {
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(10 * x + y),
                                           static_cast<std::uint8_t>(100 + x),
                                           static_cast<std::uint8_t>(200 + y), 7};
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> image(32, 0xee);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                for (int byte = 0; byte < 4; ++byte)
                    image[static_cast<std::size_t>(y * 16 + x * 4 + byte)] =
                        channels(x, y)[static_cast<std::size_t>(c.order[byte])];
        std::vector<std::uint32_t> target(4);
        convertToArgb(c.layout, image.data(), 16, QRect(1, 0, 2, 2), target.data());
        for (int y = 0; y < 2; ++y)
            for (int x = 1; x < 3; ++x) {
                const auto ch = channels(x, y);
                EXPECT_EQ(target[static_cast<std::size_t>(y * 2 + x - 1)],
                          0xff000000u | std::uint32_t{ch[0]} << 16 | std::uint32_t{ch[1]} << 8 |
                              ch[2])
                    << "layout " << static_cast<int>(c.layout) << " at " << x << "," << y;
            }
    }
}

TEST(RawFrameConversionTest, ConvertsInPlaceForScaledPictures)
{
    // Bytes R, G, B, x in each word, converted where they lie.
    std::vector<std::uint32_t> pixels(3);
    const std::uint8_t bytes[] = {1, 2, 3, 9, 4, 5, 6, 9, 7, 8, 10, 9};
    std::memcpy(pixels.data(), bytes, sizeof(bytes));
    convertToArgb(RawPixelLayout::rgbx, reinterpret_cast<const std::uint8_t*>(pixels.data()), 12,
                  QRect(0, 0, 3, 1), pixels.data());
    EXPECT_EQ(pixels, (std::vector<std::uint32_t>{0xff010203u, 0xff040506u, 0xff07080au}));
    std::memcpy(pixels.data(), bytes, sizeof(bytes));
    convertToArgb(RawPixelLayout::bgrx, reinterpret_cast<const std::uint8_t*>(pixels.data()), 12,
                  QRect(0, 0, 3, 1), pixels.data());
    EXPECT_EQ(pixels, (std::vector<std::uint32_t>{0xff030201u, 0xff060504u, 0xff0a0807u}));
}

TEST(RawFrameConversionTest, CropsFollowTheBuffersScaleAndStayInside)
{
    // Same size: as given.
    EXPECT_EQ(cropInImage(QRectF(10, 20, 30, 40), {200, 100}, {200, 100}), QRect(10, 20, 30, 40));
    // The portal reported logical pixels; the buffers are twice as large.
    EXPECT_EQ(cropInImage(QRectF(10, 20, 30, 40), {200, 100}, {400, 200}), QRect(20, 40, 60, 80));
    // Reaching past the edge is clipped; lying wholly outside leaves nothing.
    EXPECT_EQ(cropInImage(QRectF(190, 90, 30, 40), {200, 100}, {200, 100}), QRect(190, 90, 10, 10));
    EXPECT_FALSE(cropInImage(QRectF(300, 0, 10, 10), {200, 100}, {200, 100}));
    EXPECT_FALSE(cropInImage(QRectF(0, 0, 10, 10), {}, {200, 100}));
}

TEST(FrameCadenceTest, SlotsFollowTheFirstDeliveryAndLateOnesAreSkipped)
{
    FrameCadence cadence(10);
    const TimePoint start{std::chrono::seconds(50)};
    EXPECT_FALSE(cadence.begun());
    EXPECT_EQ(cadence.next(start), start + 100ms);
    cadence.begin(start);
    // On time, each slot follows the last; a slot's lateness does not shift the next.
    EXPECT_EQ(cadence.next(start + 3ms), start + 100ms);
    EXPECT_EQ(cadence.next(start + 130ms), start + 200ms);
    // Slots 3 and 4 passed unseen: the next one due is 5.
    EXPECT_EQ(cadence.next(start + 410ms), start + 500ms);
    // Below one frame a second counts as one.
    FrameCadence slow(0.2);
    slow.begin(start);
    EXPECT_EQ(slow.next(start), start + 1s);
}

TEST(RecyclingPoolTest, GivesBackOnlyWhatNobodyHolds)
{
    RecyclingPool<int> pool(2);
    auto first = pool.take();
    auto second = pool.take();
    EXPECT_NE(first, second);
    const int* firstAddress = first.get();
    first.reset();
    EXPECT_EQ(pool.take().get(), firstAddress);
    // Past its capacity the pool still hands out, without keeping.
    auto held = pool.take();
    auto extra = pool.take();
    EXPECT_NE(extra, second);
    EXPECT_NE(extra, held);
}

// Virtual time for the relay: each wait lets time jump to the slot, as far as
// the test has allowed slots to pass.
class SteppedTiming
{
public:
    RelayTiming timing()
    {
        return {[this] {
                    std::lock_guard lock(m_mutex);
                    return m_now;
                },
                [this](std::unique_lock<std::mutex>& relayLock, std::condition_variable&,
                       TimePoint when, const std::function<bool()>&) {
                    relayLock.unlock();
                    {
                        std::unique_lock lock(m_mutex);
                        m_dues.push_back(when);
                        m_gate.wait(lock, [&] { return m_open || m_used < m_allowed; });
                        if (!m_open) {
                            ++m_used;
                            m_now = std::max(m_now, when);
                        }
                    }
                    relayLock.lock();
                }};
    }
    void allow(int count)
    {
        {
            std::lock_guard lock(m_mutex);
            m_allowed += count;
        }
        m_gate.notify_all();
    }
    // Lets every wait end, so that the relay can be stopped.
    void open()
    {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_gate.notify_all();
    }
    [[nodiscard]] std::vector<TimePoint> dues()
    {
        std::lock_guard lock(m_mutex);
        return m_dues;
    }
    [[nodiscard]] TimePoint start() const { return m_start; }

private:
    std::mutex m_mutex;
    std::condition_variable m_gate;
    const TimePoint m_start{std::chrono::hours(1)};
    TimePoint m_now = m_start;
    std::vector<TimePoint> m_dues;
    int m_allowed = 0;
    int m_used = 0;
    bool m_open = false;
};

std::shared_ptr<const PortalFrame> flatFrame(int width, int height, std::uint32_t colour)
{
    auto frame = std::make_shared<PortalFrame>();
    frame->width = width;
    frame->height = height;
    frame->pixels.assign(static_cast<std::size_t>(width) * height, colour);
    return frame;
}

struct RelayFixture : ::testing::Test {
    SteppedTiming time;
    CollectingOutput output;
    std::mutex pictureMutex;
    std::shared_ptr<const PortalFrame> picture;
    int fetches = 0;
    std::optional<CadencedFrameRelay> relay;

    void makeRelay(double frameRate, QSize outputSize)
    {
        relay.emplace(
            frameRate, outputSize, output,
            [this] {
                std::lock_guard lock(pictureMutex);
                ++fetches;
                return picture;
            },
            time.timing());
    }
    // A new picture comes from the source.
    void offer(std::shared_ptr<const PortalFrame> frame)
    {
        {
            std::lock_guard lock(pictureMutex);
            picture = std::move(frame);
        }
        relay->pictureArrived();
    }
    void TearDown() override
    {
        time.open();
        relay.reset();
    }
};

TEST_F(RelayFixture, AStillScreenIsRepeatedEverySlotAndANewPictureGoesOutAtTheNextSlot)
{
    makeRelay(20.0, QSize(4, 2));
    offer(flatFrame(4, 2, 0xff112233u));
    // The first picture goes out at once; then nothing new comes for 3 slots.
    time.allow(3);
    ASSERT_TRUE(output.waitFor([](auto& images, auto&) { return images.size() == 4; }));
    offer(flatFrame(4, 2, 0xff445566u));
    time.allow(2);
    ASSERT_TRUE(output.waitFor([](auto& images, auto&) { return images.size() == 6; }));
    // One fetch a slot: pictures the source sent in between are never made.
    {
        std::lock_guard lock(pictureMutex);
        EXPECT_EQ(fetches, 6);
    }

    for (std::size_t i = 0; i < 6; ++i) {
        const auto image = output.image(i);
        EXPECT_EQ(image.width, 4);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(CollectingOutput::pixels(image),
                  std::vector<std::uint32_t>(8, i < 4 ? 0xff112233u : 0xff445566u))
            << "delivery " << i;
    }
    // A repeat lends the same memory again instead of a copy.
    EXPECT_EQ(output.image(1).shared.owner, output.image(3).shared.owner);
    // Slot n is due n/20 s after the first delivery.
    const auto dues = time.dues();
    ASSERT_GE(dues.size(), 5u);
    for (std::size_t n = 0; n < 5; ++n)
        EXPECT_EQ(dues[n], time.start() + std::chrono::duration_cast<std::chrono::nanoseconds>(
                                              std::chrono::duration<double>((n + 1) / 20.0)));
    EXPECT_EQ(output.stops(), 0);
}

TEST_F(RelayFixture, PicturesAreScaledToTheOutputWithinTheAreaMeanBound)
{
    makeRelay(10.0, QSize(2, 1));
    auto frame = std::make_shared<PortalFrame>();
    frame->width = 4;
    frame->height = 2;
    frame->pixels = {0xff000000u, 0xff0000ffu, 0xff00ff00u, 0xff00ff00u,
                     0xff0000ffu, 0xff000000u, 0xff00ff00u, 0xff00ff00u};
    offer(frame);
    ASSERT_TRUE(output.waitFor([](auto& images, auto&) { return !images.empty(); }));
    const auto pixels = CollectingOutput::pixels(output.image(0));
    ASSERT_EQ(pixels.size(), 2u);
    // Left: blue 0, 255, 255, 0 averages to 127.5; right: green throughout.
    EXPECT_NEAR(static_cast<int>(pixels[0] & 0xff), 127.5, 1.0);
    EXPECT_EQ(pixels[0] & 0xffffff00u, 0xff000000u);
    EXPECT_EQ(pixels[1], 0xff00ff00u);
}

TEST_F(RelayFixture, AnEndedSourceIsToldOnceAndNothingIsDeliveredAfter)
{
    makeRelay(10.0, QSize(1, 1));
    offer(flatFrame(1, 1, 0xff010203u));
    time.allow(1);
    ASSERT_TRUE(output.waitFor([](auto& images, auto&) { return images.size() == 2; }));
    relay->end(QStringLiteral("The shared screen went away."));
    relay->end(QStringLiteral("a second reason"));
    time.allow(5);
    ASSERT_TRUE(output.waitFor([](auto&, auto& error) { return error.has_value(); }));
    relay->stop();
    EXPECT_EQ(output.stops(), 1);
    EXPECT_EQ(output.error()->message, QStringLiteral("The shared screen went away."));
    EXPECT_EQ(output.count(), 2u);
}

TEST_F(RelayFixture, ASourceEndingBeforeItsFirstPictureStopsWithoutOutput)
{
    makeRelay(10.0, QSize(1, 1));
    relay->end(QStringLiteral("The connection to PipeWire was lost."));
    ASSERT_TRUE(output.waitFor([](auto&, auto& error) { return error.has_value(); }));
    EXPECT_EQ(output.count(), 0u);
    // Stopping a relay that never had a picture returns at once.
    CollectingOutput idle;
    CadencedFrameRelay waiting(
        10.0, QSize(1, 1), idle, [] { return std::shared_ptr<const PortalFrame>(); },
        time.timing());
    waiting.stop();
    EXPECT_EQ(idle.count(), 0u);
    EXPECT_EQ(idle.stops(), 0);
}

} // namespace
} // namespace kinetta::portal
