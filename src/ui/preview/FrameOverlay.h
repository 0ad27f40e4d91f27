#pragma once

#include "ui/overlays/ScheduledTween.h"
#include "ui/preview/PreviewMotion.h"

#include <QPoint>
#include <QString>
#include <QWidget>
#include <optional>

namespace kinetta
{

class PreviewActions;
class PreviewModel;

// What the screen reader says for the frame: "GIF frame 3 of 12" ("PNG" for
// a one-frame selection), and the hint that goes with it.
[[nodiscard]] QString frameAccessibleName(const PreviewModel& model);
[[nodiscard]] QString frameAccessibleHint(const PreviewModel& model);

// Lies over the frame on screen: drags the GIF out of the preview, and shows
// the drag badge while hovered, the encoding veil and the in-window toast.
class FrameOverlay final : public QWidget
{
    Q_OBJECT

public:
    // Covers frame, following its size.
    FrameOverlay(PreviewModel& model, PreviewActions& actions, const PreviewMotion& motion,
                 QWidget* frame);

    [[nodiscard]] bool hovering() const { return m_hovering; }
    // Whether the drag badge shows, and what it says.
    [[nodiscard]] bool dragBadgeShown() const;
    [[nodiscard]] QString dragBadgeText() const;
    // How far the drag badge and the toast have come in (0 gone, 1 fully shown).
    [[nodiscard]] qreal dragBadgePresence() const { return m_badge.value(); }
    [[nodiscard]] qreal toastPresence() const { return m_toast.value(); }
    // The message drawn, also while the toast leaves.
    [[nodiscard]] const QString& toastShown() const { return m_toastText; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void refresh();
    // Sends the badge and the toast towards what the state says.
    void followState();
    void startDrag();
    void paintDragBadge(QPainter& painter);
    void paintEncodingVeil(QPainter& painter);
    void paintToast(QPainter& painter);

    PreviewModel& m_model;
    PreviewActions& m_actions;
    PreviewMotion m_motion;
    bool m_hovering = false;
    ScheduledTween m_badge;
    ScheduledTween m_toast;
    QString m_toastText;
    std::optional<QPoint> m_pressedAt;
};

} // namespace kinetta
