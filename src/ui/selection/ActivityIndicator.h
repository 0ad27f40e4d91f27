#pragma once

#include "model/Scheduler.h"

#include <QWidget>

namespace kinetta
{

// The spinning spokes of the picker's loading state; they stand still with
// reduced motion.
class ActivityIndicator final : public QWidget
{
    Q_OBJECT

public:
    static constexpr Scheduler::Duration frameInterval{50};

    ActivityIndicator(Scheduler& scheduler, bool reduceMotion, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Scheduler& m_scheduler;
    bool m_reduceMotion;
    int m_step = 0;
    TimerHandle m_ticks;
};

} // namespace kinetta
