#include "ui/overlays/HudHeader.h"

#include "ui/common/Symbols.h"
#include "ui/overlays/OverlayPainting.h"
#include "ui/overlays/OverlayTexts.h"
#include "ui/overlays/PaintedElement.h"

#include <QFontMetricsF>
#include <QPainter>

namespace kinetta
{
namespace
{

constexpr qreal dotSide = 8;
constexpr qreal haloSide = 14;
constexpr qreal haloGrowth = 0.6;
constexpr qreal haloOpacity = 0.6;
constexpr qreal dotToText = 6;
constexpr qreal badgeToCapsule = 6;
constexpr qreal capsuleSymbol = 10;
constexpr qreal capsuleSpacing = 4;
constexpr qreal capsulePadX = 7;
constexpr qreal badgePadX = 5;
constexpr qreal badgeHeight = 14;
constexpr qreal capsuleHeight = 18;

const QString kRec = QStringLiteral("REC");

QFont recFont()
{
    return overlaypaint::font(10, QFont::Bold, 2.5);
}

QFont badgeFont()
{
    return overlaypaint::font(8, QFont::DemiBold);
}

QFont capsuleFont()
{
    return overlaypaint::font(9, QFont::Bold, 0.8);
}

QString capsuleText(CaptureMode mode)
{
    return rawValue(mode).toUpper();
}

qreal capsuleWidth(CaptureMode mode)
{
    return capsulePadX * 2 + capsuleSymbol + capsuleSpacing +
           QFontMetricsF(capsuleFont()).horizontalAdvance(capsuleText(mode));
}

} // namespace

HudHeader::HudHeader(Scheduler& scheduler, bool reducedMotion, QWidget* parent)
    : QWidget(parent), m_reducedMotion(reducedMotion), m_pulse(scheduler, 0, [this] { update(); })
{
    setFixedHeight(height);
    m_rec = new PaintedElement(
        QAccessible::StaticText,
        [](QPainter& painter, const QRectF& rect) {
            painter.setFont(recFont());
            painter.setPen(overlaypaint::systemRed());
            painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, kRec);
        },
        this);
    m_rec->setAccessibleName(kRec);
    m_capsule = new PaintedElement(
        QAccessible::StaticText,
        [this](QPainter& painter, const QRectF& rect) {
            painter.fillPath(overlaypaint::capsule(rect), overlaypaint::white(0.07));
            const QColor ink = overlaypaint::white(0.45);
            const QRectF symbol(rect.left() + capsulePadX, rect.center().y() - capsuleSymbol / 2,
                                capsuleSymbol, capsuleSymbol);
            Symbols::paint(painter, symbol, symbolName(m_mode), ink);
            painter.setFont(capsuleFont());
            painter.setPen(ink);
            painter.drawText(rect.adjusted(capsulePadX + capsuleSymbol + capsuleSpacing, 0, 0, 0),
                             Qt::AlignLeft | Qt::AlignVCenter, capsuleText(m_mode));
        },
        this);
    setMode(m_mode);
}

void HudHeader::setMode(CaptureMode mode)
{
    m_mode = mode;
    m_capsule->setAccessibleName(overlaytexts::modeLabel(mode));
    layoutParts();
    update();
    m_capsule->update();
}

void HudHeader::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

void HudHeader::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // An ease-out grow-and-fade, started over and over; under reduced motion
    // the dot stays still.
    if (!m_reducedMotion)
        m_pulse.repeat(0, 1, pulsePeriod, QEasingCurve::OutCubic);
}

void HudHeader::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_pulse.jumpTo(0);
}

void HudHeader::layoutParts()
{
    const qreal mid = height / 2.0;
    const QFontMetricsF rec(recFont());
    m_rec->setGeometry(
        QRectF(haloSide + dotToText, 0, rec.horizontalAdvance(kRec) + 4, height).toAlignedRect());
    const qreal capsule = capsuleWidth(m_mode);
    const QRectF capsuleRect(width() - capsule, mid - capsuleHeight / 2, capsule, capsuleHeight);
    m_capsule->setGeometry(capsuleRect.toAlignedRect());
    const qreal badge =
        QFontMetricsF(badgeFont()).horizontalAdvance(overlaytexts::kShortcutBadge) + 2 * badgePadX;
    m_badge = QRectF(capsuleRect.left() - badgeToCapsule - badge, mid - badgeHeight / 2, badge,
                     badgeHeight);
}

void HudHeader::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF dotCentre(haloSide / 2, height / 2.0);

    // The halo grows from 1.0 to 1.6 times its size while fading from 0.6 to 0.
    const qreal phase = m_pulse.value();
    const qreal haloRadius = haloSide / 2 * (1 + haloGrowth * phase);
    QColor halo = overlaypaint::systemRed();
    halo.setAlphaF(float(0.25 * haloOpacity * (1 - phase)));
    painter.setPen(Qt::NoPen);
    painter.setBrush(halo);
    painter.drawEllipse(dotCentre, haloRadius, haloRadius);
    painter.setBrush(overlaypaint::systemRed());
    painter.drawEllipse(dotCentre, dotSide / 2, dotSide / 2);

    // The shortcut badge; the stop instruction is spoken elsewhere, so it is
    // not an accessible element.
    painter.setBrush(overlaypaint::white(0.05));
    painter.drawRoundedRect(m_badge, 3, 3);
    painter.setFont(badgeFont());
    painter.setPen(overlaypaint::white(0.22));
    painter.drawText(m_badge, Qt::AlignCenter, overlaytexts::kShortcutBadge);
}

} // namespace kinetta
