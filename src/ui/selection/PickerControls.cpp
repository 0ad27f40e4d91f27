#include "ui/selection/PickerControls.h"

#include "ui/common/Symbols.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace kinetta
{

QFont pickerFont(qreal pixelSize, QFont::Weight weight)
{
    QFont font = QApplication::font();
    font.setPixelSize(qRound(pixelSize));
    font.setWeight(weight);
    return font;
}

QFont pickerMonospaceFont(qreal pixelSize)
{
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(qRound(pixelSize));
    return font;
}

QColor whiteAt(qreal opacity)
{
    QColor white(Qt::white);
    white.setAlphaF(static_cast<float>(opacity));
    return white;
}

PlainTextButton::PlainTextButton(const QString& text, QFont font, QColor color, QWidget* parent)
    : QAbstractButton(parent), m_font(std::move(font)), m_color(color)
{
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus); // the picker's keys belong to the grid
    resize(sizeHint());
}

QSize PlainTextButton::sizeHint() const
{
    const QFontMetricsF metrics(m_font);
    return QSize(qCeil(metrics.horizontalAdvance(text())) + 8, qCeil(metrics.height()) + 6);
}

void PlainTextButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QColor color = m_color;
    if (isDown())
        color.setAlphaF(std::min(1.0f, color.alphaF() * 1.5f));
    painter.setPen(color);
    painter.setFont(m_font);
    painter.drawText(rect(), Qt::AlignCenter, text());
}

SymbolButton::SymbolButton(QString symbol, qreal symbolSize, QColor tint, QColor circleFill,
                           QWidget* parent)
    : QAbstractButton(parent), m_symbol(std::move(symbol)), m_symbolSize(symbolSize), m_tint(tint),
      m_circleFill(circleFill)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void SymbolButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_circleFill.alpha() > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(isDown() ? m_circleFill.lighter(180) : m_circleFill);
        painter.drawEllipse(QRectF(rect()));
    }
    const QRectF area(QPointF(0, 0), QSizeF(m_symbolSize, m_symbolSize));
    Symbols::paint(painter, area.translated(QRectF(rect()).center() - area.center()), m_symbol,
                   m_tint);
}

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
        pen.setColor(whiteAt(0.15 + 0.55 * (11 - age) / 11.0));
        painter.setPen(pen);
        painter.save();
        painter.rotate(i * 30.0);
        painter.drawLine(QPointF(0, -side * 0.26), QPointF(0, -side * 0.44));
        painter.restore();
    }
}

} // namespace kinetta
