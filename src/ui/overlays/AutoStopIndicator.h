#pragma once

#include "ui/overlays/ScheduledTween.h"

#include <QWidget>

namespace kinetta
{

class PaintedElement;

// The HUD's auto-stop row: a small ring with the seconds left inside, the
// "Auto-stop in …" text and a bar, ring and bar filling as the limit nears.
class AutoStopIndicator final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int height = 36;
    static constexpr Scheduler::Duration fillDuration{900};
    static constexpr Scheduler::Duration digitDuration{320};

    AutoStopIndicator(Scheduler& scheduler, bool reducedMotion, QWidget* parent = nullptr);

    // animate false: jump (a first showing).
    void setState(qint64 limitSeconds, qint64 elapsedSeconds, bool animate);

    [[nodiscard]] qint64 remaining() const { return m_remaining; }
    [[nodiscard]] qreal shownProgress() const { return m_progress.value(); }
    [[nodiscard]] qreal targetProgress() const { return m_progress.target(); }
    // 1 once a change of the seconds inside the ring has settled.
    [[nodiscard]] qreal digitProgress() const { return m_digits.value(); }
    // The accessible element, labelled with the text the row shows.
    [[nodiscard]] PaintedElement* element() const { return m_element; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void paintRow(QPainter& painter, const QRectF& rect) const;

    bool m_reducedMotion;
    qint64 m_remaining = 0;
    qint64 m_previousRemaining = 0;
    ScheduledTween m_progress;
    ScheduledTween m_digits;
    PaintedElement* m_element;
};

} // namespace kinetta
