// An area drawn on the still of a display that capture chose (Wayland) lands
// on the right pixels of that display's stream, scaled monitors included.
#include "ui/selection/StillArea.h"

#include "capture/ScreenRecorder.h"
#ifdef KINETTA_HAVE_PIPEWIRE
#include "capture/portal/RawFrameConversion.h"
#endif

#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

// The area relative to its display, in the display's frame, as the recorder
// hands it to capture.
QRectF inDisplayFrame(const std::vector<DisplayInfo>& displays, const QRectF& points,
                      const ScreenPlacement& placement)
{
    const auto area = locateArea(displays, points, placement);
    return area ? area->sourceRect : QRectF();
}

TEST(StillArea, RectanglesOnTheStillLandOnTheDisplaysFrameAndItsPixels)
{
    // A second monitor at scale 2: the portal reports it as 1280 x 720 at
    // (1920, 0) in logical pixels; its pictures are 2560 x 1440.
    const QRect scaled(1920, 0, 1280, 720);
    const std::vector<DisplayInfo> displays{{1, QRect(0, 0, 1920, 1080)}, {2, scaled}};
    const QRectF drawn(100, 50, 400, 300);

    // Shown over a screen of the same logical size (XWayland, or Wayland at
    // its logical size): the frame takes the points as they are.
    const ScreenPlacement logical = stillPlacement(scaled, QSizeF(1280, 720));
    EXPECT_EQ(logical.deviceGeometry, scaled);
    EXPECT_DOUBLE_EQ(logical.devicePixelRatio, 1.0);
    EXPECT_EQ(inDisplayFrame(displays, drawn, logical), drawn);

    // A portal that reports the monitor at its pixel size, shown over the
    // 1280 x 720 points of the screen: the frame is twice the points.
    const QRect pixelSized(1920, 0, 2560, 1440);
    const std::vector<DisplayInfo> pixelDisplays{{1, QRect(0, 0, 1920, 1080)}, {2, pixelSized}};
    const ScreenPlacement doubled = stillPlacement(pixelSized, QSizeF(1280, 720));
    EXPECT_EQ(inDisplayFrame(pixelDisplays, drawn, doubled), QRectF(200, 100, 800, 600));

    // The first, unscaled monitor is found by its own frame, not the second.
    const ScreenPlacement first = stillPlacement(displays[0].frame, QSizeF(1920, 1080));
    const auto onFirst = locateArea(displays, drawn, first);
    ASSERT_TRUE(onFirst.has_value());
    EXPECT_EQ(onFirst->display.displayID, 1u);

#ifdef KINETTA_HAVE_PIPEWIRE
    // Either way the stream's pictures are cropped to the same pixels.
    EXPECT_EQ(portal::cropInImage(inDisplayFrame(displays, drawn, logical), scaled.size(),
                                  QSize(2560, 1440)),
              QRect(200, 100, 800, 600));
    EXPECT_EQ(portal::cropInImage(inDisplayFrame(pixelDisplays, drawn, doubled),
                                  pixelSized.size(), QSize(2560, 1440)),
              QRect(200, 100, 800, 600));
#endif
}

TEST(StillArea, TheScreenShowingADisplayIsFoundByGeometryThenSizeThenCorner)
{
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 720)};
    EXPECT_EQ(screenShowingDisplay(screens, QRect(1920, 0, 1280, 720)), 1);
    // Reported at its pixel size: the corner tells.
    EXPECT_EQ(screenShowingDisplay(screens, QRect(1920, 0, 2560, 1440)), 1);
    // Reported without a position (at the origin): the size tells, not the
    // first screen's corner.
    EXPECT_EQ(screenShowingDisplay(screens, QRect(0, 0, 1280, 720)), 1);
    EXPECT_EQ(screenShowingDisplay(screens, QRect(5, 5, 800, 600)), std::nullopt);
}

} // namespace
} // namespace kinetta
