#include "ui/panel/CounterControl.h"

#include "ui/panel/PanelStyle.h"
#include "ui/panel/PanelTexts.h"
#include "ui/panel/Theme.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kinetta
{
namespace
{

constexpr int kButtonWidth = 36;
constexpr int kHeight = 30;
constexpr int kMinimumValueWidth = 36;
constexpr int kDividerWidth = 1;
constexpr qreal kDividerHeight = 16;

const QFont& valueFont()
{
    static const QFont font = panel::font(12, QFont::Bold, panel::Face::monospaced);
    return font;
}

const QFont& stepFont()
{
    static const QFont font = panel::font(15, QFont::Medium);
    return font;
}

} // namespace

CounterControl::CounterControl(qint64 minimum, qint64 maximum, QString unit, qint64 step,
                               const QString& accessibleLabel, QWidget* parent)
    : QWidget(parent), m_minimum(minimum), m_maximum(maximum), m_unit(std::move(unit)),
      m_step(step), m_value(minimum)
{
    setAccessibleName(accessibleLabel);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CounterControl::setValue(qint64 value)
{
    if (value == m_value)
        return;
    m_value = value;
    updateGeometry();
    update();
    QAccessibleValueChangeEvent event(this, QVariant::fromValue(value));
    QAccessible::updateAccessibility(&event);
}

void CounterControl::edit(qint64 value)
{
    if (value == m_value)
        return;
    setValue(value);
    Q_EMIT valueEdited(value);
}

void CounterControl::decrement()
{
    if (canDecrement())
        edit(std::max(m_value - m_step, m_minimum));
}

void CounterControl::increment()
{
    if (canIncrement())
        edit(std::min(m_value + m_step, m_maximum));
}

QString CounterControl::valueText() const
{
    return QString::number(m_value) + m_unit;
}

QString CounterControl::spokenValue() const
{
    return spokenCounterValue(m_value, m_unit);
}

int CounterControl::valueWidth() const
{
    const qreal text = QFontMetricsF(valueFont()).horizontalAdvance(valueText()) + 8;
    return std::max(kMinimumValueWidth, static_cast<int>(std::ceil(text)));
}

QRect CounterControl::minusRect() const
{
    return {0, 0, kButtonWidth, kHeight};
}

QRect CounterControl::plusRect() const
{
    return {kButtonWidth + 2 * kDividerWidth + valueWidth(), 0, kButtonWidth, kHeight};
}

QSize CounterControl::sizeHint() const
{
    return {2 * kButtonWidth + 2 * kDividerWidth + valueWidth(), kHeight};
}

void CounterControl::mousePressEvent(QMouseEvent* event)
{
    m_pressed = Part::none;
    if (event->button() == Qt::LeftButton) {
        if (minusRect().contains(event->position().toPoint()) && canDecrement())
            m_pressed = Part::minus;
        else if (plusRect().contains(event->position().toPoint()) && canIncrement())
            m_pressed = Part::plus;
    }
    update();
}

void CounterControl::mouseReleaseEvent(QMouseEvent* event)
{
    const Part pressed = std::exchange(m_pressed, Part::none);
    const QPoint at = event->position().toPoint();
    if (pressed == Part::minus && minusRect().contains(at))
        decrement();
    else if (pressed == Part::plus && plusRect().contains(at))
        increment();
    update();
}

void CounterControl::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Minus:
    case Qt::Key_Down:
    case Qt::Key_Left:
        decrement();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Up:
    case Qt::Key_Right:
        increment();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CounterControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect());
    panel::paintCard(painter, bounds, 8, panel::white(0.07),
                     hasFocus() ? panel::withOpacity(Theme::ktPink(), 0.8) : panel::white(0.1));

    const auto paintStep = [&](const QRect& area, const QString& sign, bool enabled, bool pressed) {
        QColor colour = panel::white(enabled ? 0.75 : 0.2);
        if (pressed)
            colour = panel::white(0.45);
        panel::paintElidedText(painter, QRectF(area), sign, stepFont(), colour, Qt::AlignCenter);
    };
    paintStep(minusRect(), QStringLiteral("\u2212"), canDecrement(), m_pressed == Part::minus);
    paintStep(plusRect(), QStringLiteral("+"), canIncrement(), m_pressed == Part::plus);

    const qreal dividerTop = (bounds.height() - kDividerHeight) / 2;
    const QColor divider = panel::white(0.15);
    painter.fillRect(QRectF(kButtonWidth, dividerTop, kDividerWidth, kDividerHeight), divider);
    painter.fillRect(
        QRectF(plusRect().left() - kDividerWidth, dividerTop, kDividerWidth, kDividerHeight),
        divider);
    panel::paintElidedText(painter,
                           QRectF(kButtonWidth + kDividerWidth, 0, valueWidth(), bounds.height()),
                           valueText(), valueFont(), Theme::ktPink(), Qt::AlignCenter);
}

} // namespace kinetta
