#pragma once

#include "model/Scheduler.h"
#include "ui/overlays/DiscardConfirmation.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace kinetta
{

class Announcer;
class AutoStopIndicator;
class DiscardRow;
class HudHeader;
class PaintedButton;
class PaintedElement;
class RecordingSession;

// What the popover under the tray icon shows while a recording runs: what is
// recorded, the elapsed time, the frames so far, the auto-stop countdown when
// it is on, "Stop & Save" and a discard that needs two presses. It reads the
// session and reports the user's choice through its callbacks; it never
// stops or discards anything itself. It sets no background: the popover
// window around it does.
class RecordingHUDView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int contentWidth = 280;
    static constexpr int heightWithAutoStop = 352;
    static constexpr int heightWithoutAutoStop = 276;

    // announcer may be null (nothing is spoken).
    RecordingHUDView(RecordingSession& session, Scheduler& scheduler, Announcer* announcer,
                     bool reducedMotion, std::function<void()> onStop,
                     std::function<void()> onDiscard, QWidget* parent = nullptr);
    ~RecordingHUDView() override;

    [[nodiscard]] bool discardArmed() const { return m_discard.armed(); }

    [[nodiscard]] HudHeader* header() const { return m_header; }
    [[nodiscard]] PaintedElement* timerElement() const { return m_timer; }
    [[nodiscard]] PaintedElement* framesElement() const { return m_frames; }
    [[nodiscard]] AutoStopIndicator* autoStop() const { return m_autoStop; }
    [[nodiscard]] PaintedButton* stopButton() const { return m_stop; }
    [[nodiscard]] DiscardRow* discardRow() const { return m_discardRow; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refreshTime(bool animate);
    void refreshAutoStop();
    void layoutParts();
    void announceAutoStop(qint64 remaining);
    void onArmedChanged(bool armed);

    QPointer<RecordingSession> m_session;
    Announcer* m_announcer;
    std::function<void()> m_onStop;
    DiscardConfirmation m_discard;
    HudHeader* m_header;
    PaintedElement* m_timer;
    PaintedElement* m_frames;
    AutoStopIndicator* m_autoStop;
    PaintedButton* m_stop;
    DiscardRow* m_discardRow;
    qreal m_dividerY = 0;
    qint64 m_lastRemaining = -1;
};

} // namespace kinetta
