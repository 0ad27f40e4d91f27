#include "ui/selection/AreaSelectorView.h"

#include "support/VirtualScheduler.h"
#include "ui/common/Announcer.h"
#include "ui/selection/KeyView.h"

#include <QAccessible>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

using namespace std::chrono_literals;

struct Spoken {
    QObject* source;
    QString text;
    int priority;
};

class RecordingAnnouncer final : public Announcer
{
public:
    void announceFrom(QObject* source, const QString& text, int priority) override
    {
        said.push_back({source, text, priority});
    }
    [[nodiscard]] QString last() const { return said.empty() ? QString() : said.back().text; }
    std::vector<Spoken> said;
};

class AreaSelectorViewTest : public ::testing::Test
{
protected:
    explicit AreaSelectorViewTest(bool reduceMotion = false)
        : view({scheduler, announcer, reduceMotion},
               [this](std::optional<QRectF> selection) { results.push_back(selection); })
    {
        view.resize(1440, 900);
    }

    void send(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, view.mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    }
    void press(QPointF at, Qt::MouseButton button = Qt::LeftButton)
    {
        send(QEvent::MouseButtonPress, at, button, button);
    }
    void moveTo(QPointF at) { send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void release(QPointF at) { send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
    void drag(QPointF from, QPointF to)
    {
        press(from);
        moveTo((from + to) / 2);
        moveTo(to);
        release(to);
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&view, static_cast<Qt::Key>(key), modifiers);
    }

    VirtualScheduler scheduler;
    RecordingAnnouncer announcer;
    std::vector<std::optional<QRectF>> results;
    AreaSelectorView view;
};

class ReducedMotionSelectorTest : public AreaSelectorViewTest
{
protected:
    ReducedMotionSelectorTest() : AreaSelectorViewTest(true) {}
};

// --- Mouse ----------------------------------------------------------------------

TEST_F(AreaSelectorViewTest, ReleasingADragSelectsItsRectangleAtOnce)
{
    press({321, 221});
    EXPECT_FALSE(view.isDragging());
    moveTo({200, 150});
    EXPECT_TRUE(view.isDragging());
    moveTo({100, 100});
    EXPECT_EQ(view.selection(), QRectF(100, 100, 221, 121));
    EXPECT_TRUE(results.empty());
    release({100, 100});

    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], QRectF(100, 100, 221, 121));
    ASSERT_EQ(announcer.said.size(), 1u);
    EXPECT_EQ(announcer.said[0].text, "Area selected: 221 by 121 pixels.");
    EXPECT_EQ(announcer.said[0].priority, 2000);
    EXPECT_EQ(announcer.said[0].source, &view);
}

TEST_F(AreaSelectorViewTest, SmallSelectionsAreRefusedAndTheOverlayWaits)
{
    // 20 x 100: one side at the threshold is too small.
    drag({10, 10}, {30, 110});
    // A plain click.
    press({500, 500});
    release({500, 500});
    EXPECT_TRUE(results.empty());
    ASSERT_EQ(announcer.said.size(), 2u);
    for (const Spoken& spoken : announcer.said)
        EXPECT_EQ(spoken.text, "Selection too small. Drag a larger area.");
    EXPECT_EQ(view.selection(), std::nullopt);
    EXPECT_EQ(view.dashPhase(), 0);

    // 21 x 21 drawn right to left and bottom to top is enough.
    drag({231, 231}, {210, 210});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], QRectF(210, 210, 21, 21));
}

TEST_F(AreaSelectorViewTest, EscapeAndRightClickCancelWithNothingSelected)
{
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    // Escape reaches the key view, which has the focus.
    auto* keyView = view.findChild<KeyView*>();
    ASSERT_NE(keyView, nullptr);
    EXPECT_TRUE(keyView->hasFocus());
    key(Qt::Key_Right);
    QTest::keyClick(keyView, Qt::Key_Escape);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], std::nullopt);
    EXPECT_EQ(announcer.last(), "Area selection cancelled.");
    EXPECT_FALSE(view.isMarching());

    press({100, 100});
    moveTo({300, 300});
    press({300, 300}, Qt::RightButton);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1], std::nullopt);
    EXPECT_EQ(announcer.last(), "Area selection cancelled.");
    EXPECT_FALSE(view.isMarching());
    view.hide();
}

// --- Keyboard -------------------------------------------------------------------

TEST_F(AreaSelectorViewTest, ArrowKeysBuildMoveAndResizeARectangleThatReturnRecords)
{
    // The first arrow only makes the centred rectangle.
    key(Qt::Key_Left);
    EXPECT_EQ(view.selection(), QRectF(216, 135, 1008, 630));
    EXPECT_EQ(announcer.last(),
              "Selection 1008 by 630. Arrow keys move, Alt arrow resizes, Return to record.");
    key(Qt::Key_Right);
    EXPECT_EQ(view.selection(), QRectF(232, 135, 1008, 630));
    EXPECT_EQ(announcer.last(), "1008 by 630");
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(view.selection(), QRectF(232, 71, 1008, 630));
    // Up and up again stops at the top edge.
    key(Qt::Key_Up, Qt::ShiftModifier);
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(view.selection(), QRectF(232, 0, 1008, 630));
    key(Qt::Key_Left, Qt::AltModifier);
    key(Qt::Key_Down, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(view.selection(), QRectF(232, 0, 992, 694));
    EXPECT_EQ(announcer.last(), "992 by 694");
    EXPECT_TRUE(results.empty());

    key(Qt::Key_Enter);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], QRectF(232, 0, 992, 694));
    EXPECT_EQ(announcer.last(), "Area selected: 992 by 694 pixels.");
    EXPECT_FALSE(view.isMarching());
}

TEST_F(AreaSelectorViewTest, ReturnIgnoresADrawnRectangleUntilTheKeysTakeIt)
{
    press({100, 100});
    moveTo({400, 300});
    key(Qt::Key_Return);
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(announcer.said.empty());

    // An arrow moves the drawn rectangle and makes it the keyboard's.
    key(Qt::Key_Right);
    EXPECT_EQ(view.selection(), QRectF(116, 100, 300, 200));
    key(Qt::Key_Return);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], QRectF(116, 100, 300, 200));
}

TEST_F(AreaSelectorViewTest, ANewPressDropsTheKeyboardRectangle)
{
    key(Qt::Key_Down);
    ASSERT_TRUE(view.selection());
    press({50, 50});
    EXPECT_EQ(view.selection(), QRectF(50, 50, 0, 0));
    key(Qt::Key_Return);
    EXPECT_TRUE(results.empty());
}

// --- Marching border ------------------------------------------------------------

TEST_F(AreaSelectorViewTest, BorderMarchesThirtyTimesASecondWhileSelecting)
{
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    press({100, 100});
    moveTo({300, 300});
    EXPECT_TRUE(view.isMarching());
    scheduler.advance(AreaSelectorView::marchInterval);
    EXPECT_DOUBLE_EQ(view.dashPhase(), -0.4);
    // 30 steps of 0.4 pass -12 and wrap to 0; 31 in all give -0.4 again.
    scheduler.advance(AreaSelectorView::marchInterval * 30);
    EXPECT_NEAR(view.dashPhase(), -0.4, 1e-9);
    // Another press keeps the one timer.
    press({120, 120});
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    release({300, 300});
    EXPECT_FALSE(view.isMarching());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(ReducedMotionSelectorTest, BorderStandsStillWithoutATimer)
{
    press({100, 100});
    moveTo({300, 300});
    key(Qt::Key_Right);
    EXPECT_FALSE(view.isMarching());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    scheduler.advance(1s);
    EXPECT_EQ(view.dashPhase(), 0);
}

// --- Accessibility and drawing -------------------------------------------------

TEST_F(AreaSelectorViewTest, AccessibleGroupTellsTheSelection)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Grouping);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Area selection overlay");
    EXPECT_TRUE(accessible->text(QAccessible::Description).startsWith("Drag to select"));
    EXPECT_EQ(accessible->text(QAccessible::Value),
              "No area selected. Drag to select a recording area.");
    press({10, 10});
    moveTo({14, 30}); // 4 wide: not drawn yet
    EXPECT_EQ(accessible->text(QAccessible::Value),
              "No area selected. Drag to select a recording area.");
    moveTo({110.7, 60.2});
    EXPECT_EQ(accessible->text(QAccessible::Value), "Selected area: 100 by 50 pixels");
}

// The backdrop stands for the screen beneath, so the dimming shows in its pixels.
class AreaSelectorPaintTest : public AreaSelectorViewTest
{
protected:
    AreaSelectorPaintTest()
    {
        QImage red(1440, 900, QImage::Format_RGB32);
        red.fill(QColor(200, 0, 0));
        view.setBackdrop(OverlayBackdrop::still(red));
    }
    QColor pixel(int x, int y) { return view.grab().toImage().pixelColor(x, y); }
};

TEST_F(AreaSelectorPaintTest, OnlyTheSelectionIsClearOfTheDimming)
{
    press({400, 300});
    moveTo({800, 600});
    // Inside: the screen as it is; outside: 55 % black over it.
    EXPECT_EQ(pixel(600, 450), QColor(200, 0, 0));
    EXPECT_NEAR(pixel(100, 100).red(), 200 * 0.45, 2);
    EXPECT_NEAR(pixel(1300, 800).red(), 200 * 0.45, 2);
    // The corner handles are white.
    EXPECT_EQ(pixel(800, 600), QColor(Qt::white));
}

TEST_F(AreaSelectorPaintTest, DimmingIsLighterWhileATooSmallDragGoes)
{
    // Idle: 55 % with the instructions panel in the middle.
    EXPECT_NEAR(pixel(100, 100).red(), 200 * 0.45, 2);
    press({400, 300});
    moveTo({403, 400});
    EXPECT_NEAR(pixel(100, 100).red(), 200 * 0.7, 2);
    EXPECT_NEAR(pixel(720, 450).red(), 200 * 0.7, 2);
}

} // namespace
} // namespace kinetta
