#include "ui/overlays/ToastView.h"

#include "ui/common/Symbols.h"
#include "ui/overlays/OverlayPainting.h"
#include "ui/panel/Theme.h"

#include <QBitmap>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <cmath>

namespace kinetta
{
namespace
{

QFont messageFont()
{
    return overlaypaint::font(13, QFont::DemiBold);
}

// A thin dark material: the desktop shows through where it can.
QColor material(bool composited)
{
    return composited ? QColor(38, 34, 46, 214) : QColor(38, 34, 46);
}

} // namespace

ToastView::ToastView(const Toast& toast, bool composited, QWidget* parent)
    : QWidget(parent), m_toast(toast), m_composited(composited)
{
    setAccessibleName(toast.message);
    const QFontMetricsF metrics(messageFont());
    // Fitted to the message, which is never cut short.
    const int contentWidth =
        int(std::ceil(metrics.horizontalAdvance(toast.message))) + 2 * padX + symbolSide + spacing;
    const int contentHeight =
        int(std::ceil(std::max<qreal>(metrics.height(), symbolSide))) + 2 * padY;
    setFixedSize(contentWidth + 2 * margin(), contentHeight + 2 * margin());
}

int ToastView::margin() const
{
    return m_composited ? shadowRadius : 0;
}

QRect ToastView::capsuleRect() const
{
    return rect().adjusted(margin(), margin(), -margin(), -margin());
}

QColor ToastView::symbolColour() const
{
    return m_toast.iconColorHex.isEmpty() ? overlaypaint::systemGreen()
                                          : Theme::color(m_toast.iconColorHex);
}

void ToastView::makeWindow()
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground, m_composited);
    if (!m_composited)
        setMask(QRegion(overlaypaint::capsule(QRectF(capsuleRect())).toFillPolygon().toPolygon()));
}

void ToastView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isWindow() && !m_composited)
        setMask(QRegion(overlaypaint::capsule(QRectF(capsuleRect())).toFillPolygon().toPolygon()));
}

void ToastView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsuleArea = capsuleRect();
    const QPainterPath capsule = overlaypaint::capsule(capsuleArea);
    if (m_composited)
        overlaypaint::drawShadow(painter, capsule, QColor::fromRgbF(0, 0, 0, 0.4f), shadowRadius);
    painter.fillPath(capsule, material(m_composited));

    const QRectF symbol(capsuleArea.left() + padX, capsuleArea.center().y() - symbolSide / 2.0,
                        symbolSide, symbolSide);
    Symbols::paint(painter, symbol, m_toast.icon, symbolColour());
    const QFont font = messageFont();
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(symbol.right() + spacing,
                             capsuleArea.center().y() + (metrics.ascent() - metrics.descent()) / 2),
                     m_toast.message);
}

void ToastView::mousePressEvent(QMouseEvent* event)
{
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void ToastView::mouseMoveEvent(QMouseEvent* event)
{
    if (isWindow() && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_dragOffset);
    event->accept();
}

} // namespace kinetta
