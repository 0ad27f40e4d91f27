#include "ui/overlays/AutoStopIndicator.h"

#include "ui/overlays/OverlayPainting.h"
#include "ui/overlays/OverlayTexts.h"
#include "ui/overlays/PaintedElement.h"
#include "ui/panel/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kinetta
{
namespace
{

constexpr qreal ringSide = 36;
constexpr qreal ringLine = 3;
constexpr qreal rowSpacing = 12;
constexpr qreal textToBar = 6;
constexpr qreal barHeight = 4;
constexpr qreal minimumFill = 6;

QLinearGradient leadingToTrailing(const QRectF& rect)
{
    QLinearGradient gradient(rect.topLeft(), rect.topRight());
    gradient.setColorAt(0, Theme::ktPurple());
    gradient.setColorAt(1, Theme::ktPink());
    return gradient;
}

} // namespace

AutoStopIndicator::AutoStopIndicator(Scheduler& scheduler, bool reducedMotion, QWidget* parent)
    : QWidget(parent), m_reducedMotion(reducedMotion),
      m_progress(scheduler, 0, [this] { m_element->update(); }),
      m_digits(scheduler, 1, [this] { m_element->update(); }),
      m_element(new PaintedElement(
          QAccessible::ProgressBar,
          [this](QPainter& painter, const QRectF& rect) { paintRow(painter, rect); }, this))
{
    setFixedHeight(height);
    setState(0, 0, false);
}

void AutoStopIndicator::setState(qint64 limitSeconds, qint64 elapsedSeconds, bool animate)
{
    const qint64 remaining = overlaytexts::autoStopRemaining(limitSeconds, elapsedSeconds);
    const bool changed = remaining != m_remaining;
    m_previousRemaining = m_remaining;
    m_remaining = remaining;
    m_element->setAccessibleName(overlaytexts::autoStopText(m_remaining));
    const qreal progress = overlaytexts::autoStopProgress(limitSeconds, elapsedSeconds);
    // Spoken as a percentage of the limit passed.
    m_element->setAccessibleValue(std::round(progress * 100), 100);
    if (animate && !m_reducedMotion) {
        m_progress.animateTo(progress, fillDuration);
        if (changed) {
            m_digits.jumpTo(0);
            m_digits.animateTo(1, digitDuration, QEasingCurve::OutCubic);
        }
    } else {
        m_progress.jumpTo(progress);
        m_digits.jumpTo(1);
    }
    m_element->update();
}

void AutoStopIndicator::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_element->setGeometry(rect());
}

void AutoStopIndicator::paintRow(QPainter& painter, const QRectF& rect) const
{
    const qreal progress = std::clamp<qreal>(m_progress.value(), 0, 1);
    const QString remaining = QString::number(m_remaining);

    const QRectF ring = QRectF(rect.left(), rect.center().y() - ringSide / 2, ringSide, ringSide)
                            .adjusted(ringLine / 2, ringLine / 2, -ringLine / 2, -ringLine / 2);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(overlaypaint::white(0.08), ringLine));
    painter.drawEllipse(ring);
    if (progress > 0) {
        painter.setPen(
            QPen(QBrush(Theme::kinettaGradient(ring)), ringLine, Qt::SolidLine, Qt::FlatCap));
        painter.drawArc(ring, 90 * 16, -int(std::lround(progress * 360 * 16)));
    }
    // A count going down: the old number drops out, the new one comes down
    // from above, inside the ring.
    const qreal settle = std::clamp<qreal>(m_digits.value(), 0, 1);
    constexpr qreal travel = 8;
    painter.save();
    painter.setClipRect(ring);
    painter.setFont(overlaypaint::font(11, QFont::Bold));
    if (settle < 1) {
        painter.setPen(overlaypaint::white(0.7 * (1 - settle)));
        painter.drawText(ring.translated(0, travel * settle), Qt::AlignCenter,
                         QString::number(m_previousRemaining));
    }
    painter.setPen(overlaypaint::white(0.7 * settle));
    painter.drawText(ring.translated(0, -travel * (1 - settle)), Qt::AlignCenter, remaining);
    painter.restore();

    const qreal left = rect.left() + ringSide + rowSpacing;
    const QFont textFont = overlaypaint::font(11, QFont::Medium);
    const QFontMetricsF metrics(textFont);
    const qreal columnHeight = metrics.height() + textToBar + barHeight;
    const qreal top = rect.center().y() - columnHeight / 2;
    painter.setPen(overlaypaint::white(0.45));
    overlaypaint::drawMonospaced(painter, textFont, left, top + metrics.ascent(),
                                 overlaytexts::autoStopText(m_remaining));

    const QRectF bar(left, top + metrics.height() + textToBar, rect.right() - left, barHeight);
    painter.setPen(Qt::NoPen);
    painter.fillPath(overlaypaint::capsule(bar), overlaypaint::white(0.07));
    const QRectF fill(
        bar.topLeft(),
        QSizeF(std::min(bar.width(), std::max(minimumFill, bar.width() * progress)), barHeight));
    painter.fillPath(overlaypaint::capsule(fill), leadingToTrailing(bar));
}

} // namespace kinetta
