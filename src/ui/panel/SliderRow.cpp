#include "ui/panel/SliderRow.h"

#include "ui/common/Symbols.h"
#include "ui/panel/PanelStyle.h"
#include "ui/panel/Theme.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace kinetta
{
namespace
{

constexpr qreal kKnob = 16;
constexpr qreal kTrackHeight = 4;
constexpr int kSliderHeight = 20;
constexpr int kTitleLineHeight = 16;
constexpr int kRowSpacing = 6;

const QFont& titleFont()
{
    static const QFont font = panel::font(12);
    return font;
}

const QFont& valueFont()
{
    static const QFont font = panel::font(12, QFont::DemiBold, panel::Face::monospaced);
    return font;
}

} // namespace

GradientSlider::GradientSlider(double minimum, double maximum, double step, ValueFormat format,
                               QWidget* parent)
    : QAbstractSlider(parent), m_minimum(minimum), m_maximum(maximum), m_step(step),
      m_format(std::move(format))
{
    setOrientation(Qt::Horizontal);
    setRange(0, static_cast<int>(std::lround((maximum - minimum) / step)));
    setSingleStep(1);
    setPageStep(1);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QAbstractSlider::valueChanged, this, [this] {
        if (!m_settingFromModel)
            Q_EMIT realValueEdited(realValue());
    });
}

void GradientSlider::setRealValue(double value)
{
    m_settingFromModel = true;
    setValue(static_cast<int>(std::lround((value - m_minimum) / m_step)));
    m_settingFromModel = false;
}

double GradientSlider::realValue() const
{
    return std::min(m_maximum, m_minimum + value() * m_step);
}

QSize GradientSlider::sizeHint() const
{
    return {200, kSliderHeight};
}

QRectF GradientSlider::trackRect() const
{
    // The knob's centre runs from one half knob in to the other.
    return {kKnob / 2, (height() - kTrackHeight) / 2, width() - kKnob, kTrackHeight};
}

int GradientSlider::stepAt(qreal x) const
{
    const QRectF track = trackRect();
    const qreal fraction = std::clamp((x - track.left()) / std::max(track.width(), 1.0), 0.0, 1.0);
    return minimum() + static_cast<int>(std::lround(fraction * (maximum() - minimum())));
}

void GradientSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractSlider::mousePressEvent(event);
    setSliderDown(true);
    setValue(stepAt(event->position().x()));
}

void GradientSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (isSliderDown())
        setValue(stepAt(event->position().x()));
}

void GradientSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (isSliderDown()) {
        setValue(stepAt(event->position().x()));
        setSliderDown(false);
    }
}

void GradientSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = trackRect();
    const qreal fraction =
        maximum() > minimum() ? double(value() - minimum()) / (maximum() - minimum()) : 0.0;
    const qreal knobX = track.left() + fraction * track.width();
    const qreal radius = kTrackHeight / 2;

    painter.setPen(Qt::NoPen);
    painter.setBrush(panel::white(0.12));
    painter.drawRoundedRect(track, radius, radius);
    // The gradient spans the whole track, so its colour at the knob says
    // where along the range the value is.
    QLinearGradient tint(track.topLeft(), track.topRight());
    tint.setColorAt(0, Theme::ktPurple());
    tint.setColorAt(1, Theme::ktPink());
    painter.setBrush(tint);
    painter.drawRoundedRect(QRectF(track.left(), track.top(), knobX - track.left(), kTrackHeight),
                            radius, radius);

    const QRectF knob(knobX - kKnob / 2, (height() - kKnob) / 2, kKnob, kKnob);
    painter.setBrush(QColor(0, 0, 0, 70));
    painter.drawEllipse(knob.translated(0, 1));
    painter.setBrush(isEnabled() ? QColor(Qt::white) : panel::white(0.5));
    painter.drawEllipse(knob);
    if (hasFocus()) {
        painter.setPen(QPen(Theme::ktPink(), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(knob.adjusted(-2, -2, 2, 2));
    }
}

SliderRow::SliderRow(QString title, QString symbol, double minimum, double maximum, double step,
                     ValueFormat format, QWidget* parent)
    : QWidget(parent), m_title(std::move(title)), m_symbol(std::move(symbol)),
      m_slider(new GradientSlider(minimum, maximum, step, std::move(format), this))
{
    m_slider->setAccessibleName(m_title);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, kTitleLineHeight + kRowSpacing, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_slider);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_slider, &GradientSlider::realValueEdited, this, [this](double value) {
        update();
        Q_EMIT valueEdited(value);
    });
    connect(m_slider, &QAbstractSlider::valueChanged, this, [this] { update(); });
}

void SliderRow::setValue(double value)
{
    m_slider->setRealValue(value);
    update();
}

QSize SliderRow::sizeHint() const
{
    return {200, kTitleLineHeight + kRowSpacing + kSliderHeight};
}

void SliderRow::paintEvent(QPaintEvent*)
{
    // The title line is drawn here rather than made of child widgets: screen
    // readers hear the slider's name and value instead.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    constexpr qreal symbolSize = 11;
    Symbols::paint(painter, QRectF(0, (kTitleLineHeight - symbolSize) / 2, symbolSize, symbolSize),
                   m_symbol, Theme::ktPurple());
    const QString valueText = m_slider->valueText();
    const qreal valueWidth = panel::textWidth(valueText, valueFont()) + 1;
    const qreal titleLeft = symbolSize + 6;
    panel::paintElidedText(
        painter, QRectF(titleLeft, 0, width() - titleLeft - valueWidth - 8, kTitleLineHeight),
        m_title, titleFont(), panel::white(0.7));
    panel::paintElidedText(painter, QRectF(width() - valueWidth, 0, valueWidth, kTitleLineHeight),
                           valueText, valueFont(), Theme::ktPink(),
                           Qt::AlignRight | Qt::AlignVCenter);
}

} // namespace kinetta
