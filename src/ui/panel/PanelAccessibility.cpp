#include "ui/panel/PanelAccessibility.h"

#include "ui/panel/CaptureTargetViews.h"
#include "ui/panel/CounterControl.h"
#include "ui/panel/LoopCountRow.h"
#include "ui/panel/ModeChip.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelSections.h"
#include "ui/panel/SliderRow.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <cmath>

namespace kinetta
{
namespace
{

// A control read as one value: the value interface, and its text as the
// control shows or speaks it.
class ValueAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    ValueAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return valueText();
        return QAccessibleWidget::text(t);
    }

protected:
    [[nodiscard]] virtual QString valueText() const = 0;
};

// A slider whose value is spoken as its row shows it ("12 fps").
class SliderAccessible final : public ValueAccessible
{
public:
    explicit SliderAccessible(GradientSlider* slider) : ValueAccessible(slider, QAccessible::Slider)
    {
    }

    QVariant currentValue() const override { return slider()->realValue(); }
    void setCurrentValue(const QVariant& value) override
    {
        // As a user's move: held to a step and written through.
        const double wanted = value.toDouble();
        slider()->setValue(static_cast<int>(
            std::lround((wanted - slider()->realMinimum()) / slider()->realStep())));
    }
    QVariant maximumValue() const override { return slider()->realMaximum(); }
    QVariant minimumValue() const override { return slider()->realMinimum(); }
    QVariant minimumStepSize() const override { return slider()->realStep(); }

private:
    [[nodiscard]] QString valueText() const override { return slider()->valueText(); }
    [[nodiscard]] GradientSlider* slider() const { return static_cast<GradientSlider*>(widget()); }
};

// The stepper as one adjustable element, increased and decreased as its
// buttons do.
class CounterAccessible final : public ValueAccessible
{
public:
    explicit CounterAccessible(CounterControl* counter)
        : ValueAccessible(counter, QAccessible::SpinBox)
    {
    }

    QVariant currentValue() const override { return counter()->value(); }
    void setCurrentValue(const QVariant& value) override
    {
        // Only the values the buttons reach.
        const qint64 wanted = value.toLongLong();
        while (wanted > counter()->value() && counter()->canIncrement())
            counter()->increment();
        while (wanted < counter()->value() && counter()->canDecrement())
            counter()->decrement();
    }
    QVariant maximumValue() const override { return counter()->maximum(); }
    QVariant minimumValue() const override { return counter()->minimum(); }
    QVariant minimumStepSize() const override { return counter()->step(); }

    QStringList actionNames() const override
    {
        return {QAccessibleActionInterface::increaseAction(),
                QAccessibleActionInterface::decreaseAction()};
    }
    void doAction(const QString& name) override
    {
        if (name == QAccessibleActionInterface::increaseAction())
            counter()->increment();
        else if (name == QAccessibleActionInterface::decreaseAction())
            counter()->decrement();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    [[nodiscard]] QString valueText() const override { return counter()->spokenValue(); }
    [[nodiscard]] CounterControl* counter() const { return static_cast<CounterControl*>(widget()); }
};

// A button that is one of a set, carrying the selected state.
class SelectableButtonAccessible final : public QAccessibleWidget
{
public:
    SelectableButtonAccessible(QAbstractButton* button, std::function<bool()> selected)
        : QAccessibleWidget(button, QAccessible::Button), m_selected(std::move(selected))
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State result = QAccessibleWidget::state();
        result.selectable = true;
        result.selected = m_selected();
        return result;
    }

    QStringList actionNames() const override { return {QAccessibleActionInterface::pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name == QAccessibleActionInterface::pressAction())
            static_cast<QAbstractButton*>(widget())->click();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    std::function<bool()> m_selected;
};

QAccessibleInterface* panelFactory(const QString&, QObject* object)
{
    if (auto* slider = qobject_cast<GradientSlider*>(object))
        return new SliderAccessible(slider);
    if (auto* counter = qobject_cast<CounterControl*>(object))
        return new CounterAccessible(counter);
    if (auto* chip = qobject_cast<ModeChip*>(object))
        return new SelectableButtonAccessible(chip, [chip] { return chip->isSelected(); });
    if (auto* loop = qobject_cast<LoopButton*>(object))
        return new SelectableButtonAccessible(loop, [loop] { return loop->isSelected(); });
    if (qobject_cast<panel::PanelLabel*>(object) || qobject_cast<AreaHintCard*>(object) ||
        qobject_cast<OutputSizeLine*>(object))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StaticText);
    if (qobject_cast<panel::PanelDivider*>(object))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Separator);
    if (qobject_cast<LoopCountRow*>(object) || qobject_cast<AccessibleGroup*>(object) ||
        qobject_cast<ChosenWindowCard*>(object) || qobject_cast<SavedAreaRow*>(object))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping);
    return nullptr;
}

} // namespace

void installPanelAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(panelFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace kinetta
