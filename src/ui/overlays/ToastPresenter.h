#pragma once

#include "app/FlowPort.h"
#include "model/Scheduler.h"

#include <QRect>
#include <QtGlobal>
#include <memory>

class QScreen;

namespace kinetta
{

class ToastView;

// Shows the recording flow's toasts one at a time next to the tray icon: a
// new toast replaces the one shown, and a toast that dismisses itself does
// so 2.5 s after it appeared. Each toast's dismissal belongs to that toast
// alone: a toast shown after another keeps its own full time. Speaking the
// message is the flow's job, not the presenter's.
class ToastPresenter final
{
public:
    static constexpr Scheduler::Duration dismissDelay{2500};

    ToastPresenter(Scheduler& scheduler, bool composited);
    ~ToastPresenter();
    ToastPresenter(const ToastPresenter&) = delete;
    ToastPresenter& operator=(const ToastPresenter&) = delete;

    // anchor: the tray icon's rectangle on screen, or an empty rectangle when
    // the tray tells none: the toast then opens centred on centreOn when
    // given (where the pointer cannot be read), else at the pointer.
    void show(const Toast& toast, const QRect& anchor, QScreen* centreOn = nullptr);
    void hide();

    // The toast on screen, or null.
    [[nodiscard]] ToastView* current() const;

private:
    // Next to the tray icon, or at the pointer when anchor is empty.
    void place(const QRect& anchor);
    void scheduleDismissal(const Toast& toast);

    Scheduler& m_scheduler;
    bool m_composited;
    std::unique_ptr<ToastView> m_view;
    TimerHandle m_dismissal;
    // Counts the toasts shown, so that a dismissal knows its own toast.
    quint64 m_shownCount = 0;
};

} // namespace kinetta
