#include "ui/preview/SymbolButton.h"

#include "ui/common/Symbols.h"
#include "ui/panel/Theme.h"

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

void SymbolButton::setTint(const QColor& tint)
{
    m_tint = tint;
    update();
}

void SymbolButton::setDisc(int diameter)
{
    m_disc = diameter;
    updateGeometry();
    update();
}

QSize SymbolButton::sizeHint() const
{
    if (m_disc > 0)
        return {m_disc, m_disc};
    return {m_side + 8, m_side + 8};
}

void SymbolButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor tint = isDown() ? QColor(255, 255, 255, 140) : m_tint;
    QRectF box((width() - m_side) / 2.0, (height() - m_side) / 2.0, m_side, m_side);
    if (m_disc > 0) {
        const QRectF disc((width() - m_disc) / 2.0, (height() - m_disc) / 2.0, m_disc, m_disc);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::kinettaGradient(disc));
        painter.drawEllipse(disc);
        tint = isDown() ? QColor(255, 255, 255, 200) : QColor(Qt::white);
        // A play triangle looks centred when nudged towards its point.
        if (m_symbol == QLatin1String("play.fill"))
            box.translate(1.5, 0);
    }
    Symbols::paint(painter, box, m_symbol, tint);
    if (hasFocus()) {
        painter.setPen(QPen(QColor(255, 255, 255, 90), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }
}

} // namespace kinetta
