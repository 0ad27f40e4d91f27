#include "capture/ScreenRecorder.h"
#include "capture/TestClient.h"
#include "capture/XvfbServer.h"
#include "capture/x11/X11CaptureSource.h"
#include "capture/x11/X11Grabber.h"
#include "capture/x11/XcbConnection.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <semaphore>
#include <xcb/xfixes.h>

using namespace kinetta;
using namespace kinetta::testing;

namespace
{

constexpr std::int64_t kOwnPid = 777777;

// Passes a real source through and lets the test wait, without sleeping, for
// images or the end of the stream.
class CountingSource final : public CaptureSource, private CaptureStreamOutput
{
public:
    explicit CountingSource(std::shared_ptr<CaptureSource> inner) : m_inner(std::move(inner)) {}

    [[nodiscard]] bool preflightAccess() override { return m_inner->preflightAccess(); }
    void requestAccess() override { m_inner->requestAccess(); }
    [[nodiscard]] CaptureResult<ShareableContent> shareableContent() override
    {
        return m_inner->shareableContent();
    }
    // The recorder has stopped any earlier stream, so nothing is delivered meanwhile.
    [[nodiscard]] CaptureResult<std::unique_ptr<CaptureStream>>
    startStream(const StreamConfiguration& configuration, CaptureStreamOutput& output) override
    {
        m_target = &output;
        while (m_images.try_acquire() || m_stopped.try_acquire()) {
        }
        return m_inner->startStream(configuration, *this);
    }

    // True once `count` more images have arrived.
    bool waitForImages(int count)
    {
        for (int i = 0; i < count; ++i)
            if (!m_images.try_acquire_for(kPatience))
                return false;
        return true;
    }
    // True once the stream has ended by itself.
    bool waitForStop() { return m_stopped.try_acquire_for(kPatience); }

private:
    static constexpr auto kPatience = std::chrono::seconds(20);
    void streamDidOutput(CapturedImage image) override
    {
        m_target->streamDidOutput(std::move(image));
        m_images.release();
    }
    void streamDidStop(const CaptureError& error) override
    {
        m_target->streamDidStop(error);
        m_stopped.release();
    }

    std::shared_ptr<CaptureSource> m_inner;
    CaptureStreamOutput* m_target = nullptr;
    std::counting_semaphore<> m_images{0};
    std::binary_semaphore m_stopped{0};
};

// The quadrant card at offset, each pixel the mean of its factor x factor block.
void expectCard(const QImage& image, int width, int height, QPoint offset = {}, int factor = 1)
{
    ASSERT_TRUE(image.rect().contains(QRect(offset, QSize(width, height) / factor)));
    for (int y = 0; y < height / factor; ++y) {
        for (int x = 0; x < width / factor; ++x) {
            const std::uint32_t pixel = image.pixel(x + offset.x(), y + offset.y());
            ASSERT_EQ(pixel >> 24, 0xffu);
            for (int shift = 0; shift < 24; shift += 8) {
                int sum = 0;
                for (int d = 0; d < factor * factor; ++d)
                    sum += (quadrantCardColour(width, height, factor * x + d % factor,
                                               factor * y + d / factor) >>
                            shift) &
                           0xff;
                ASSERT_NEAR(static_cast<int>((pixel >> shift) & 0xff),
                            static_cast<double>(sum) / (factor * factor), 0.5)
                    << "at " << x << "," << y;
            }
        }
    }
}

void expectFilled(const QImage& image, const QRect& rect, std::uint32_t colour)
{
    ASSERT_TRUE(image.rect().contains(rect));
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            ASSERT_EQ(image.pixel(x, y), 0xff000000u | colour) << "at " << x << "," << y;
}

// The frames as images; never empty, so that back() is always there to check.
std::vector<QImage> images(const FrameList& frames)
{
    std::vector<QImage> result;
    for (const Frame& frame : frames)
        result.push_back(frame.toImage());
    if (result.empty()) {
        ADD_FAILURE() << "no frames";
        result.emplace_back();
    }
    return result;
}

struct X11CaptureFixture : ::testing::Test {
    XvfbServer server{320, 240};
    std::unique_ptr<TestClient> client;
    std::shared_ptr<CountingSource> source;
    std::unique_ptr<ScreenRecorder> recorder;

    void SetUp() override
    {
        ASSERT_TRUE(server.running()) << "Xvfb did not start";
        client = std::make_unique<TestClient>(server.display());
        ASSERT_TRUE(client->connected());
        source = std::make_shared<CountingSource>(
            std::make_shared<x11::X11CaptureSource>(server.display()));
        recorder = std::make_unique<ScreenRecorder>(source, FrameStore::optionsFromEnvironment(),
                                                    ScreenRecorder::Clock{}, kOwnPid);
    }

    xcb_window_t card(int x, int y, int width, int height)
    {
        return client->createWindow({.x = x, .y = y, .width = width, .height = height},
                                    quadrantCard(width, height));
    }
    xcb_window_t own(int x, int y, int width, int height)
    {
        return client->createWindow({.x = x,
                                     .y = y,
                                     .width = width,
                                     .height = height,
                                     .background = 0xffff00,
                                     .pid = static_cast<std::uint32_t>(kOwnPid)});
    }

    // Records until three images arrived and returns the kept frames.
    std::vector<QImage> record(CaptureMode mode, double scale, std::optional<QRectF> rect,
                               bool cursor, std::optional<std::uint32_t> window = std::nullopt)
    {
        const auto error = recorder->start(mode, 30, scale, window, rect, cursor);
        EXPECT_FALSE(error) << (error ? error->description().toStdString() : "");
        EXPECT_TRUE(!error && source->waitForImages(3));
        return images(recorder->stop().frames);
    }
};

} // namespace

// --- Display and area capture -----------------------------------------------

TEST_F(X11CaptureFixture, DisplayAndAreaArePixelExactAtFullAndHalfScale)
{
    card(40, 30, 120, 80);
    client->warpPointer(70, 50); // over the card, but not asked for
    const QRectF area(40, 30, 120, 80);
    const auto full = record(CaptureMode::area, 1.0, area, false);
    ASSERT_GE(full.size(), 2u);
    for (const QImage& frame : full) {
        ASSERT_EQ(frame.size(), QSize(120, 80));
        expectCard(frame, 120, 80);
    }
    const auto half = record(CaptureMode::area, 0.5, area, false);
    ASSERT_EQ(half.back().size(), QSize(60, 40));
    expectCard(half.back(), 120, 80, {}, 2);
    EXPECT_NEAR(static_cast<int>(half.back().pixel(50, 38) & 0xff), 128, 1); // stripes: even grey

    const auto screen = record(CaptureMode::fullScreen, 1.0, std::nullopt, false);
    ASSERT_EQ(screen.back().size(), QSize(320, 240));
    expectCard(screen.back(), 120, 80, QPoint(40, 30));

    const auto outside =
        recorder->start(CaptureMode::area, 10, 1, std::nullopt, QRectF(400, 300, 50, 50), false);
    ASSERT_TRUE(outside);
    EXPECT_TRUE(outside->captureError());
    EXPECT_FALSE(recorder->isCapturing());
}

TEST_F(X11CaptureFixture, PointerIsDrawnOnlyWhenAskedAtItsHotSpot)
{
    card(40, 30, 120, 80);
    client->warpPointer(70, 50);
    const QRectF area(40, 30, 120, 80);
    const auto with = record(CaptureMode::area, 1.0, area, true);
    xcb_connection_t* c = client->get();
    std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr));
    auto* cursor = xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr);
    ASSERT_NE(cursor, nullptr);
    const std::uint32_t* image = xcb_xfixes_get_cursor_image_cursor_image(cursor);
    int opaque = 0;
    for (int y = 0; y < cursor->height; ++y) {
        for (int x = 0; x < cursor->width; ++x) {
            const int fx = cursor->x - cursor->xhot - 40 + x;
            const int fy = cursor->y - cursor->yhot - 30 + y;
            if (fx < 0 || fy < 0 || fx >= 120 || fy >= 80)
                continue;
            const std::uint32_t pixel = image[y * cursor->width + x];
            const std::uint32_t expected = (pixel >> 24) == 0xff ? pixel
                                           : (pixel >> 24) == 0
                                               ? 0xff000000u | quadrantCardColour(120, 80, fx, fy)
                                               : with.back().pixel(fx, fy);
            opaque += (pixel >> 24) == 0xff ? 1 : 0;
            EXPECT_EQ(with.back().pixel(fx, fy), expected) << "cursor pixel " << x << "," << y;
        }
    }
    std::free(cursor);
    EXPECT_GT(opaque, 0);
    EXPECT_EQ(with.back().pixel(110, 50), 0xffffffffu); // away from the pointer

    const auto half = record(CaptureMode::area, 0.5, area, true);
    int changed = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 30; ++x)
            changed += half.back().pixel(x, y) != 0xffff0000u ? 1 : 0;
    EXPECT_GT(changed, 0) << "the pointer is missing at half scale";
}

TEST_F(X11CaptureFixture, OwnWindowsStayHiddenWhenTheyMoveOrAppear)
{
    client->createWindow({.width = 320, .height = 240, .background = 0x4080c0});
    const xcb_window_t mine = own(10, 10, 40, 30);
    ASSERT_FALSE(
        recorder->start(CaptureMode::fullScreen, 30, 1.0, std::nullopt, std::nullopt, false));
    ASSERT_TRUE(source->waitForImages(2));
    client->moveWindow(mine, 200, 150);
    own(100, 100, 20, 20);
    ASSERT_TRUE(source->waitForImages(3));
    const auto frames = images(recorder->stop().frames);
    // Without a published wallpaper our windows turn black.
    expectFilled(frames.front(), QRect(10, 10, 40, 30), 0);
    EXPECT_EQ(frames.back().pixel(20, 20), 0xff4080c0u); // where it was: the backdrop again
    expectFilled(frames.back(), QRect(200, 150, 40, 30), 0);
    expectFilled(frames.back(), QRect(100, 100, 20, 20), 0);
    for (const QImage& frame : frames)
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                ASSERT_NE(frame.pixel(x, y), 0xffffff00u) << "an own window showed in a frame";

    // A wallpaper pixmap published the way wallpaper setters do shows instead,
    // also in an area that does not start at the display's origin.
    xcb_connection_t* c = client->get();
    const xcb_pixmap_t wallpaper = xcb_generate_id(c);
    xcb_create_pixmap(c, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root_depth, wallpaper,
                      client->root(), 320, 240);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const std::uint32_t colour = 0x2a6e3f;
    xcb_create_gc(c, gc, wallpaper, XCB_GC_FOREGROUND, &colour);
    const xcb_rectangle_t all{0, 0, 320, 240};
    xcb_poly_fill_rectangle(c, wallpaper, gc, 1, &all);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, client->root(), client->atom("_XROOTPMAP_ID"),
                        XCB_ATOM_PIXMAP, 32, 1, &wallpaper);
    client->sync();
    const auto area = record(CaptureMode::area, 1.0, QRectF(180, 140, 100, 60), false);
    expectFilled(area.back(), QRect(20, 10, 40, 30), colour);
    EXPECT_EQ(area.back().pixel(10, 5), 0xff4080c0u);
}

// --- Window capture ----------------------------------------------------------

TEST_F(X11CaptureFixture, WindowModeAndSnapshotReadAPartlyCoveredWindow)
{
    const xcb_window_t subject = card(20, 20, 160, 96);
    client->createWindow({.x = 100, .y = 60, .width = 150, .height = 100, .background = 0x808080});
    const auto covered = record(CaptureMode::area, 1.0, QRectF(20, 20, 160, 96), false);
    EXPECT_EQ(covered.back().pixel(150, 90), 0xff808080u); // the display shows the cover

    const auto frames = record(CaptureMode::window, 1.0, std::nullopt, false, subject);
    ASSERT_EQ(frames.back().size(), QSize(160, 96));
    expectCard(frames.back(), 160, 96);

    const auto image = x11::X11CaptureSource(server.display()).windowSnapshot(subject);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->size(), QSize(160, 96));
    expectCard(*image, 160, 96);
}

TEST_F(X11CaptureFixture, ClosedWindowOrLostDisplayRaiseTheStreamErrorAndKeepFrames)
{
    const xcb_window_t subject = card(20, 20, 160, 96);
    std::mutex mutex;
    std::optional<CaptureError> seen;
    const auto takeSeen = [&] {
        std::lock_guard lock(mutex);
        return std::exchange(seen, std::nullopt);
    };
    recorder->setOnStreamError([&](const CaptureError& error) {
        std::lock_guard lock(mutex);
        seen = error;
    });
    ASSERT_FALSE(recorder->start(CaptureMode::window, 30, 1.0, subject, std::nullopt, false));
    ASSERT_TRUE(source->waitForImages(3));
    client->destroyWindow(subject);
    ASSERT_TRUE(source->waitForStop());
    EXPECT_EQ(takeSeen(), CaptureError{"The recorded window was closed."});
    const auto frames = images(recorder->stop().frames);
    EXPECT_GE(frames.size(), 3u);
    for (const QImage& frame : frames)
        expectCard(frame, 160, 96);
    EXPECT_TRUE(recorder->stop().frames.empty());

    // Gone is gone: no snapshot, no new recording.
    EXPECT_FALSE(x11::X11CaptureSource(server.display()).windowSnapshot(subject));
    EXPECT_FALSE(x11::X11CaptureSource(server.display()).windowSnapshot(0x7fffffff));
    const auto error = recorder->start(CaptureMode::window, 30, 1.0, subject, std::nullopt, false);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->recordingError(), RecordingError::noWindowSelected);

    ASSERT_FALSE(
        recorder->start(CaptureMode::fullScreen, 30, 0.5, std::nullopt, std::nullopt, true));
    ASSERT_TRUE(source->waitForImages(2));
    client.reset();
    server.kill();
    ASSERT_TRUE(source->waitForStop());
    EXPECT_TRUE(takeSeen());
    EXPECT_GE(recorder->stop().frames.size(), 2u);
}

TEST(X11GrabberTest, SharedMemoryHeldByUnstoredImagesIsBounded)
{
    XvfbServer server(64, 48);
    ASSERT_TRUE(server.running());
    const auto opened = x11::XcbConnection::open(server.display());
    ASSERT_TRUE(opened.ok()) << opened.message().toStdString();
    const auto& connection = *opened;
    ASSERT_TRUE(connection->hasShm());
    x11::X11Grabber grabber(*connection);
    // Images a stalled frame queue would hold on to, each in a segment of its own.
    std::vector<std::shared_ptr<const void>> held;
    for (std::size_t i = 0; i < x11::X11Grabber::kMaxSegments; ++i) {
        const auto image = grabber.grab(connection->root(), QRect(0, 0, 64, 48));
        ASSERT_TRUE(image && image->owner) << i;
        held.push_back(image->owner);
    }
    // One more would need another segment: the grab is skipped instead, and
    // shared memory stays in use.
    EXPECT_FALSE(grabber.grab(connection->root(), QRect(0, 0, 64, 48)));
    EXPECT_TRUE(grabber.usesSharedMemory());
    held.pop_back();
    const auto image = grabber.grab(connection->root(), QRect(0, 0, 64, 48));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->owner);
}

TEST(X11CaptureDepthTest, SixteenBitDisplayIsRefusedWithAReason)
{
    XvfbServer server(320, 240, 16);
    ASSERT_TRUE(server.running());
    ScreenRecorder recorder(std::make_shared<x11::X11CaptureSource>(server.display()),
                            FrameStore::optionsFromEnvironment());
    const auto error =
        recorder.start(CaptureMode::fullScreen, 10, 1.0, std::nullopt, std::nullopt, false);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->description().contains("depth 16")) << error->description().toStdString();
    EXPECT_FALSE(recorder.isCapturing());
}
