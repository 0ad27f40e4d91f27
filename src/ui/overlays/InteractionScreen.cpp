#include "ui/overlays/InteractionScreen.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace kinetta
{

InteractionScreen::InteractionScreen(QObject* parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

InteractionScreen::~InteractionScreen()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

QScreen* InteractionScreen::screen() const
{
    if (m_screen)
        return m_screen;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return primary;
    const QList<QScreen*> screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.front();
}

bool InteractionScreen::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        // Input reaches the QWindow first; its screen is where the user is.
        if (auto* window = qobject_cast<QWindow*>(watched); window && window->screen())
            m_screen = window->screen();
        break;
    default:
        break;
    }
    return false;
}

} // namespace kinetta
