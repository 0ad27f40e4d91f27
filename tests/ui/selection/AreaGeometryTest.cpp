#include "ui/selection/AreaGeometry.h"

#include <gtest/gtest.h>

using namespace kinetta::area;

namespace
{

const QSizeF kBounds(1440, 900);

TEST(AreaGeometryTest, DefaultSelectionIsSeventyPercentCentredAndCapped)
{
    EXPECT_EQ(defaultSelection(kBounds), QRectF(216, 135, 1008, 630));
    // Capped at 1280 x 800 on a large screen, still centred.
    EXPECT_EQ(defaultSelection({3840, 2160}), QRectF(1280, 680, 1280, 800));
    // Halves round away from zero; the origin is not rounded: 0.7 * 1001 = 700.7 -> 701,
    // 0.7 * 5 = 3.5 -> 4 (then held to the 40-point minimum).
    EXPECT_EQ(defaultSelection({1001, 5}), QRectF(150, 0, 701, 5));
    EXPECT_EQ(defaultSelection({1001, 101}), QRectF(150, 15, 701, 71));
}

TEST(AreaGeometryTest, ClampingHoldsSizeAndPlaceInsideTheBounds)
{
    // Below the minimum grows to 40 x 40.
    EXPECT_EQ(clamped(QRectF(10, 10, 5, 30), kBounds), QRectF(10, 10, 40, 40));
    // Larger than the bounds shrinks to them.
    EXPECT_EQ(clamped(QRectF(-50, -50, 2000, 1000), kBounds), QRectF(0, 0, 1440, 900));
    // Past the right and bottom edges comes back in.
    EXPECT_EQ(clamped(QRectF(1400, 880, 100, 50), kBounds), QRectF(1340, 850, 100, 50));
    // Bounds smaller than the minimum win over it.
    EXPECT_EQ(clamped(QRectF(0, 0, 10, 10), {30, 30}), QRectF(0, 0, 30, 30));
}

TEST(AreaGeometryTest, MovingStopsAtTheEdges)
{
    const QRectF start(216, 135, 1008, 630);
    EXPECT_EQ(moved(start, 16, 0, kBounds), QRectF(232, 135, 1008, 630));
    EXPECT_EQ(moved(start, -300, 0, kBounds).x(), 0);
    EXPECT_EQ(moved(start, 300, 0, kBounds).x(), 1440 - 1008);
    EXPECT_EQ(moved(start, 0, 400, kBounds).y(), 900 - 630);
}

TEST(AreaGeometryTest, ResizingKeepsTheCornerAndTheLimits)
{
    // 50 wide less 16 is held at 40, not 34.
    EXPECT_EQ(resized(QRectF(100, 100, 50, 50), -16, 0, kBounds), QRectF(100, 100, 40, 50));
    EXPECT_EQ(resized(QRectF(100, 100, 50, 50), 64, 16, kBounds), QRectF(100, 100, 114, 66));
    // Growing past the right edge keeps the size and moves the corner back in.
    EXPECT_EQ(resized(QRectF(1400, 0, 40, 40), 64, 0, kBounds), QRectF(1336, 0, 104, 40));
    // Never larger than the bounds.
    EXPECT_EQ(resized(QRectF(0, 0, 1440, 900), 64, 64, kBounds), QRectF(0, 0, 1440, 900));
}

TEST(AreaGeometryTest, DragsInEitherDirectionGiveTheSameRectangle)
{
    const QRectF forward = dragRect({100, 200}, {300, 260});
    EXPECT_EQ(forward, QRectF(100, 200, 200, 60));
    EXPECT_EQ(dragRect({300, 260}, {100, 200}), forward);
    EXPECT_EQ(dragRect({300, 200}, {100, 260}), forward);
}

TEST(AreaGeometryTest, DrawingAndAcceptanceThresholdsAreStrict)
{
    EXPECT_FALSE(isDrawn(QRectF(0, 0, 4, 100)));
    EXPECT_TRUE(isDrawn(QRectF(0, 0, 4.5, 4.5)));
    EXPECT_TRUE(isAcceptable(QRectF(0, 0, 21, 21)));
    EXPECT_FALSE(isAcceptable(QRectF(0, 0, 20, 100)));
    EXPECT_FALSE(isAcceptable(QRectF(0, 0, 100, 20)));
}

TEST(AreaGeometryTest, ArrowKeysMoveAndAltArrowsResize)
{
    const QRectF rect(200, 200, 100, 100);
    const auto apply = [&](int key, Qt::KeyboardModifiers modifiers) {
        return applied(*arrowStep(key, modifiers), rect, kBounds);
    };
    EXPECT_EQ(apply(Qt::Key_Left, {}), QRectF(184, 200, 100, 100));
    EXPECT_EQ(apply(Qt::Key_Right, Qt::ShiftModifier), QRectF(264, 200, 100, 100));
    // Down grows y: the view's y runs downward.
    EXPECT_EQ(apply(Qt::Key_Down, {}), QRectF(200, 216, 100, 100));
    EXPECT_EQ(apply(Qt::Key_Up, Qt::ShiftModifier), QRectF(200, 136, 100, 100));
    EXPECT_EQ(apply(Qt::Key_Left, Qt::AltModifier), QRectF(200, 200, 84, 100));
    EXPECT_EQ(apply(Qt::Key_Right, Qt::AltModifier | Qt::ShiftModifier),
              QRectF(200, 200, 164, 100));
    EXPECT_EQ(apply(Qt::Key_Down, Qt::AltModifier), QRectF(200, 200, 100, 116));
    EXPECT_EQ(apply(Qt::Key_Up, Qt::AltModifier), QRectF(200, 200, 100, 84));
    // Arrows from the keypad carry the keypad modifier and act alike.
    EXPECT_EQ(apply(Qt::Key_Left, Qt::KeypadModifier), QRectF(184, 200, 100, 100));
    EXPECT_FALSE(arrowStep(Qt::Key_A, {}));
}

TEST(AreaGeometryTest, SizeBadgeSitsAboveOrBelowAndStaysInside)
{
    const QSizeF text(60, 14); // badge 80 x 24
    // Above, centred on the selection.
    EXPECT_EQ(sizeBadgeRect(QRectF(400, 300, 200, 100), text, kBounds), QRectF(460, 266, 80, 24));
    // Too near the top (300 - 24 - 10 < 4 would be y = 6 - 34 < 4): below instead.
    EXPECT_EQ(sizeBadgeRect(QRectF(400, 30, 200, 100), text, kBounds), QRectF(460, 140, 80, 24));
    // Exactly 4 from the top stays above.
    EXPECT_EQ(sizeBadgeRect(QRectF(400, 38, 200, 100), text, kBounds).y(), 4);
    // Near the left and right edges: 4 points inside.
    EXPECT_EQ(sizeBadgeRect(QRectF(0, 300, 30, 100), text, kBounds).x(), 4);
    EXPECT_EQ(sizeBadgeRect(QRectF(1420, 300, 20, 100), text, kBounds).x(), 1440 - 80 - 4);
}

} // namespace
