#include "ui/panel/LoopCountRow.h"

#include "ui/panel/PanelStyle.h"
#include "ui/panel/PanelTexts.h"
#include "ui/panel/Theme.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <cmath>

namespace kinetta
{
namespace
{

constexpr qreal kHorizontalPadding = 8;
constexpr qreal kVerticalPadding = 4;
constexpr qreal kRadius = 6;

const QFont& labelFont()
{
    static const QFont font = panel::font(11, QFont::DemiBold);
    return font;
}

} // namespace

LoopButton::LoopButton(qint64 count, QWidget* parent) : QAbstractButton(parent), m_count(count)
{
    setText(loopChoiceLabel(count));
    setAccessibleName(loopChoiceAccessibleName(count));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LoopButton::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
    update();
}

QSize LoopButton::sizeHint() const
{
    const QFontMetricsF metrics(labelFont());
    // Every choice as wide as the widest label, so the row does not jump.
    const qreal widest = std::max(metrics.horizontalAdvance(QStringLiteral("5×")),
                                  metrics.horizontalAdvance(text()));
    return {static_cast<int>(std::ceil(widest + 2 * kHorizontalPadding)),
            static_cast<int>(std::ceil(metrics.height() + 2 * kVerticalPadding))};
}

void LoopButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF bounds = QRectF(rect());
    if (m_selected)
        panel::paintCard(painter, bounds, kRadius, Theme::kinettaGradient(bounds), Qt::transparent);
    else
        panel::paintCard(painter, bounds, kRadius, Theme::panelBG(), Qt::transparent);
    panel::paintElidedText(painter, bounds, text(), labelFont(),
                           m_selected ? QColor(Qt::white) : panel::white(0.4), Qt::AlignCenter);
    if (hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Theme::ktPink(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
    }
}

LoopCountRow::LoopCountRow(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("GIF loop count"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    for (const qint64 count : kLoopChoices) {
        auto* button = new LoopButton(count, this);
        connect(button, &QAbstractButton::clicked, this,
                [this, count] { Q_EMIT loopCountChosen(count); });
        layout->addWidget(button);
        m_buttons.push_back(button);
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LoopCountRow::setLoopCount(qint64 count)
{
    for (LoopButton* button : m_buttons)
        button->setSelected(button->count() == count);
}

} // namespace kinetta
