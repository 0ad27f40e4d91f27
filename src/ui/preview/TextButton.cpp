#include "ui/preview/TextButton.h"

#include "ui/panel/Theme.h"

#include <QPainter>

namespace kinetta
{

TextButton::TextButton(const QString& text, int pixelSize, QFont::Weight weight, QColor colour,
                       QWidget* parent)
    : QAbstractButton(parent), m_colour(colour)
{
    setText(text);
    QFont font = this->font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

QSize TextButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    // A checkable button (a chip) gets room for its backdrop.
    const int padding = isCheckable() ? 14 : 4;
    return {metrics.horizontalAdvance(text()) + padding,
            metrics.height() + (isCheckable() ? 6 : 2)};
}

void TextButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isChecked()) {
        painter.setPen(Qt::NoPen);
        QColor fill = Theme::ktPurple();
        fill.setAlphaF(0.5f);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()), 4, 4);
    }
    QColor colour = m_colour;
    if (isCheckable())
        colour = isChecked() ? QColor(Qt::white) : QColor(255, 255, 255, 77);
    if (isDown())
        colour.setAlphaF(colour.alphaF() * 0.6f);
    painter.setPen(colour);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
    if (hasFocus()) {
        painter.setPen(QPen(colour, 1, Qt::DotLine));
        painter.drawLine(QPointF(2, height() - 0.5), QPointF(width() - 2, height() - 0.5));
    }
}

} // namespace kinetta
