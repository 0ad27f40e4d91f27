#include "ui/overlays/OverlayBackdrop.h"

#include "ui/panel/Theme.h"

#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace kinetta
{

OverlayBackdrop::OverlayBackdrop(bool translucent, QImage still)
    : m_translucent(translucent), m_still(std::move(still))
{
}

OverlayBackdrop OverlayBackdrop::translucent()
{
    return OverlayBackdrop(true, {});
}

OverlayBackdrop OverlayBackdrop::still(QImage screen)
{
    return OverlayBackdrop(false, std::move(screen));
}

OverlayBackdrop OverlayBackdrop::forScreen(QScreen* screen, bool composited)
{
    if (composited)
        return translucent();
    if (!screen)
        return still({});
    return still(screen->grabWindow(0).toImage());
}

void OverlayBackdrop::applyTo(QWidget& window) const
{
    window.setAttribute(Qt::WA_TranslucentBackground, m_translucent);
    window.setAttribute(Qt::WA_NoSystemBackground, m_translucent);
    window.setAutoFillBackground(false);
}

void OverlayBackdrop::paint(QPainter& painter, const QRectF& rect) const
{
    if (m_translucent)
        return;
    if (m_still.isNull()) {
        painter.fillRect(rect, Theme::panelBG());
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect, m_still);
    painter.restore();
}

} // namespace kinetta
