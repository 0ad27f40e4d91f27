#include "capture/CountingSource.h"
#include "capture/ScreenRecorder.h"
#include "capture/TestClient.h"
#include "capture/XvfbServer.h"
#include "capture/x11/X11CaptureSource.h"
#include "capture/x11/X11WindowSnapshot.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <xcb/xfixes.h>

using namespace kinetta;
using namespace kinetta::testing;

namespace
{

constexpr std::int64_t kOwnPid = 777777;

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
        recorder = std::make_unique<ScreenRecorder>(source, ScreenRecorder::Clock{}, kOwnPid);
    }
    void TearDown() override
    {
        if (recorder)
            (void)recorder->stop();
    }

    xcb_window_t card(int x, int y, int width, int height)
    {
        WindowSpec spec;
        spec.x = x;
        spec.y = y;
        spec.width = width;
        spec.height = height;
        return client->createWindow(spec, quadrantCard(width, height));
    }

    // Records until `images` images arrived and returns the kept frames.
    FrameList record(CaptureMode mode, double scale, std::optional<QRectF> rect, bool cursor,
                     std::optional<std::uint32_t> window = std::nullopt, int images = 3)
    {
        const auto error = recorder->start(mode, 30, scale, window, rect, cursor);
        EXPECT_FALSE(error) << (error ? error->description().toStdString() : "");
        if (error)
            return {};
        EXPECT_TRUE(source->waitForImages(images));
        return recorder->stop();
    }
};

std::uint32_t at(const Frame& frame, int x, int y)
{
    return frame.pixels()[static_cast<std::size_t>(y) * frame.width() + x];
}

void expectCard(const Frame& frame, int width, int height, QPoint offset = {})
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(at(frame, x + offset.x(), y + offset.y()),
                      0xff000000u | quadrantCardColour(width, height, x, y))
                << "at " << x << "," << y;
        }
    }
}

} // namespace

// --- Display and area capture -----------------------------------------------

TEST_F(X11CaptureFixture, AreaAtFullScaleIsPixelExact)
{
    card(40, 30, 120, 80);
    const FrameList frames = record(CaptureMode::area, 1.0, QRectF(40, 30, 120, 80), false);
    ASSERT_GE(frames.size(), 2u);
    for (const Frame& frame : frames) {
        ASSERT_EQ(frame.size(), QSize(120, 80));
        expectCard(frame, 120, 80);
    }
}

TEST_F(X11CaptureFixture, HalfScaleAveragesEachTwoByTwoBlock)
{
    card(40, 30, 120, 80);
    const FrameList frames = record(CaptureMode::area, 0.5, QRectF(40, 30, 120, 80), false);
    ASSERT_FALSE(frames.empty());
    const Frame& frame = frames.back();
    ASSERT_EQ(frame.size(), QSize(60, 40));
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            const std::uint32_t pixel = at(frame, x, y);
            ASSERT_EQ(pixel >> 24, 0xffu);
            for (int shift = 0; shift < 24; shift += 8) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum +=
                            (quadrantCardColour(120, 80, 2 * x + dx, 2 * y + dy) >> shift) & 0xff;
                ASSERT_NEAR(static_cast<int>((pixel >> shift) & 0xff), sum / 4.0, 0.5)
                    << "at " << x << "," << y;
            }
        }
    }
    // The striped band becomes an even grey.
    EXPECT_NEAR(static_cast<int>(at(frame, 50, 38) & 0xff), 128, 1);
}

TEST_F(X11CaptureFixture, FullScreenPlacesWindowsWhereTheyAre)
{
    card(40, 30, 120, 80);
    const FrameList frames = record(CaptureMode::fullScreen, 1.0, std::nullopt, false);
    ASSERT_FALSE(frames.empty());
    ASSERT_EQ(frames.back().size(), QSize(320, 240));
    expectCard(frames.back(), 120, 80, QPoint(40, 30));
}

TEST_F(X11CaptureFixture, OddScaleKeepsTruncatedSizeAndFlatColours)
{
    WindowSpec spec = solidWindow(0, 0, 320, 240, 0x336699);
    client->createWindow(spec);
    const FrameList frames = record(CaptureMode::fullScreen, 0.33, std::nullopt, false);
    ASSERT_FALSE(frames.empty());
    ASSERT_EQ(frames.back().size(), QSize(105, 79));
    for (std::uint32_t pixel : frames.back().pixels())
        ASSERT_EQ(pixel, 0xff336699u);
}

TEST_F(X11CaptureFixture, AreaOutsideTheDisplayIsRefused)
{
    const auto error =
        recorder->start(CaptureMode::area, 10, 1, std::nullopt, QRectF(400, 300, 50, 50), false);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->captureError());
    EXPECT_FALSE(recorder->isCapturing());
}

TEST_F(X11CaptureFixture, OwnWindowsAreBlankedOut)
{
    card(40, 30, 120, 80);
    WindowSpec own = solidWindow(200, 150, 60, 40, 0xffff00);
    own.pid = static_cast<std::uint32_t>(kOwnPid);
    client->createWindow(own);
    const FrameList frames = record(CaptureMode::fullScreen, 1.0, std::nullopt, false);
    ASSERT_FALSE(frames.empty());
    expectCard(frames.back(), 120, 80, QPoint(40, 30));
    for (int y = 150; y < 190; ++y)
        for (int x = 200; x < 260; ++x)
            ASSERT_EQ(at(frames.back(), x, y), 0xff000000u);
}

TEST_F(X11CaptureFixture, OwnWindowsStayBlankedWhenTheyMoveOrAppear)
{
    WindowSpec backdrop = solidWindow(0, 0, 320, 240, 0x4080c0);
    client->createWindow(backdrop);
    WindowSpec own = solidWindow(10, 10, 40, 30, 0xffff00);
    own.pid = static_cast<std::uint32_t>(kOwnPid);
    const xcb_window_t mine = client->createWindow(own);
    ASSERT_FALSE(
        recorder->start(CaptureMode::fullScreen, 30, 1.0, std::nullopt, std::nullopt, false));
    ASSERT_TRUE(source->waitForImages(2));
    client->moveWindow(mine, 200, 150);
    WindowSpec later = solidWindow(100, 100, 20, 20, 0xff00ff);
    later.pid = static_cast<std::uint32_t>(kOwnPid);
    client->createWindow(later);
    const int seen = source->images();
    ASSERT_TRUE(source->waitForImages(seen + 3));
    const FrameList frames = recorder->stop();
    ASSERT_FALSE(frames.empty());
    const Frame& last = frames.back();
    EXPECT_EQ(at(last, 20, 20), 0xff4080c0u);   // where it was: the backdrop again
    EXPECT_EQ(at(last, 210, 160), 0xff000000u); // where it is now: blanked
    EXPECT_EQ(at(last, 110, 110), 0xff000000u); // the new one too
    for (const Frame& frame : frames)
        for (std::uint32_t pixel : frame.pixels())
            ASSERT_NE(pixel, 0xffffff00u) << "an own window showed in a frame";
}

TEST_F(X11CaptureFixture, OwnWindowsShowTheDesktopBackgroundWhenOneIsPublished)
{
    // A wallpaper pixmap published the way wallpaper setters do.
    xcb_connection_t* c = client->get();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_pixmap_t wallpaper = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, wallpaper, client->root(), 320, 240);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const std::uint32_t colour[] = {0x2a6e3f};
    xcb_create_gc(c, gc, wallpaper, XCB_GC_FOREGROUND, colour);
    const xcb_rectangle_t all{0, 0, 320, 240};
    xcb_poly_fill_rectangle(c, wallpaper, gc, 1, &all);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, client->root(), client->atom("_XROOTPMAP_ID"),
                        XCB_ATOM_PIXMAP, 32, 1, &wallpaper);
    client->sync();

    WindowSpec own = solidWindow(200, 150, 60, 40, 0xffff00);
    own.pid = static_cast<std::uint32_t>(kOwnPid);
    client->createWindow(own);
    const FrameList frames = record(CaptureMode::area, 1.0, QRectF(180, 140, 100, 60), false);
    ASSERT_FALSE(frames.empty());
    for (int y = 10; y < 50; ++y)
        for (int x = 20; x < 80; ++x)
            ASSERT_EQ(at(frames.back(), x, y), 0xff2a6e3fu) << x << "," << y;
}

// --- The pointer ---------------------------------------------------------------

TEST_F(X11CaptureFixture, PointerIsDrawnOnlyWhenAskedAtItsHotSpot)
{
    card(40, 30, 120, 80);
    client->warpPointer(70, 50);
    const FrameList without = record(CaptureMode::area, 1.0, QRectF(40, 30, 120, 80), false);
    ASSERT_FALSE(without.empty());
    expectCard(without.back(), 120, 80);

    const FrameList with = record(CaptureMode::area, 1.0, QRectF(40, 30, 120, 80), true);
    ASSERT_FALSE(with.empty());
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
                                               : at(with.back(), fx, fy);
            opaque += (pixel >> 24) == 0xff ? 1 : 0;
            EXPECT_EQ(at(with.back(), fx, fy), expected) << "cursor pixel " << x << "," << y;
        }
    }
    std::free(cursor);
    EXPECT_GT(opaque, 0);
    // Away from the pointer the card is untouched.
    EXPECT_EQ(at(with.back(), 110, 50), 0xffffffffu);

    const FrameList half = record(CaptureMode::area, 0.5, QRectF(40, 30, 120, 80), true);
    ASSERT_FALSE(half.empty());
    int changed = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 30; ++x)
            changed += at(half.back(), x, y) != 0xffff0000u ? 1 : 0;
    EXPECT_GT(changed, 0) << "the pointer is missing at half scale";
}

// --- Window capture ----------------------------------------------------------------

TEST_F(X11CaptureFixture, WindowModeReadsAPartlyCoveredWindow)
{
    const xcb_window_t subject = card(20, 20, 160, 100);
    WindowSpec cover = solidWindow(100, 60, 150, 100, 0x808080);
    client->createWindow(cover);
    const FrameList covered = record(CaptureMode::area, 1.0, QRectF(20, 20, 160, 100), false);
    ASSERT_FALSE(covered.empty());
    EXPECT_EQ(at(covered.back(), 150, 90), 0xff808080u); // the display shows the cover

    const FrameList frames = record(CaptureMode::window, 1.0, std::nullopt, false, subject);
    ASSERT_FALSE(frames.empty());
    ASSERT_EQ(frames.back().size(), QSize(160, 100));
    expectCard(frames.back(), 160, 100);

    const FrameList half = record(CaptureMode::window, 0.5, std::nullopt, false, subject);
    ASSERT_FALSE(half.empty());
    EXPECT_EQ(half.back().size(), QSize(80, 50));
    EXPECT_EQ(at(half.back(), 60, 10), 0xff00ff00u);
}

TEST_F(X11CaptureFixture, ClosingTheRecordedWindowRaisesTheStreamError)
{
    const xcb_window_t subject = card(20, 20, 160, 100);
    std::mutex mutex;
    std::optional<CaptureError> seen;
    recorder->setOnStreamError([&](const CaptureError& error) {
        std::lock_guard lock(mutex);
        seen = error;
    });
    ASSERT_FALSE(recorder->start(CaptureMode::window, 30, 1.0, subject, std::nullopt, false));
    ASSERT_TRUE(source->waitForImages(3));
    client->destroyWindow(subject);
    ASSERT_TRUE(source->waitForStop());
    {
        std::lock_guard lock(mutex);
        ASSERT_TRUE(seen);
        EXPECT_EQ(seen->message, "The recorded window was closed.");
    }
    const FrameList frames = recorder->stop();
    EXPECT_GE(frames.size(), 3u);
    for (const Frame& frame : frames)
        expectCard(frame, 160, 100);
    EXPECT_TRUE(recorder->stop().empty());
}

TEST_F(X11CaptureFixture, LosingTheDisplayRaisesTheStreamError)
{
    std::atomic<bool> told{false};
    recorder->setOnStreamError([&](const CaptureError&) { told = true; });
    ASSERT_FALSE(
        recorder->start(CaptureMode::fullScreen, 30, 0.5, std::nullopt, std::nullopt, true));
    ASSERT_TRUE(source->waitForImages(2));
    client.reset();
    server.kill();
    ASSERT_TRUE(source->waitForStop());
    EXPECT_TRUE(told);
    EXPECT_GE(recorder->stop().size(), 2u);
}

TEST_F(X11CaptureFixture, WindowThatIsGoneCannotBeSelected)
{
    const xcb_window_t subject = card(20, 20, 160, 100);
    client->destroyWindow(subject);
    const auto error = recorder->start(CaptureMode::window, 30, 1.0, subject, std::nullopt, false);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->recordingError(), RecordingError::noWindowSelected);
}

// --- Still capture ---------------------------------------------------------------

TEST_F(X11CaptureFixture, SnapshotShowsTheWholeWindowAndNothingOnceClosed)
{
    const xcb_window_t subject = card(20, 20, 160, 100);
    WindowSpec cover = solidWindow(100, 60, 150, 100, 0x808080);
    client->createWindow(cover);
    const auto image = x11::captureWindowSnapshot(server.display(), subject);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->size(), QSize(160, 100));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x)
            ASSERT_EQ(image->pixel(x, y), 0xff000000u | quadrantCardColour(160, 100, x, y));
    client->destroyWindow(subject);
    EXPECT_FALSE(x11::captureWindowSnapshot(server.display(), subject));
    EXPECT_FALSE(x11::captureWindowSnapshot(server.display(), 0x7fffffff));
}

TEST(X11CaptureDepthTest, SixteenBitDisplayIsRefusedWithAReason)
{
    XvfbServer server(320, 240, 16);
    ASSERT_TRUE(server.running());
    auto source = std::make_shared<x11::X11CaptureSource>(server.display());
    ScreenRecorder recorder(source);
    const auto error =
        recorder.start(CaptureMode::fullScreen, 10, 1.0, std::nullopt, std::nullopt, false);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->description().contains("depth 16")) << error->description().toStdString();
    EXPECT_FALSE(recorder.isCapturing());
}
