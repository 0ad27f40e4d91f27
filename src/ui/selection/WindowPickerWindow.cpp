#include "ui/selection/WindowPickerWindow.h"

#include "model/RecordingSession.h"
#include "ui/common/Announcer.h"
#include "ui/selection/WindowGridNavigation.h"

#include <QGuiApplication>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>

namespace kinetta
{
namespace
{

// The rounded outline as a region for a shape mask.
QRegion roundedRegion(const QSize& size, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), size), radius, radius);
    return QRegion(path.toFillPolygon().toPolygon());
}

} // namespace

WindowPickerWindow::WindowPickerWindow(Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services))
{
}

WindowPickerWindow::~WindowPickerWindow() = default;

QString WindowPickerWindow::selectedAnnouncement(const WindowInfo& window)
{
    return QStringLiteral("Window selected: ") + windowLabel(window) + QLatin1Char('.');
}

bool WindowPickerWindow::isOpen() const
{
    return m_window && m_window->isVisible();
}

void WindowPickerWindow::makeWindow()
{
    // A normal top-level window (so it has a taskbar entry), without the
    // manager's frame, above other windows.
    m_window = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint |
                                                      Qt::WindowStaysOnTopHint);
    m_window->setWindowTitle(QStringLiteral("Select a Window"));
    m_window->setFixedSize(WindowPickerView::viewWidth, WindowPickerView::viewHeight);
    if (m_services.compositing) {
        m_window->setAttribute(Qt::WA_TranslucentBackground);
    } else {
        // Without compositing translucency shows black: cut the corners off.
        m_window->setMask(roundedRegion(m_window->size(), 16));
    }
}

void WindowPickerWindow::show()
{
    if (!m_window)
        makeWindow();
    m_window->hide();
    delete m_view;
    m_view = new WindowPickerView(
        m_services.view, [this](const WindowInfo& window) { choose(window); }, [this] { close(); },
        m_window.get());
    m_view->setGeometry(0, 0, WindowPickerView::viewWidth, WindowPickerView::viewHeight);

    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame(QPoint(0, 0), m_window->size());
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
    m_view->show();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void WindowPickerWindow::choose(const WindowInfo& window)
{
    m_services.view.session.setSelectedWindow(window);
    m_services.view.announcer.announce(selectedAnnouncement(window), Announcer::outcomePriority);
    close();
}

void WindowPickerWindow::close()
{
    if (m_window)
        m_window->hide();
    // The picker goes with its window; its jobs and key filter with it. Not
    // at once: close() may be running inside one of its callbacks.
    if (m_view) {
        m_view->deleteLater();
        m_view = nullptr;
    }
    m_panelTimer = m_services.view.scheduler.singleShot(panelDelay, [this] {
        if (m_services.showControlPanel)
            m_services.showControlPanel();
    });
}

} // namespace kinetta
