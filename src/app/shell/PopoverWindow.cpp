#include "app/shell/PopoverWindow.h"

#include "ui/overlays/PopupPlacement.h"
#include "ui/panel/Theme.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

namespace kinetta
{
namespace
{

QPainterPath roundedOutline(const QSizeF& size)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), size), PopoverWindow::cornerRadius,
                        PopoverWindow::cornerRadius);
    return path;
}

} // namespace

PopoverWindow::PopoverWindow(QWidget* content, Style style, bool composited, QWidget* parent)
    : QWidget(parent, style == Style::popup ? Qt::Popup | Qt::FramelessWindowHint : Qt::Window),
      m_content(content), m_style(style), m_composited(composited)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    if (m_style == Style::popup) {
        // The press that closed the popup must not reach the tray icon, which
        // would open the popup again.
        setAttribute(Qt::WA_NoMouseReplay);
        setAttribute(Qt::WA_TranslucentBackground, m_composited);
    } else {
        setWindowTitle(QStringLiteral("Kinetta"));
    }
}

void PopoverWindow::setContentSize(const QSize& size)
{
    setFixedSize(size);
    if (isVisible())
        place();
}

void PopoverWindow::open(const QRect& anchor)
{
    m_anchor = anchor;
    place();
    show();
    raise();
    activateWindow();
    m_content->setFocus(Qt::PopupFocusReason);
}

void PopoverWindow::place()
{
    QScreen* screen =
        m_style == Style::popup ? QGuiApplication::screenAt(m_anchor.center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return; // nowhere to place it; the window system decides
    if (m_style == Style::window) {
        if (!isVisible())
            move(screen->availableGeometry().center() - rect().center());
        return;
    }
    setGeometry(placeBesideTray(m_anchor, size(), screen->geometry(), screen->availableGeometry(),
                                trayGap));
}

void PopoverWindow::mousePressEvent(QMouseEvent* event)
{
    const bool outside = !rect().contains(event->position().toPoint());
    QWidget::mousePressEvent(event); // a popup closes itself on a press outside
    if (outside && m_style == Style::popup)
        Q_EMIT dismissedByOutsidePress(event->globalPosition().toPoint());
}

void PopoverWindow::closeEvent(QCloseEvent* event)
{
    if (m_style == Style::window && m_minimizeOnClose && m_minimizeOnClose()) {
        event->ignore();
        showMinimized();
        return;
    }
    QWidget::closeEvent(event);
    if (m_style == Style::window)
        Q_EMIT closedByUser();
}

void PopoverWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A minimized window is hidden by the system, not closed.
    if (!event->spontaneous())
        Q_EMIT closed();
}

void PopoverWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_style == Style::window) {
        painter.fillRect(rect(), Theme::panelBG());
        return;
    }
    // Opaque without a compositor: the mask cuts the corners off.
    if (!m_composited) {
        painter.fillRect(rect(), Theme::panelBG());
        return;
    }
    painter.setPen(QPen(Theme::panelBorder(), 1));
    painter.setBrush(Theme::panelBG());
    painter.drawPath(roundedOutline(QSizeF(size()) - QSizeF(1, 1)).translated(0.5, 0.5));
}

void PopoverWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_style == Style::popup && !m_composited)
        setMask(QRegion(roundedOutline(QSizeF(size())).toFillPolygon().toPolygon()));
    if (m_style == Style::popup && m_composited) {
        // The content paints square corners; clip it to the outline.
        m_content->setMask(QRegion(roundedOutline(QSizeF(size())).toFillPolygon().toPolygon()));
    }
}

} // namespace kinetta
