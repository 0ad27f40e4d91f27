#include "ui/selection/WindowGridKeyFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace kinetta
{

WindowGridKeyFilter::WindowGridKeyFilter(QWidget* scope, Handler handler)
    : QObject(scope), m_scope(scope), m_handler(std::move(handler))
{
    QCoreApplication::instance()->installEventFilter(this);
}

WindowGridKeyFilter::~WindowGridKeyFilter()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool WindowGridKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    // A key arrives first at the native window, then at the focused widget:
    // acting on widgets alone acts once.
    if (!watched->isWidgetType() || !m_scope || !m_scope->isVisible())
        return false;
    if (static_cast<QWidget*>(watched)->window() != m_scope->window())
        return false;
    const std::optional<GridKey> key = gridKeyFor(static_cast<QKeyEvent*>(event)->key());
    if (!key)
        return false;
    event->accept();
    if (m_handler)
        m_handler(*key);
    return true;
}

} // namespace kinetta
