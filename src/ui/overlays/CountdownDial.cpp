#include "ui/overlays/CountdownDial.h"

#include "ui/overlays/OverlayPainting.h"
#include "ui/overlays/OverlayTexts.h"
#include "ui/panel/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace kinetta
{
namespace
{

constexpr qreal ringDiameter = 220;
constexpr qreal ringLine = 5;
constexpr int numberSize = 148;
constexpr Scheduler::Duration ringDuration{1000};
constexpr Scheduler::Duration numberDuration{350};
// How far a number travels as it comes in or goes out.
constexpr qreal numberTravel = 28;

QColor withAlpha(QColor colour, qreal alpha)
{
    colour.setAlphaF(float(alpha));
    return colour;
}

// A spring with some bounce, as a curve.
QEasingCurve springCurve()
{
    QEasingCurve curve(QEasingCurve::OutBack);
    curve.setOvershoot(1.2);
    return curve;
}

} // namespace

CountdownDial::CountdownDial(Scheduler& scheduler, bool reducedMotion, QWidget* parent)
    : QWidget(parent), m_reducedMotion(reducedMotion), m_ring(scheduler, 0, [this] { update(); }),
      m_number(scheduler, 1, [this] { update(); })
{
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CountdownDial::setValue(qint64 value, qint64 totalSeconds, bool animate)
{
    const qreal fraction = overlaytexts::countdownFraction(value, totalSeconds);
    setAccessibleName(overlaytexts::countdownLabel(value));
    const bool changed = value != m_value;
    m_previous = m_value;
    m_value = value;
    if (!animate || m_reducedMotion) {
        m_ring.jumpTo(fraction);
        m_number.jumpTo(1);
        return;
    }
    m_ring.animateTo(fraction, ringDuration);
    if (changed) {
        m_number.jumpTo(0);
        m_number.animateTo(1, numberDuration, springCurve());
    }
}

void CountdownDial::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();

    // The glow behind the ring.
    QRadialGradient glow(centre, 180);
    glow.setColorAt(60.0 / 180.0, withAlpha(Theme::ktPurple(), 0.18));
    glow.setColorAt(1, withAlpha(Theme::ktPurple(), 0));
    painter.fillRect(rect(), glow);

    const QRectF ring(centre.x() - ringDiameter / 2, centre.y() - ringDiameter / 2, ringDiameter,
                      ringDiameter);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(overlaypaint::white(0.06), ringLine));
    painter.drawEllipse(ring);

    const qreal fraction = std::clamp<qreal>(m_ring.value(), 0, 1);
    if (fraction > 0) {
        QPen progress(QBrush(Theme::kinettaGradient(ring)), ringLine, Qt::SolidLine, Qt::FlatCap);
        painter.setPen(progress);
        // From the top, clockwise, as far as the fraction reaches.
        painter.drawArc(ring, 90 * 16, -int(std::lround(fraction * 360 * 16)));
    }

    const qreal settle = m_number.value();
    if (settle < 1)
        paintNumber(painter, ring, m_previous, 1 - std::clamp<qreal>(settle, 0, 1),
                    -numberTravel * settle);
    paintNumber(painter, ring, m_value, std::clamp<qreal>(settle, 0, 1),
                numberTravel * (1 - settle));
}

void CountdownDial::paintNumber(QPainter& painter, const QRectF& box, qint64 value, qreal opacity,
                                qreal offset) const
{
    if (opacity <= 0)
        return;
    const QFont font = overlaypaint::font(numberSize, QFont::Black);
    QPainterPath glyphs;
    const QString text = QString::number(value);
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(text);
    const qreal baseline = box.center().y() + metrics.capHeight() / 2 + offset;
    glyphs.addText(QPointF(box.center().x() - width / 2, baseline), font, text);

    painter.save();
    painter.setOpacity(opacity);
    // The glow: the number in purple at half strength, blurred by drawing
    // it small and scaling it up smoothly.
    constexpr qreal shrink = 1.0 / 10;
    QImage glow(QSize(int(width * shrink) + 16, int(metrics.height() * shrink) + 16),
                QImage::Format_ARGB32_Premultiplied);
    glow.fill(Qt::transparent);
    const QPointF glowOrigin(box.center().x() - width / 2 - 8 / shrink,
                             baseline - metrics.ascent() - 8 / shrink);
    {
        QPainter small(&glow);
        small.setRenderHint(QPainter::Antialiasing);
        small.scale(shrink, shrink);
        small.translate(-glowOrigin);
        small.fillPath(glyphs, withAlpha(Theme::ktPurple(), 0.5));
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(glowOrigin, QSizeF(glow.width() / shrink, glow.height() / shrink)),
                      glow);
    const QRectF bounds = glyphs.boundingRect();
    QLinearGradient fill(bounds.topLeft(), bounds.bottomLeft());
    fill.setColorAt(0, Theme::ktPurple());
    fill.setColorAt(1, Theme::ktPink());
    painter.setPen(Qt::NoPen);
    painter.fillPath(glyphs, fill);
    painter.restore();
}

} // namespace kinetta
