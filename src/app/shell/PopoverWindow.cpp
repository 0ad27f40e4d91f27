#include "app/shell/PopoverWindow.h"

#include "ui/overlays/PopupPlacement.h"
#include "ui/panel/Theme.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScopedValueRollback>
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

void PopoverWindow::open(const QRect& anchor, QScreen* centreOn)
{
    m_anchor = anchor;
    m_centreOn = anchor.isEmpty() ? centreOn : nullptr;
    place();
    show();
    raise();
    activateWindow();
    m_content->setFocus(Qt::PopupFocusReason);
}

QScreen* PopoverWindow::screenFor(const QRect& anchor, QScreen* centreOn) const
{
    if (m_style == Style::popup && anchor.isEmpty() && centreOn)
        return centreOn;
    QScreen* screen =
        m_style == Style::popup ? QGuiApplication::screenAt(anchor.center()) : nullptr;
    return screen ? screen : QGuiApplication::primaryScreen();
}

int PopoverWindow::heightRoom(const QRect& anchor, QScreen* centreOn) const
{
    const QScreen* screen = screenFor(anchor, centreOn);
    if (!screen)
        return QWIDGETSIZE_MAX;
    // A window: its frame is the window manager's, and it need not avoid the
    // icon; nor need a popup centred on a screen.
    if (m_style == Style::window || (anchor.isEmpty() && centreOn))
        return screen->availableGeometry().height();
    return roomBesideTray(anchor, screen->geometry(), screen->availableGeometry(), trayGap);
}

void PopoverWindow::place()
{
    QScreen* screen = screenFor(m_anchor, m_centreOn);
    if (!screen)
        return; // nowhere to place it; the window system decides
    if (m_style == Style::window) {
        if (!isVisible())
            move(screen->availableGeometry().center() - rect().center());
        return;
    }
    if (m_centreOn) {
        setGeometry(centredIn(size(), screen->availableGeometry()));
        return;
    }
    setGeometry(placeBesideTray(m_anchor, size(), screen->geometry(), screen->availableGeometry(),
                                trayGap));
}

void PopoverWindow::mousePressEvent(QMouseEvent* event)
{
    const bool outside = !rect().contains(event->position().toPoint());
    {
        const QScopedValueRollback forUser(m_closingForUser, true);
        QWidget::mousePressEvent(event); // a popup closes itself on a press outside
    }
    if (outside && m_style == Style::popup)
        Q_EMIT dismissedByOutsidePress(event->globalPosition().toPoint());
}

void PopoverWindow::keyPressEvent(QKeyEvent* event)
{
    const QScopedValueRollback forUser(m_closingForUser, true);
    QWidget::keyPressEvent(event); // a popup closes itself on Escape
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
    // The owner hides the popup; the toolkit closes it on the user's press or
    // key, and when the application turns inactive.
    else if (!m_closingForUser)
        Q_EMIT closedWithApplication();
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
