#include "ui/overlays/ToastPresenter.h"

#include "ui/overlays/PopupPlacement.h"
#include "ui/overlays/ToastView.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace kinetta
{

ToastPresenter::ToastPresenter(Scheduler& scheduler, bool composited)
    : m_scheduler(scheduler), m_composited(composited)
{
}

ToastPresenter::~ToastPresenter() = default;

ToastView* ToastPresenter::current() const
{
    return m_view.get();
}

void ToastPresenter::show(const Toast& toast, const QRect& anchor, QScreen* centreOn)
{
    hide();
    ++m_shownCount;
    m_view = std::make_unique<ToastView>(toast, m_composited);
    m_view->makeWindow();

    if (anchor.isEmpty() && centreOn) {
        m_view->setGeometry(centredIn(m_view->size(), centreOn->availableGeometry()));
        m_view->show();
    } else {
        place(anchor);
    }
    scheduleDismissal(toast);
}

void ToastPresenter::place(const QRect& anchor)
{
    const QRect icon = anchor.isEmpty() ? QRect(QCursor::pos(), QSize(1, 1)) : anchor;
    QScreen* screen = QGuiApplication::screenAt(icon.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        m_view->setGeometry(
            placeToast(icon, m_view->size(), screen->geometry(), screen->availableGeometry()));
    m_view->show();
}

void ToastPresenter::scheduleDismissal(const Toast& toast)
{
    if (toast.autoDismiss) {
        // The timer hides the toast it was set for and nothing else.
        const quint64 shown = m_shownCount;
        m_dismissal = m_scheduler.singleShot(dismissDelay, [this, shown] {
            if (m_shownCount == shown)
                hide();
        });
    }
}

void ToastPresenter::hide()
{
    m_dismissal.cancel();
    if (m_view) {
        m_view->hide();
        m_view.reset();
    }
}

} // namespace kinetta
