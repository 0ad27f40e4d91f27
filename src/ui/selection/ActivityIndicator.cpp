#include "ui/selection/ActivityIndicator.h"

#include "ui/panel/PanelStyle.h"

#include <QPainter>

namespace kinetta
{

ActivityIndicator::ActivityIndicator(Scheduler& scheduler, bool reduceMotion, QWidget* parent)
    : QWidget(parent), m_scheduler(scheduler), m_reduceMotion(reduceMotion)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ActivityIndicator::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_reduceMotion)
        m_ticks = m_scheduler.repeating(frameInterval, [this] {
            m_step = (m_step + 1) % 12;
            update();
        });
}

void ActivityIndicator::hideEvent(QHideEvent* event)
{
    m_ticks.cancel();
    QWidget::hideEvent(event);
}

void ActivityIndicator::paintEvent(QPaintEvent* /*event*/)
{
    // Twelve spokes, the leading one brightest, fading behind it.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    painter.translate(rect().center());
    QPen pen;
    pen.setWidthF(side / 10.0);
    pen.setCapStyle(Qt::RoundCap);
    for (int i = 0; i < 12; ++i) {
        const int age = (m_step - i + 12) % 12;
        pen.setColor(panel::white(0.15 + 0.55 * (11 - age) / 11.0));
        painter.setPen(pen);
        painter.save();
        painter.rotate(i * 30.0);
        painter.drawLine(QPointF(0, -side * 0.26), QPointF(0, -side * 0.44));
        painter.restore();
    }
}

} // namespace kinetta
