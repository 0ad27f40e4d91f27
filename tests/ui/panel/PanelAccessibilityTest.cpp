// The panel as a screen reader reads it through Qt's accessibility: names,
// hints, values, states and actions of every control.
#include "PanelFixture.h"
#include "ui/panel/CaptureTargetViews.h"
#include "ui/panel/CounterControl.h"
#include "ui/panel/LoopCountRow.h"
#include "ui/panel/ModeChip.h"
#include "ui/panel/PanelBanners.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelSections.h"
#include "ui/panel/RecordButton.h"
#include "ui/panel/SliderRow.h"

#include <QAccessible>
#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

using test::PanelFixture;

QAccessibleInterface* accessible(QObject* object)
{
    QAccessibleInterface* result = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(result, nullptr);
    return result;
}

QString name(QObject* object)
{
    return accessible(object)->text(QAccessible::Name);
}

// Every interface under root that is not hidden, depth first.
void collect(QAccessibleInterface* root, QList<QAccessibleInterface*>& into)
{
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (!child || child->state().invisible)
            continue;
        into.append(child);
        collect(child, into);
    }
}

class PanelAccessibilityTest : public ::testing::Test
{
protected:
    PanelFixture f;
};

TEST_F(PanelAccessibilityTest, ModeChipsAreSelectableButtonsInANamedGroup)
{
    ControlPanelView& panel = f.make();
    panel.show();
    const auto& chips = f.parts().chips;
    QAccessibleInterface* group = accessible(chips[0])->parent();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->role(), QAccessible::Grouping);
    EXPECT_EQ(group->text(QAccessible::Name), QStringLiteral("Capture mode"));
    EXPECT_EQ(group->childCount(), 3);

    const QStringList names{"Record full screen", "Record a window", "Record a custom area"};
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* chip = accessible(chips[i]);
        EXPECT_EQ(chip->role(), QAccessible::Button);
        EXPECT_EQ(chip->text(QAccessible::Name), names[i]);
        EXPECT_TRUE(chip->state().selectable);
        EXPECT_EQ(chip->state().selected, i == 0);
        EXPECT_EQ(chip->text(QAccessible::Description), i == 0
                                                            ? QStringLiteral("Currently selected")
                                                            : QStringLiteral("Click to select"));
    }
    // Pressed by a screen reader as by a click.
    accessible(chips[2])->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(f.session.captureMode(), CaptureMode::area);
    EXPECT_TRUE(accessible(chips[2])->state().selected);
    EXPECT_FALSE(accessible(chips[0])->state().selected);
}

TEST_F(PanelAccessibilityTest, SlidersSpeakTheirTitleAndValueText)
{
    f.make();
    QAccessibleInterface* fps = accessible(f.parts().fps->slider());
    EXPECT_EQ(fps->role(), QAccessible::Slider);
    EXPECT_EQ(fps->text(QAccessible::Name), QStringLiteral("Frame Rate"));
    EXPECT_EQ(fps->text(QAccessible::Value), QStringLiteral("10 fps"));
    QAccessibleValueInterface* value = fps->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toDouble(), 5);
    EXPECT_EQ(value->maximumValue().toDouble(), 24);
    value->setCurrentValue(17);
    EXPECT_EQ(f.session.fps(), 17) << "a reader's change is the user's";
    EXPECT_EQ(fps->text(QAccessible::Value), QStringLiteral("17 fps"));

    QAccessibleInterface* scale = accessible(f.parts().scale->slider());
    EXPECT_EQ(scale->text(QAccessible::Name), QStringLiteral("Resolution"));
    scale->valueInterface()->setCurrentValue(0.8);
    EXPECT_EQ(f.session.scale(), 0.75) << "held to a step";
    EXPECT_EQ(scale->text(QAccessible::Value), QStringLiteral("75%"));
    EXPECT_EQ(scale->valueInterface()->minimumStepSize().toDouble(), 0.25);
}

TEST_F(PanelAccessibilityTest, CounterIsOneAdjustableElementWithASpokenValue)
{
    f.session.setCountdownSeconds(1);
    f.make();
    QAccessibleInterface* counter = accessible(f.parts().countdownSeconds);
    EXPECT_EQ(counter->role(), QAccessible::SpinBox);
    EXPECT_EQ(counter->text(QAccessible::Name), QStringLiteral("Countdown duration"));
    EXPECT_EQ(counter->text(QAccessible::Value), QStringLiteral("1 second"));
    EXPECT_EQ(counter->childCount(), 0) << "the buttons are not elements of their own";

    QAccessibleActionInterface* actions = counter->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::increaseAction()));
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(f.session.countdownSeconds(), 1) << "not below the bound";
    actions->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(f.session.countdownSeconds(), 2);
    EXPECT_EQ(counter->text(QAccessible::Value), QStringLiteral("2 seconds"));

    f.session.setUseAutoStop(true);
    QAccessibleInterface* autoStop = accessible(f.parts().autoStopSeconds);
    EXPECT_EQ(autoStop->text(QAccessible::Name), QStringLiteral("Auto-stop duration"));
    autoStop->valueInterface()->setCurrentValue(300);
    EXPECT_EQ(f.session.autoStopSeconds(), 300);
    EXPECT_EQ(autoStop->valueInterface()->minimumStepSize().toLongLong(), 5);
}

TEST_F(PanelAccessibilityTest, LoopChoicesCarryTheSelectedStateInTheirGroup)
{
    f.session.setLoopCount(5);
    f.make();
    QAccessibleInterface* group = accessible(f.parts().loop);
    EXPECT_EQ(group->role(), QAccessible::Grouping);
    EXPECT_EQ(group->text(QAccessible::Name), QStringLiteral("GIF loop count"));
    ASSERT_EQ(group->childCount(), 4);
    QStringList names;
    QList<bool> selected;
    for (int i = 0; i < 4; ++i) {
        names << group->child(i)->text(QAccessible::Name);
        selected << group->child(i)->state().selected;
    }
    EXPECT_EQ(names,
              (QStringList{"Loop indefinitely", "Loop once", "Loop 3 times", "Loop 5 times"}));
    EXPECT_EQ(selected, (QList<bool>{false, false, false, true}));
}

TEST_F(PanelAccessibilityTest, ButtonsSwitchesAndTextsAreNamedAsShown)
{
    f.trusted = false;
    f.session.setCaptureMode(CaptureMode::window);
    f.session.setErrorMessage(QStringLiteral("Screen Recording permission denied."));
    ControlPanelView& panel = f.make();
    panel.show();
    const auto& p = f.parts();

    EXPECT_EQ(name(p.header->quitButton()), QStringLiteral("Quit Kinetta"));
    EXPECT_EQ(name(p.chooseWindow), QStringLiteral("Choose a window to record"));
    EXPECT_EQ(accessible(p.chooseWindow)->role(), QAccessible::Button);
    QAccessibleInterface* record = accessible(p.record);
    EXPECT_EQ(record->text(QAccessible::Name), QStringLiteral("Start Recording"));
    EXPECT_EQ(record->text(QAccessible::Description), QStringLiteral("Select a window first"));
    EXPECT_TRUE(record->state().disabled);
    EXPECT_EQ(name(p.errorBanner->dismissButton()), QStringLiteral("Dismiss error"));
    EXPECT_FALSE(name(p.hotKeyBanner->repairButton()).isEmpty());
    EXPECT_FALSE(
        accessible(p.hotKeyBanner->repairButton())->text(QAccessible::Description).isEmpty());

    QAccessibleInterface* countdown = accessible(p.countdown);
    EXPECT_EQ(countdown->text(QAccessible::Name), QStringLiteral("Countdown"));
    EXPECT_EQ(countdown->text(QAccessible::Description),
              QStringLiteral("Shows a countdown before recording begins"));
    EXPECT_TRUE(countdown->state().checkable);
    EXPECT_TRUE(countdown->state().checked);
    EXPECT_EQ(name(p.autoCopy), QStringLiteral("Auto-copy")) << "the second line is not read";

    f.session.setSelectedWindow(test::sampleWindow());
    EXPECT_EQ(name(p.windowCard->changeButton()), QStringLiteral("Change window"));
    EXPECT_EQ(accessible(p.windowCard->changeButton())->text(QAccessible::Description),
              QStringLiteral("Opens window picker to choose a different window"));
    EXPECT_FALSE(accessible(p.record)->state().disabled);

    f.session.setCaptureMode(CaptureMode::area);
    QAccessibleInterface* hint = accessible(p.areaHint);
    EXPECT_EQ(hint->role(), QAccessible::StaticText);
    EXPECT_EQ(hint->text(QAccessible::Name),
              QStringLiteral("No area selected. Press Start Recording to draw a capture area."));
    f.session.setSelectedRect(QRectF(0, 0, 300, 200));
    EXPECT_EQ(name(p.savedArea->reuseButton()), QStringLiteral("Re-use last selected area"));
    QAccessibleInterface* size = accessible(p.outputSize);
    EXPECT_EQ(size->role(), QAccessible::StaticText);
    EXPECT_EQ(size->text(QAccessible::Name), QStringLiteral("Output dimensions: 150 × 100 px"));
}

TEST_F(PanelAccessibilityTest, NoShownControlIsNameless)
{
    f.trusted = false;
    f.session.setUseAutoStop(true);
    f.session.setErrorMessage(QStringLiteral("Screen Recording permission denied."));
    ControlPanelView& panel = f.make();
    panel.show();
    for (const CaptureMode mode : kAllCaptureModes) {
        f.session.setCaptureMode(mode);
        QList<QAccessibleInterface*> all;
        collect(accessible(&panel), all);
        int controls = 0;
        for (QAccessibleInterface* item : all) {
            const QAccessible::Role role = item->role();
            if (role != QAccessible::Button && role != QAccessible::CheckBox &&
                role != QAccessible::Slider && role != QAccessible::SpinBox &&
                role != QAccessible::StaticText && role != QAccessible::Grouping)
                continue;
            ++controls;
            EXPECT_FALSE(item->text(QAccessible::Name).isEmpty())
                << "role " << role << " of " << item->object()->metaObject()->className();
        }
        // Chips, sliders, switches, counters, loops, banners' buttons, record.
        EXPECT_GE(controls, 25);
    }
}

} // namespace
} // namespace kinetta
