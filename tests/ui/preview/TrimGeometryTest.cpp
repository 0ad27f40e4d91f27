// The trim bar's geometry: where frames sit, what a press takes, what a drag
// does, the filmstrip's thumbnails and the adjustments read aloud.
#include "ui/preview/TrimGeometry.h"

#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

TEST(TrimGeometryTest, MapsFramesToPositionsAndBackTruncating)
{
    const TrimBarGeometry bar(300, 11);
    EXPECT_DOUBLE_EQ(bar.x(0), 0);
    EXPECT_DOUBLE_EQ(bar.x(10), 300);
    EXPECT_DOUBLE_EQ(bar.x(5), 150);
    EXPECT_EQ(bar.indexAt(0), 0);
    EXPECT_EQ(bar.indexAt(300), 10);
    EXPECT_EQ(bar.indexAt(29.9), 0);
    EXPECT_EQ(bar.indexAt(30), 1);
    EXPECT_EQ(bar.indexAt(-40), 0);
    EXPECT_EQ(bar.indexAt(900), 10);

    // One frame, or none, or no width: everything is frame 0.
    for (const TrimBarGeometry degenerate :
         {TrimBarGeometry(300, 1), TrimBarGeometry(300, 0), TrimBarGeometry(0, 20)}) {
        EXPECT_DOUBLE_EQ(degenerate.x(0), 0);
        EXPECT_EQ(degenerate.indexAt(150), 0);
        EXPECT_EQ(degenerate.indexAt(300), 0);
    }
}

TEST(TrimGeometryTest, PressPicksHandleWithinReachThenPlayheadThenNearerHandle)
{
    const TrimBarGeometry bar(1000, 101); // 10 points per frame
    const TrimSelection wide{10, 90, 50};
    EXPECT_EQ(bar.pickTarget(110, wide), DragTarget::start);
    EXPECT_EQ(bar.pickTarget(915, wide), DragTarget::end);
    EXPECT_EQ(bar.pickTarget(480, wide), DragTarget::playhead);
    EXPECT_EQ(bar.pickTarget(200, wide), DragTarget::start);
    EXPECT_EQ(bar.pickTarget(800, wide), DragTarget::end);
    // Exactly half-way between handles with the playhead elsewhere: start.
    EXPECT_EQ(bar.pickTarget(500, TrimSelection{10, 90, 10}), DragTarget::start);

    // Handles close together: within reach of both, the start one when at
    // least as close.
    const TrimSelection close{50, 51, 50};
    EXPECT_EQ(bar.pickTarget(505, close), DragTarget::start);
    EXPECT_EQ(bar.pickTarget(506, close), DragTarget::end);
    EXPECT_EQ(bar.pickTarget(495, close), DragTarget::start);
}

TEST(TrimGeometryTest, DragsKeepHandlesApartAndTheShownFrameInside)
{
    const TrimBarGeometry bar(1000, 101);
    const TrimSelection selection{10, 40, 20};

    // The start handle stops one frame before the end one, taking the frame.
    EXPECT_EQ(bar.drag(DragTarget::start, 800, selection), (TrimSelection{39, 40, 39}));
    EXPECT_EQ(bar.drag(DragTarget::start, -50, selection), (TrimSelection{0, 40, 20}));
    EXPECT_EQ(bar.drag(DragTarget::end, 0, selection), (TrimSelection{10, 11, 11}));
    EXPECT_EQ(bar.drag(DragTarget::end, 1000, selection), (TrimSelection{10, 100, 20}));
    // The playhead stays within the selection.
    EXPECT_EQ(bar.drag(DragTarget::playhead, 999, selection), (TrimSelection{10, 40, 40}));
    EXPECT_EQ(bar.drag(DragTarget::playhead, 0, selection), (TrimSelection{10, 40, 10}));
    EXPECT_EQ(bar.drag(DragTarget::playhead, 255, selection), (TrimSelection{10, 40, 25}));

    // Two frames: start only at 0, end only at 1.
    const TrimBarGeometry two(200, 2);
    const TrimSelection both{0, 1, 0};
    EXPECT_EQ(two.drag(DragTarget::start, 200, both), both);
    EXPECT_EQ(two.drag(DragTarget::end, 0, both), both);
    // One frame: everything stays at 0.
    const TrimBarGeometry one(200, 1);
    EXPECT_EQ(one.drag(DragTarget::end, 150, TrimSelection{}), TrimSelection{});
    EXPECT_EQ(one.drag(DragTarget::start, 150, TrimSelection{}), TrimSelection{});
}

TEST(TrimGeometryTest, FilmstripShowsOneThumbnailPerThirtyPointsFromFirstToLastFrame)
{
    EXPECT_EQ(filmstripThumbnailCount(29), 1);
    EXPECT_EQ(filmstripThumbnailCount(0), 1);
    EXPECT_EQ(filmstripThumbnailCount(60), 2);
    EXPECT_EQ(filmstripThumbnailCount(600), 20);
    EXPECT_EQ(filmstripFrameIndex(0, 2, 50), 0);
    EXPECT_EQ(filmstripFrameIndex(1, 2, 50), 49);
    EXPECT_EQ(filmstripFrameIndex(0, 1, 50), 0);
    EXPECT_EQ(filmstripFrameIndex(2, 5, 9), 4);
    EXPECT_EQ(filmstripFrameIndex(3, 5, 1), 0);
    // A long recording: no overflow on the way.
    EXPECT_EQ(filmstripFrameIndex(59, 60, 40'000'000), 39'999'999);
    EXPECT_EQ(filmstripFrameIndex(30, 60, 40'000'000), 20'338'982);
}

TEST(TrimGeometryTest, AccessibleAdjustmentsAndTexts)
{
    const TrimSelection selection{2, 5, 2};
    EXPECT_EQ(stepCurrentFrame(selection, -1).currentFrame, 2);
    EXPECT_EQ(stepCurrentFrame(selection, 1).currentFrame, 3);
    EXPECT_EQ(stepCurrentFrame(TrimSelection{2, 5, 5}, 1).currentFrame, 5);

    EXPECT_EQ(moveTrimStart(selection, -1), (TrimSelection{1, 5, 2}));
    EXPECT_EQ(moveTrimStart(selection, 1), (TrimSelection{3, 5, 3}));
    EXPECT_EQ(moveTrimStart(TrimSelection{4, 5, 5}, 1), (TrimSelection{4, 5, 5}));
    EXPECT_EQ(moveTrimStart(TrimSelection{0, 5, 0}, -1), (TrimSelection{0, 5, 0}));
    EXPECT_EQ(moveTrimEnd(TrimSelection{2, 5, 5}, -1, 8), (TrimSelection{2, 4, 4}));
    EXPECT_EQ(moveTrimEnd(TrimSelection{2, 3, 3}, -1, 8), (TrimSelection{2, 3, 3}));
    EXPECT_EQ(moveTrimEnd(selection, 1, 8), (TrimSelection{2, 6, 2}));
    EXPECT_EQ(moveTrimEnd(TrimSelection{2, 7, 2}, 1, 8), (TrimSelection{2, 7, 2}));

    EXPECT_EQ(trimBarLabel(TrimSelection{2, 5, 3}, 8),
              "Frame scrubber. Trim start at frame 3, end at frame 6 of 8.");
    EXPECT_EQ(trimBarValue(TrimSelection{2, 5, 3}), "Frame 2 of 4");
    EXPECT_EQ(trimBarValue(TrimSelection{2, 5, 0}), "Frame 1 of 4");
}

} // namespace
} // namespace kinetta
