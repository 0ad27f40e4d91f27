#include "ui/selection/AreaOverlay.h"

#include "model/RecordingSession.h"
#include "ui/overlays/MouseScreen.h"
#include "ui/overlays/OverlayBackdrop.h"
#include "ui/selection/AreaSelectorView.h"
#include "ui/selection/OverlayScreen.h"

#include <QScreen>

namespace kinetta
{

AreaOverlay::AreaOverlay(Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services))
{
}

AreaOverlay::~AreaOverlay()
{
    delete m_view;
}

bool AreaOverlay::show()
{
    close();
    QScreen* screen = mouseScreen();
    if (!screen)
        return false;
    const bool compositing = !m_services.compositing || m_services.compositing();
    // Taken before the overlay shows, so that the still has the screen alone.
    open(*screen, OverlayBackdrop::forScreen(screen, compositing), screenPlacement(*screen));
    return true;
}

void AreaOverlay::showOnStill(QScreen& screen, QImage still, ScreenPlacement placement)
{
    close();
    open(screen, OverlayBackdrop::still(std::move(still)), placement);
}

void AreaOverlay::open(QScreen& screen, const OverlayBackdrop& backdrop, ScreenPlacement placement)
{
    auto* view = new AreaSelectorView(
        {m_services.scheduler, m_services.announcer, m_services.reduceMotion},
        [this, placement](std::optional<QRectF> area) { selected(area, placement); });
    m_view = view;
    // Above panels and docks: the window manager is bypassed, so the window
    // takes the keyboard focus itself when activated.
    view->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint);
    view->setAttribute(Qt::WA_DeleteOnClose);
    backdrop.applyTo(*view);
    view->setBackdrop(backdrop);
    view->setWindowTitle(AreaSelectorView::accessibleLabelText());
    view->setScreen(&screen);
    view->setGeometry(screen.geometry());
    view->show();
    view->raise();
    view->activateWindow();
}

AreaSelectorView* AreaOverlay::view() const
{
    return m_view;
}

void AreaOverlay::close()
{
    if (m_view)
        m_view->setOnSelect({});
    dismiss();
}

void AreaOverlay::dismiss()
{
    if (m_view) {
        m_view->hide();
        m_view->deleteLater();
        m_view = nullptr;
    }
}

void AreaOverlay::selected(std::optional<QRectF> area, ScreenPlacement screen)
{
    // Runs inside the view's callback: the view goes later, its callback stays.
    dismiss();
    if (!area) {
        Q_EMIT cancelled();
        return;
    }
    m_services.session.setSelectedRect(*area);
    m_services.session.setSelectedScreen(screen);
    if (m_services.beginRecording)
        m_services.beginRecording(*area, screen);
}

} // namespace kinetta
