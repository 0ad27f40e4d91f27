#include "ui/preview/TrimBar.h"

#include "ui/panel/Theme.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace kinetta
{
namespace
{

constexpr qreal trackRadius = 6;
constexpr qreal handleWidth = 10;

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

// A soft halo around shape: a few widening strokes of falling strength.
void paintGlow(QPainter& painter, const QPainterPath& shape, const QColor& color, qreal radius)
{
    painter.save();
    painter.setBrush(Qt::NoBrush);
    const int steps = 5;
    for (int i = steps; i >= 1; --i) {
        const qreal width = 2 * radius * i / steps;
        painter.setPen(QPen(withAlpha(color, color.alphaF() / (steps + 1)), width, Qt::SolidLine,
                            Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(shape);
    }
    painter.restore();
}

} // namespace

TrimBar::TrimBar(QWidget* parent) : QWidget(parent)
{
    installTrimBarAccessibility();
    setCursor(Qt::SizeHorCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleDescription(
        QStringLiteral("Press Up or Down to step through frames; drag handles to trim"));
    connect(&m_filmstrip, &Filmstrip::thumbnailsChanged, this, qOverload<>(&QWidget::update));
}

QSize TrimBar::sizeHint() const
{
    return {400, int(TrimBarGeometry::totalHeight)};
}

QSize TrimBar::minimumSizeHint() const
{
    return {60, int(TrimBarGeometry::totalHeight)};
}

void TrimBar::setFrames(const FrameList& frames)
{
    m_frameCount = static_cast<int>(frames.size());
    m_filmstrip.setFrames(frames);
    update();
}

void TrimBar::setSelection(const TrimSelection& selection)
{
    if (selection == m_selection)
        return;
    m_selection = selection;
    QAccessibleValueChangeEvent changed(this, trimBarValue(m_selection));
    QAccessible::updateAccessibility(&changed);
    update();
}

TrimBarGeometry TrimBar::geometryNow() const
{
    return {qreal(width()), m_frameCount};
}

void TrimBar::edit(const TrimSelection& selection)
{
    if (selection != m_selection)
        Q_EMIT selectionEdited(selection);
}

QRectF TrimBar::trackRect() const
{
    const qreal top = (TrimBarGeometry::totalHeight - TrimBarGeometry::trackHeight) / 2;
    return {0, top, qreal(width()), TrimBarGeometry::trackHeight};
}

void TrimBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_filmstrip.setSize(trackRect().size(), devicePixelRatioF());
}

void TrimBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = trackRect();
    const TrimBarGeometry bar = geometryNow();
    const qreal w = track.width();
    const qreal startX = bar.x(m_selection.trimStart);
    const qreal endX = bar.x(m_selection.trimEnd);

    painter.save();
    QPainterPath clip;
    clip.addRoundedRect(track, trackRadius, trackRadius);
    painter.setClipPath(clip);
    painter.fillRect(track, QColor(255, 255, 255, 18));
    m_filmstrip.paint(painter, track);
    const QColor shade(0, 0, 0, 140);
    if (startX > 1)
        painter.fillRect(QRectF(0, track.top(), startX, track.height()), shade);
    if (endX < w - 1)
        painter.fillRect(QRectF(endX, track.top(), w - endX, track.height()), shade);
    const QRectF selected(startX, track.top(), std::max(endX - startX, 0.0), track.height());
    QLinearGradient gradient(selected.topLeft(), selected.topRight());
    gradient.setColorAt(0, withAlpha(Theme::ktPurple(), 0.35));
    gradient.setColorAt(1, withAlpha(Theme::ktPink(), 0.35));
    painter.fillRect(selected, gradient);
    paintHandle(painter, startX - handleWidth / 2, track);
    paintHandle(painter, endX - handleWidth / 2, track);
    painter.restore();

    paintPlayhead(painter, bar.x(m_selection.currentFrame));
}

void TrimBar::paintHandle(QPainter& painter, qreal x, const QRectF& track) const
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 242));
    painter.drawRoundedRect(QRectF(x + 3, track.top(), 4, track.height()), 2, 2);
    const QRectF grip(x, track.center().y() - 11, handleWidth, 22);
    // The grip's shadow: black at 35%, blurred by 3, one point down.
    for (int i = 3; i >= 1; --i) {
        painter.setBrush(QColor(0, 0, 0, 30));
        painter.drawRoundedRect(grip.translated(0, 1).adjusted(-i, -i, i, i), 4 + i, 4 + i);
    }
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(grip, 4, 4);
}

void TrimBar::paintPlayhead(QPainter& painter, qreal x) const
{
    QPainterPath playhead;
    playhead.addRoundedRect(QRectF(x - 1, 0, 2, TrimBarGeometry::totalHeight), 1, 1);
    paintGlow(painter, playhead, withAlpha(Theme::ktPink(), 0.7), 5);
    painter.setPen(Qt::NoPen);
    painter.fillPath(playhead, Theme::ktPink());
}

void TrimBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const qreal x = std::clamp(event->position().x(), 0.0, qreal(width()));
    m_active = geometryNow().pickTarget(x, m_selection);
    dragTo(x);
}

void TrimBar::mouseMoveEvent(QMouseEvent* event)
{
    if (m_active)
        dragTo(event->position().x());
}

void TrimBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_active && event->button() == Qt::LeftButton) {
        dragTo(event->position().x());
        m_active.reset();
    }
}

void TrimBar::dragTo(qreal x)
{
    edit(geometryNow().drag(*m_active, x, m_selection));
}

void TrimBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up)
        edit(stepCurrentFrame(m_selection, 1));
    else if (event->key() == Qt::Key_Down)
        edit(stepCurrentFrame(m_selection, -1));
    else
        QWidget::keyPressEvent(event);
}

} // namespace kinetta
