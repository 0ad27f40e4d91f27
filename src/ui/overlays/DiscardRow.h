#pragma once

#include "ui/overlays/ScheduledTween.h"

#include <QWidget>

namespace kinetta
{

class PaintedButton;

// The HUD's bottom row in its two states: "Discard Recording" alone, or
// "Keep Recording" beside "Discard". The states push each other out with a
// fade (a plain fade under reduced motion). The row only shows; the
// confirmation's logic lives with its owner.
class DiscardRow final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int height = 38;
    static constexpr Scheduler::Duration armDuration{320};
    static constexpr Scheduler::Duration disarmDuration{288};

    DiscardRow(Scheduler& scheduler, bool reducedMotion, QWidget* parent = nullptr);

    void setArmed(bool armed);

    [[nodiscard]] PaintedButton* discardRecordingButton() const { return m_discardRecording; }
    [[nodiscard]] PaintedButton* keepButton() const { return m_keep; }
    [[nodiscard]] PaintedButton* discardButton() const { return m_discard; }
    // 0: unarmed row in place; 1: armed row in place.
    [[nodiscard]] qreal transition() const { return m_transition.value(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButtons();

    bool m_reducedMotion;
    bool m_armed = false;
    PaintedButton* m_discardRecording;
    PaintedButton* m_keep;
    PaintedButton* m_discard;
    ScheduledTween m_transition;
};

} // namespace kinetta
