#include "ui/panel/PanelControls.h"

#include "ui/common/Symbols.h"
#include "ui/panel/PanelStyle.h"
#include "ui/panel/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace kinetta::panel
{
namespace
{

constexpr qreal kSymbolTextSpacing = 4;

int ceilInt(qreal value)
{
    return static_cast<int>(std::ceil(value));
}

} // namespace

TextButton::TextButton(Look look, QWidget* parent)
    : QAbstractButton(parent), m_look(std::move(look))
{
    setText(m_look.text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize TextButton::sizeHint() const
{
    const QFontMetricsF metrics(m_look.font);
    qreal width = 0;
    qreal height = 0;
    if (!m_look.symbol.isEmpty()) {
        width += m_look.symbolSize;
        height = m_look.symbolSize;
    }
    if (!m_look.text.isEmpty()) {
        width += (width > 0 ? kSymbolTextSpacing : 0) + metrics.horizontalAdvance(m_look.text);
        height = std::max(height, metrics.height());
    }
    return {ceilInt(width + 2 * m_look.horizontalPadding),
            ceilInt(height + 2 * m_look.verticalPadding)};
}

void TextButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    if (m_look.fill.alpha() > 0)
        paintCard(painter, bounds, m_look.radius, m_look.fill, Qt::transparent);
    // Pressed and disabled buttons dim, as plain buttons do.
    QColor colour = m_look.colour;
    if (!isEnabled())
        colour = withOpacity(colour, 0.4);
    else if (isDown())
        colour = withOpacity(colour, 0.6);
    const QSize content = sizeHint() - QSize(ceilInt(2 * m_look.horizontalPadding),
                                             ceilInt(2 * m_look.verticalPadding));
    qreal x = (bounds.width() - content.width()) / 2;
    if (!m_look.symbol.isEmpty()) {
        const QRectF symbolRect(x, (bounds.height() - m_look.symbolSize) / 2, m_look.symbolSize,
                                m_look.symbolSize);
        Symbols::paint(painter, symbolRect, m_look.symbol, colour);
        x += m_look.symbolSize + kSymbolTextSpacing;
    }
    if (!m_look.text.isEmpty())
        paintElidedText(painter, QRectF(x, 0, bounds.width() - x, bounds.height()), m_look.text,
                        m_look.font, colour);
    if (hasFocus()) {
        painter.setPen(QPen(withOpacity(Theme::ktPurple(), 0.8), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
}

PanelLabel::PanelLabel(QString text, QFont font, QColor colour, QWidget* parent, Wrap wrap)
    : QWidget(parent), m_text(std::move(text)), m_font(std::move(font)), m_colour(colour),
      m_wrap(wrap)
{
    setAccessibleName(m_text);
    QSizePolicy policy(wrap == Wrap::words ? QSizePolicy::Expanding : QSizePolicy::Preferred,
                       wrap == Wrap::words ? QSizePolicy::Preferred : QSizePolicy::Fixed);
    policy.setHeightForWidth(wrap == Wrap::words);
    setSizePolicy(policy);
}

PanelLabel* PanelLabel::section(const QString& title, QWidget* parent)
{
    return new PanelLabel(title.toUpper(), sectionFont(), white(0.55), parent);
}

void PanelLabel::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

int PanelLabel::heightForWidth(int width) const
{
    const QFontMetricsF metrics(m_font);
    if (m_wrap == Wrap::none)
        return ceilInt(metrics.height());
    return ceilInt(metrics
                       .boundingRect(QRectF(0, 0, std::max(width, 1), 10000),
                                     Qt::TextWordWrap | Qt::AlignLeft, m_text)
                       .height());
}

QSize PanelLabel::sizeHint() const
{
    if (m_wrap == Wrap::words)
        return {200, heightForWidth(200)};
    const QFontMetricsF metrics(m_font);
    return {ceilInt(metrics.horizontalAdvance(m_text)), ceilInt(metrics.height())};
}

QSize PanelLabel::minimumSizeHint() const
{
    return m_wrap == Wrap::words ? QSize(40, ceilInt(QFontMetricsF(m_font).height())) : sizeHint();
}

void PanelLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_wrap == Wrap::none) {
        paintElidedText(painter, rect(), m_text, m_font, m_colour);
        return;
    }
    painter.setFont(m_font);
    painter.setPen(m_colour);
    painter.drawText(rect(), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, m_text);
}

PanelDivider::PanelDivider(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PanelDivider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintDivider(painter, 0, width(), 0);
}

namespace
{

constexpr qreal kSwitchTitleSpacing = 8;
const QFont& switchTitleFont()
{
    static const QFont font = panel::font(12);
    return font;
}
const QFont& secondLineFont()
{
    static const QFont font = panel::font(10);
    return font;
}

} // namespace

Switch::Switch(const QString& title, const QString& secondLine, QWidget* parent)
    : QAbstractButton(parent), m_secondLine(secondLine)
{
    setText(title);
    setAccessibleName(title);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Switch::sizeHint() const
{
    const QFontMetricsF title(switchTitleFont());
    qreal textWidth = title.horizontalAdvance(text());
    qreal textHeight = title.height();
    if (!m_secondLine.isEmpty()) {
        const QFontMetricsF second(secondLineFont());
        textWidth = std::max(textWidth, second.horizontalAdvance(m_secondLine));
        textHeight += second.height();
    }
    return {ceilInt(textWidth + kSwitchTitleSpacing + kTrackSize.width()),
            ceilInt(std::max(textHeight, kTrackSize.height()))};
}

void Switch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetricsF title(switchTitleFont());
    const qreal titleWidth = std::max(
        title.horizontalAdvance(text()),
        m_secondLine.isEmpty() ? 0.0
                               : QFontMetricsF(secondLineFont()).horizontalAdvance(m_secondLine));
    if (m_secondLine.isEmpty()) {
        paintElidedText(painter, QRectF(0, 0, titleWidth + 1, height()), text(), switchTitleFont(),
                        white(0.85));
    } else {
        const qreal secondHeight = QFontMetricsF(secondLineFont()).height();
        const qreal top = (height() - title.height() - secondHeight) / 2;
        paintElidedText(painter, QRectF(0, top, titleWidth + 1, title.height()), text(),
                        switchTitleFont(), white(0.85));
        paintElidedText(painter, QRectF(0, top + title.height(), titleWidth + 1, secondHeight),
                        m_secondLine, secondLineFont(), white(0.45));
    }
    // The track, then the knob at its end.
    const QRectF track(
        QPointF(titleWidth + kSwitchTitleSpacing, (height() - kTrackSize.height()) / 2),
        kTrackSize);
    const qreal radius = track.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? Theme::ktPurple() : white(0.16));
    painter.drawRoundedRect(track, radius, radius);
    const qreal knob = track.height() - 3;
    const qreal knobX = isChecked() ? track.right() - 1.5 - knob : track.left() + 1.5;
    painter.setBrush(isEnabled() ? QColor(Qt::white) : white(0.5));
    painter.drawEllipse(QRectF(knobX, track.top() + 1.5, knob, knob));
    if (hasFocus()) {
        painter.setPen(QPen(withOpacity(Theme::ktPink(), 0.8), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1.5, radius + 1.5);
    }
}

} // namespace kinetta::panel
