#pragma once

#include "model/Scheduler.h"
#include "ui/overlays/OverlayBackdrop.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

class QScreen;

namespace kinetta
{

class Announcer;
class CountdownDial;
class KeyView;
class PaintedButton;
class PaintedElement;
class RecordingSession;

// The full-screen countdown before a recording: the remaining seconds in a
// draining ring, "Recording in…" and a cancel button. It only shows the
// session's countdown and raises the session's cancel flag (the button and
// Escape); the recording flow runs the countdown itself.
class CountdownOverlayView final : public QWidget
{
    Q_OBJECT

public:
    // Animations run on scheduler; reducedMotion leaves them out.
    CountdownOverlayView(RecordingSession& session, Scheduler& scheduler, bool reducedMotion,
                         OverlayBackdrop backdrop = OverlayBackdrop::translucent(),
                         QWidget* parent = nullptr);
    ~CountdownOverlayView() override;

    // A borderless window above everything, covering screen's whole frame,
    // which takes the keyboard so that Escape reaches the overlay.
    [[nodiscard]] static std::unique_ptr<CountdownOverlayView>
    openOn(QScreen* screen, RecordingSession& session, Scheduler& scheduler, bool reducedMotion,
           bool composited, Announcer* announcer = nullptr);

    // Where a click beside the cancel button is answered with how to cancel;
    // null: not spoken.
    void setAnnouncer(Announcer* announcer) { m_announcer = announcer; }

    // What the ring shows now (it may still be moving towards the value).
    [[nodiscard]] qreal ringFraction() const;
    [[nodiscard]] CountdownDial* dial() const { return m_dial; }
    [[nodiscard]] PaintedButton* cancelButton() const { return m_cancel; }
    [[nodiscard]] KeyView* keyView() const { return m_keyView; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void cancel();
    void showValue(std::optional<qint64> value);
    void layoutContent();

    QPointer<RecordingSession> m_session;
    OverlayBackdrop m_backdrop;
    Announcer* m_announcer = nullptr;
    KeyView* m_keyView;
    CountdownDial* m_dial;
    PaintedElement* m_subtitle;
    PaintedButton* m_cancel;
};

} // namespace kinetta
