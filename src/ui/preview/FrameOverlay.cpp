#include "ui/preview/FrameOverlay.h"

#include "ui/common/Symbols.h"
#include "ui/panel/Theme.h"
#include "ui/preview/PreviewActions.h"
#include "ui/preview/PreviewModel.h"
#include "ui/preview/PreviewPainting.h"

#include <QApplication>
#include <QDrag>
#include <QFontMetricsF>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace kinetta
{

namespace
{

int shownIndex(const PreviewModel& model)
{
    return std::clamp(model.player().currentFrame(), 0, std::max(model.frameCount() - 1, 0));
}

// A capsule of text with a leading symbol, filled with a frosted dark tint.
QRectF capsule(const QString& symbol, qreal symbolSize, const QString& text, const QFont& font,
               qreal spacing, qreal padX, qreal padY)
{
    const qreal inner = symbolAndTextWidth(symbol, symbolSize, text, font, spacing);
    const qreal high = std::max<qreal>(QFontMetricsF(font).height(), symbolSize);
    return {0, 0, inner + 2 * padX, high + 2 * padY};
}

} // namespace

QString frameAccessibleName(const PreviewModel& model)
{
    return (model.selectedFrameCount() == 1 ? QStringLiteral("PNG") : QStringLiteral("GIF")) +
           QStringLiteral(" frame ") + QString::number(shownIndex(model) + 1) +
           QStringLiteral(" of ") + QString::number(model.frameCount());
}

QString frameAccessibleHint(const PreviewModel& model)
{
    return model.selectedFrameCount() == 1 ? QStringLiteral("Drag to export as a PNG image")
                                     : QStringLiteral("Drag to export as a GIF file");
}

FrameOverlay::FrameOverlay(PreviewModel& model, PreviewActions& actions,
                           const PreviewMotion& motion, QWidget* frame)
    : QWidget(frame), m_model(model), m_actions(actions), m_motion(motion),
      m_badge(motion.scheduler, 0.0, [this] { update(); }),
      m_toast(motion.scheduler, 0.0, [this] { update(); })
{
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setGeometry(frame->rect());
    frame->installEventFilter(this);
    connect(&m_model, &PreviewModel::changed, this, &FrameOverlay::refresh);
    connect(&m_model.player(), &GifPlayer::currentFrameChanged, this, &FrameOverlay::refresh);
    connect(&m_actions, &PreviewActions::changed, this, &FrameOverlay::refresh);
    refresh();
}

bool FrameOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        raise();
    }
    return QWidget::eventFilter(watched, event);
}

void FrameOverlay::refresh()
{
    setAccessibleName(m_model.frameCount() > 0 ? frameAccessibleName(m_model)
                                               : QStringLiteral("No frames"));
    setAccessibleDescription(m_model.frameCount() > 0 ? frameAccessibleHint(m_model) : QString());
    followState();
    update();
}

void FrameOverlay::followState()
{
    m_motion.follow(m_badge, dragBadgeShown() ? 1.0 : 0.0, PreviewMotion::plain,
                    PreviewMotion::easeInOut());
    const std::optional<QString>& toast = m_actions.toastMessage();
    if (toast) {
        m_toastText = *toast;
        m_motion.follow(m_toast, 1.0, PreviewMotion::toastArrival, PreviewMotion::toastSpring());
    } else {
        m_motion.follow(m_toast, 0.0, PreviewMotion::plain, PreviewMotion::easeInOut());
    }
}

bool FrameOverlay::dragBadgeShown() const
{
    return m_hovering && m_model.frameCount() >= 2 && !m_model.isEncoding();
}

QString FrameOverlay::dragBadgeText() const
{
    return m_model.gifData() ? QStringLiteral("Drag to export") : QStringLiteral("Encoding…");
}

void FrameOverlay::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_hovering = true;
    followState();
    update();
}

void FrameOverlay::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    m_hovering = false;
    followState();
    update();
}

void FrameOverlay::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressedAt = event->position().toPoint();
}

void FrameOverlay::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressedAt || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position().toPoint() - *m_pressedAt).manhattanLength() <
        QApplication::startDragDistance())
        return;
    m_pressedAt.reset();
    startDrag();
}

void FrameOverlay::mouseReleaseEvent(QMouseEvent*)
{
    m_pressedAt.reset();
}

void FrameOverlay::startDrag()
{
    std::unique_ptr<QMimeData> mime = m_actions.dragMimeData();
    if (!mime)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mime.release());
    drag->setPixmap(QPixmap::fromImage(
        Symbols::image(QStringLiteral("photo"), 32, devicePixelRatioF(), Qt::white)));
    drag->exec(Qt::CopyAction);
}

void FrameOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_model.frameCount() == 0) {
        const QPointF centre = rect().center();
        Symbols::paint(painter, QRectF(centre.x() - 20, centre.y() - 34, 40, 40),
                       QStringLiteral("photo.fill"), withOpacity(Qt::white, 0.08));
        painter.setFont(previewFont(*this, 13));
        painter.setPen(withOpacity(Qt::white, 0.2));
        painter.drawText(QRectF(0, centre.y() + 12, width(), 20), Qt::AlignHCenter,
                         QStringLiteral("No frames"));
    }
    if (m_model.isEncoding())
        paintEncodingVeil(painter);
    if (m_badge.value() > 0) {
        painter.setOpacity(m_badge.value());
        paintDragBadge(painter);
        painter.setOpacity(1.0);
    }
    if (m_toast.value() > 0)
        paintToast(painter);
}

void FrameOverlay::paintEncodingVeil(QPainter& painter)
{
    painter.fillRect(rect(), withOpacity(PreviewColors::background, 0.75));
    const QPointF centre = rect().center();
    const QRectF ring(centre.x() - 10, centre.y() - 22, 20, 20);
    paintBusyRing(painter, ring, Theme::ktPurple(), 2.4);
    painter.setFont(previewFont(*this, 12, QFont::Medium));
    painter.setPen(withOpacity(Qt::white, 0.5));
    painter.drawText(QRectF(0, ring.bottom() + 10, width(), 18), Qt::AlignHCenter,
                     QStringLiteral("Encoding GIF…"));
}

void FrameOverlay::paintDragBadge(QPainter& painter)
{
    const QFont font = previewFont(*this, 10, QFont::Medium);
    const QString text = dragBadgeText();
    QRectF box = capsule(QStringLiteral("square.and.arrow.up"), 10, text, font, 5, 10, 6);
    box.moveBottomRight(QPointF(width() - 20, height() - 20));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 34, 56, 200));
    painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    paintSymbolAndText(painter, {box.left() + 10, box.center().y()},
                       QStringLiteral("square.and.arrow.up"), 10, text, font,
                       withOpacity(Qt::white, m_model.gifData() ? 0.7 : 0.35), 5);
}

void FrameOverlay::paintToast(QPainter& painter)
{
    const QString& message = m_toastText;
    const QFont font = previewFont(*this, 13, QFont::DemiBold);
    QRectF box = capsule(QStringLiteral("checkmark.circle.fill"), 14, message, font, 8, 18, 10);
    box.moveCenter(QPointF(width() / 2.0, height() - 20 - box.height() / 2));
    // It rises from below the bottom edge as it fades in, and sinks as it goes.
    const qreal presence = m_toast.value();
    box.translate(0, (1.0 - presence) * (20 + box.height()));
    painter.save();
    painter.setOpacity(std::clamp(presence, 0.0, 1.0));
    // A soft shadow under the capsule.
    for (int ring = 6; ring >= 1; --ring) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 14));
        const QRectF spread = box.adjusted(-ring * 2, -ring * 2 + 2, ring * 2, ring * 2 + 2);
        painter.drawRoundedRect(spread, spread.height() / 2, spread.height() / 2);
    }
    painter.setBrush(QColor(44, 38, 60, 235));
    painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    const qreal x = box.left() + 18;
    Symbols::paint(painter, QRectF(x, box.center().y() - 7, 14, 14),
                   QStringLiteral("checkmark.circle.fill"), QColor(0x30, 0xD1, 0x58));
    paintSymbolAndText(painter, {x + 14 + 8, box.center().y()}, {}, 0, message, font, Qt::white,
                       0);
    painter.restore();
}

} // namespace kinetta
