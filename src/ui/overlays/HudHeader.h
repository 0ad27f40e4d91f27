#pragma once

#include "model/CaptureMode.h"
#include "ui/overlays/ScheduledTween.h"

#include <QWidget>

namespace kinetta
{

class PaintedElement;

// The HUD's top row: a pulsing red dot and "REC" on the left; the stop
// shortcut and what is being recorded on the right.
class HudHeader final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int height = 22;
    static constexpr Scheduler::Duration pulsePeriod{1100};

    HudHeader(Scheduler& scheduler, bool reducedMotion, QWidget* parent = nullptr);

    void setMode(CaptureMode mode);
    // 0 at rest, towards 1 as the outer circle grows and fades.
    [[nodiscard]] qreal pulsePhase() const { return m_pulse.value(); }
    [[nodiscard]] bool isPulsing() const { return m_pulse.isRunning(); }
    [[nodiscard]] PaintedElement* modeCapsule() const { return m_capsule; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void layoutParts();

    bool m_reducedMotion;
    CaptureMode m_mode = CaptureMode::fullScreen;
    ScheduledTween m_pulse;
    PaintedElement* m_rec;
    PaintedElement* m_capsule;
    QRectF m_badge;
};

} // namespace kinetta
