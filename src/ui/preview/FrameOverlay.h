#pragma once

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
    FrameOverlay(PreviewModel& model, PreviewActions& actions, QWidget* frame);

    [[nodiscard]] bool hovering() const { return m_hovering; }
    // Whether the drag badge shows, and what it says.
    [[nodiscard]] bool dragBadgeShown() const;
    [[nodiscard]] QString dragBadgeText() const;

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
    void startDrag();
    void paintDragBadge(QPainter& painter);
    void paintEncodingVeil(QPainter& painter);
    void paintToast(QPainter& painter, const QString& message);

    PreviewModel& m_model;
    PreviewActions& m_actions;
    bool m_hovering = false;
    std::optional<QPoint> m_pressedAt;
};

} // namespace kinetta
