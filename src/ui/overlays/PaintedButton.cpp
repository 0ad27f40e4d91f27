#include "ui/overlays/PaintedButton.h"

#include <QPainter>

namespace kinetta
{

PaintedButton::PaintedButton(Painter painter, QWidget* parent)
    : QAbstractButton(parent), m_painter(std::move(painter))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void PaintedButton::setOpacity(qreal opacity)
{
    if (qFuzzyCompare(m_opacity, opacity))
        return;
    m_opacity = opacity;
    update();
}

bool PaintedButton::hitButton(const QPoint& position) const
{
    return contentsRect().contains(position);
}

void PaintedButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setOpacity(m_opacity);
    m_painter(painter, QRectF(contentsRect()), Look{m_hovered, isDown()});
}

void PaintedButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PaintedButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace kinetta
