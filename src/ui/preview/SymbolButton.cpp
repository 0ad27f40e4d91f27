#include "ui/preview/SymbolButton.h"

#include "ui/common/Symbols.h"

#include <QPainter>

namespace kinetta
{

SymbolButton::SymbolButton(const QString& symbol, const QString& accessibleName, int side,
                           QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbol), m_side(side)
{
    setAccessibleName(accessibleName);
    setToolTip(accessibleName);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void SymbolButton::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

QSize SymbolButton::sizeHint() const
{
    return {m_side + 8, m_side + 8};
}

void SymbolButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor tint = isDown() ? QColor(255, 255, 255, 140) : QColor(255, 255, 255, 220);
    const QRectF box((width() - m_side) / 2.0, (height() - m_side) / 2.0, m_side, m_side);
    Symbols::paint(painter, box, m_symbol, tint);
    if (hasFocus()) {
        painter.setPen(QPen(QColor(255, 255, 255, 90), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }
}

} // namespace kinetta
