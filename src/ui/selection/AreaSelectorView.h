#pragma once

#include "model/Scheduler.h"
#include "ui/overlays/OverlayBackdrop.h"

#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <optional>

namespace kinetta
{

class Announcer;
class KeyView;

// The full-screen view on which the user marks the area to record: a drag
// (recorded as soon as the button is released) or a rectangle built with the
// arrow keys and confirmed with Return. Escape or a right click cancels. It
// reports through one callback and never closes its own window.
//
// Coordinates are the view's points, origin at its top-left corner; the view
// covers one screen exactly, so a selection is relative to that screen.
class AreaSelectorView final : public QWidget
{
    Q_OBJECT

public:
    // A selection, or nothing when cancelled; called once per outcome.
    using OnSelect = std::function<void(std::optional<QRectF> selection)>;

    struct Services {
        Scheduler& scheduler;
        Announcer& announcer;
        // The border stands still and no timer runs.
        bool reduceMotion = false;
    };

    // The marching border's tick, about 30 a second.
    static constexpr Scheduler::Duration marchInterval{33};
    static constexpr double dashStep = 0.4;
    static constexpr double dashPeriod = 12;

    AreaSelectorView(Services services, OnSelect onSelect, QWidget* parent = nullptr);
    ~AreaSelectorView() override;

    void setOnSelect(OnSelect onSelect) { m_onSelect = std::move(onSelect); }
    // What lies under the dimming: the desktop through a translucent window,
    // or a still of the screen where translucency would show black.
    void setBackdrop(OverlayBackdrop backdrop);
    [[nodiscard]] const OverlayBackdrop& backdrop() const { return m_backdrop; }

    // The current selection: the keyboard rectangle, else the drag's.
    [[nodiscard]] std::optional<QRectF> selection() const;
    [[nodiscard]] bool isDragging() const { return m_dragging; }
    [[nodiscard]] double dashPhase() const { return m_dashPhase; }
    [[nodiscard]] bool isMarching() const { return m_marchTimer.isActive(); }
    // What the accessibility value says.
    [[nodiscard]] QString accessibleValue() const;

    static QString accessibleLabelText();
    static QString accessibleHelpText();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void cancel();
    void handleArrow(int key, Qt::KeyboardModifiers modifiers);
    void confirmKeyboardSelection();
    void startMarchTimer();
    void stopMarchTimer();
    void marchTick();
    void announce(const QString& text);
    void selectionChanged();

    void paintSelection(QPainter& painter, const QRectF& selection) const;
    void paintCornerHandles(QPainter& painter, const QRectF& selection) const;
    void paintSizeBadge(QPainter& painter, const QRectF& selection) const;
    void paintInstructions(QPainter& painter) const;

    Scheduler& m_scheduler;
    Announcer& m_announcer;
    bool m_reduceMotion;
    OnSelect m_onSelect;
    KeyView* m_keyView;
    OverlayBackdrop m_backdrop = OverlayBackdrop::translucent();

    std::optional<QPointF> m_startPoint;
    std::optional<QPointF> m_endPoint;
    bool m_dragging = false;
    // When present it wins over the drag points.
    std::optional<QRectF> m_keyboardRect;
    TimerHandle m_marchTimer;
    double m_dashPhase = 0;
};

} // namespace kinetta
