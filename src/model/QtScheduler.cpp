#include "model/QtScheduler.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace kinetta {
namespace {

class QtTimer final : public TimerHandle::Impl {
public:
    QtTimer(std::chrono::milliseconds interval, bool singleShot, Scheduler::Callback callback)
        : m_timer(new QTimer)
    {
        m_timer->setTimerType(Qt::PreciseTimer);
        m_timer->setSingleShot(singleShot);
        m_timer->setInterval(interval);
        QObject::connect(m_timer, &QTimer::timeout, m_timer, std::move(callback));
        m_timer->start();
    }
    ~QtTimer() override { cancel(); }

    void cancel() override
    {
        if (m_timer) {
            m_timer->stop();
            // The handle may be dropped from inside the timer's own callback.
            m_timer->deleteLater();
            m_timer = nullptr;
        }
    }
    bool isActive() const override { return m_timer && m_timer->isActive(); }

private:
    QPointer<QTimer> m_timer;
};

} // namespace

TimerHandle QtScheduler::singleShot(Duration delay, Callback callback)
{
    return TimerHandle(std::make_unique<QtTimer>(delay, true, std::move(callback)));
}

TimerHandle QtScheduler::repeating(Duration interval, Callback callback)
{
    return TimerHandle(std::make_unique<QtTimer>(interval, false, std::move(callback)));
}

} // namespace kinetta
