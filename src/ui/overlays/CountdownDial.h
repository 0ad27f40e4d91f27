#pragma once

#include "ui/overlays/ScheduledTween.h"

#include <QWidget>

namespace kinetta
{

// The countdown's ring and number in their 360-point glow: the ring drains
// towards the top as the value falls, the number springs in. One accessible
// element that says how long is left.
class CountdownDial final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int side = 360;

    CountdownDial(Scheduler& scheduler, bool reducedMotion, QWidget* parent = nullptr);

    // animate false: a first value appears as it is, without motion.
    void setValue(qint64 value, qint64 totalSeconds, bool animate);

    [[nodiscard]] qint64 value() const { return m_value; }
    [[nodiscard]] qreal ringFraction() const { return m_ring.value(); }
    [[nodiscard]] qreal ringTarget() const { return m_ring.target(); }
    // 1 once the number's change has settled.
    [[nodiscard]] qreal numberProgress() const { return m_number.value(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintNumber(QPainter& painter, const QRectF& box, qint64 value, qreal opacity,
                     qreal offset) const;

    bool m_reducedMotion;
    qint64 m_value = 0;
    qint64 m_previous = 0;
    ScheduledTween m_ring;
    ScheduledTween m_number;
};

} // namespace kinetta
