// The trim bar and what feeds it: drags with the mouse, the accessibility
// actions, the filmstrip decoding only the thumbnails it shows, and the trim
// row's buttons and shortcuts.
#include "ui/preview/TrimBar.h"

#include "PreviewTestDoubles.h"
#include "app/ProcessUntil.h"
#include "ui/preview/Filmstrip.h"
#include "ui/preview/ScaledFrameLoader.h"
#include "ui/preview/TextButton.h"
#include "ui/preview/TrimInfoRow.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>

namespace kinetta::test
{
namespace
{

// A bar 1000 points wide over 101 frames: 10 points per frame; every edit is
// taken over as the owner of the selection would.
struct BarFixture {
    BarFixture()
    {
        bar.setFrames(makeFrames(101));
        bar.resize(1000, 50);
        bar.setSelection({10, 90, 50});
        QObject::connect(&bar, &TrimBar::selectionEdited, [this](const TrimSelection& edited) {
            edits.push_back(edited);
            bar.setSelection(edited);
        });
    }
    TrimBar bar;
    std::vector<TrimSelection> edits;
};

TEST(TrimBarTest, DragMovesTheTargetChosenAtThePressUntilRelease)
{
    BarFixture fixture;
    TrimBar& bar = fixture.bar;
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(105, 25));
    EXPECT_EQ(bar.activeTarget(), DragTarget::start);
    QTest::mouseMove(&bar, QPoint(300, 25));
    EXPECT_EQ(bar.selection(), (TrimSelection{30, 90, 50}));
    // Past the end handle it stops one frame before, dragging the frame shown.
    QTest::mouseMove(&bar, QPoint(990, 25));
    EXPECT_EQ(bar.selection(), (TrimSelection{89, 90, 89}));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(990, 25));
    EXPECT_FALSE(bar.activeTarget());

    // Far from both handles but nearest the playhead: only the playhead moves,
    // held inside the selection.
    bar.setSelection({10, 90, 50});
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(520, 25));
    EXPECT_EQ(bar.activeTarget(), DragTarget::playhead);
    QTest::mouseMove(&bar, QPoint(1200, 25));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(1200, 25));
    EXPECT_EQ(bar.selection(), (TrimSelection{10, 90, 90}));

    // The end handle pressed on and dragged to the left edge.
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(905, 25));
    QTest::mouseMove(&bar, QPoint(0, 25));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(0, 25));
    EXPECT_EQ(bar.selection(), (TrimSelection{10, 11, 11}));
}

TEST(TrimBarTest, AccessibilityReadsAndAdjustsTheSelection)
{
    BarFixture fixture;
    TrimBar& bar = fixture.bar;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&bar);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Slider);
    EXPECT_EQ(accessible->text(QAccessible::Name),
              "Frame scrubber. Trim start at frame 11, end at frame 91 of 101.");
    EXPECT_EQ(accessible->text(QAccessible::Value), "Frame 41 of 81");
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->actionNames().contains("Move trim start later"));

    actions->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(bar.selection().currentFrame, 51);
    actions->doAction(QStringLiteral("Move trim start earlier"));
    actions->doAction(QStringLiteral("Move trim end later"));
    EXPECT_EQ(bar.selection(), (TrimSelection{9, 91, 51}));
    bar.setSelection({9, 11, 11});
    actions->doAction(QStringLiteral("Move trim end earlier"));
    EXPECT_EQ(bar.selection(), (TrimSelection{9, 10, 10}));
    actions->doAction(QStringLiteral("Move trim end earlier"));
    actions->doAction(QStringLiteral("Move trim start later"));
    EXPECT_EQ(bar.selection(), (TrimSelection{9, 10, 10}));
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(bar.selection().currentFrame, 9);
    QTest::keyClick(&bar, Qt::Key_Up);
    EXPECT_EQ(bar.selection().currentFrame, 10);
}

TEST(TrimBarTest, FilmstripDecodesOnlyTheThumbnailsShownAndReloadsOnlyOnANewCount)
{
    Filmstrip strip;
    int arrivals = 0;
    QObject::connect(&strip, &Filmstrip::thumbnailsChanged, [&] { ++arrivals; });
    strip.setFrames(makeFrames(6000));
    strip.setSize(QSizeF(600, 44), 1);
    EXPECT_EQ(strip.thumbnailCount(), 20);
    EXPECT_EQ(strip.frameIndices().front(), 0);
    EXPECT_EQ(strip.frameIndices().back(), 5999);
    ASSERT_TRUE(processUntil([&] { return strip.isComplete(); }));
    EXPECT_EQ(arrivals, 20);

    // Same count (handles moving, a redraw): nothing is decoded again.
    strip.setFrames(makeFrames(6000));
    strip.setSize(QSizeF(600, 44), 1);
    EXPECT_TRUE(strip.isComplete());
    // A trimmed list: loaded afresh; the answers of a replaced load never land.
    strip.setFrames(makeFrames(40));
    strip.setFrames(makeFrames(2));
    strip.setSize(QSizeF(59, 44), 1);
    ASSERT_TRUE(processUntil([&] { return strip.isComplete(); }));
    EXPECT_EQ(strip.frameIndices(), std::vector<int>{0});
    QCoreApplication::processEvents();
    EXPECT_EQ(strip.readyCount(), 1);

    // No frames: no thumbnails, nothing to wait for.
    strip.setFrames({});
    EXPECT_EQ(strip.thumbnailCount(), 0);
    EXPECT_TRUE(strip.isComplete());
}

TEST(TrimBarTest, FramesScaleToFillOrFitAndCancelledLoadsNeverAnswer)
{
    const Frame wide = Frame::fromImage([] {
        QImage image(400, 100, QImage::Format_RGB32);
        image.fill(Qt::red);
        for (int x = 0; x < 150; ++x)
            for (int y = 0; y < 100; ++y)
                image.setPixel(x, y, 0xff0000ffu);
        return image;
    }());
    const QImage filled = ScaledFrameLoader::scaledImage(wide, QSize(30, 44), FrameFit::fill);
    EXPECT_EQ(filled.size(), QSize(30, 44));
    // The middle of the frame (red) fills the cell; the blue left part is cut.
    EXPECT_EQ(QColor(filled.pixel(0, 20)).red(), 255);
    const QImage fitted = ScaledFrameLoader::scaledImage(wide, QSize(200, 200), FrameFit::fit);
    EXPECT_EQ(fitted.size(), QSize(200, 50));
    EXPECT_TRUE(ScaledFrameLoader::scaledImage(Frame(), QSize(10, 10), FrameFit::fit).isNull());

    ScaledFrameLoader loader(1);
    std::atomic<int> answers = 0;
    for (int i = 0; i < 50; ++i)
        loader.load(wide, QSize(100, 100), FrameFit::fit, [&](QImage) { ++answers; });
    loader.cancelAll();
    bool last = false;
    loader.load(wide, QSize(100, 100), FrameFit::fit,
                [&](QImage image) { last = !image.isNull(); });
    ASSERT_TRUE(processUntil([&] { return last; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(answers.load(), 0);
}

TEST(TrimBarTest, TrimRowOffersUndoAndApplyWithTheirShortcutsOnlyWhileTheyApply)
{
    QWidget window;
    auto* row = new TrimInfoRow(&window);
    row->resize(400, 20);
    int undos = 0;
    int applies = 0;
    QObject::connect(row, &TrimInfoRow::undoRequested, [&] { ++undos; });
    QObject::connect(row, &TrimInfoRow::applyRequested, [&] { ++applies; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    EXPECT_EQ(row->summary(), "Drag handles to trim");
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(undos + applies, 0);
    EXPECT_FALSE(row->undoButton()->isVisible());

    row->setCanUndo(true);
    row->setCanApply(true);
    EXPECT_TRUE(row->applyButton()->isVisible());
    EXPECT_EQ(row->applyButton()->accessibleName(), "Apply trim to selected range");
    EXPECT_EQ(row->undoButton()->accessibleName(), "Undo trim");
    // Apply sits at the right end, Undo to its left.
    EXPECT_EQ(row->applyButton()->geometry().right(), 399);
    EXPECT_LT(row->undoButton()->geometry().right(), row->applyButton()->geometry().left());
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    QTest::mouseClick(row->undoButton(), Qt::LeftButton);
    EXPECT_EQ(undos, 2);
    EXPECT_EQ(applies, 2);
}

} // namespace
} // namespace kinetta::test
