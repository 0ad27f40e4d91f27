#pragma once

#include "app/FlowPort.h"

#include <QWidget>

namespace kinetta
{

// A short message next to the tray icon: its symbol in its colour, then the
// text, on a dark capsule. With a compositing manager the capsule floats on
// a translucent window with a soft shadow; without one the window is the
// capsule itself, filled opaque and cut to shape by a mask.
class ToastView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int padX = 16;
    static constexpr int padY = 10;
    static constexpr int symbolSide = 16;
    static constexpr int spacing = 8;
    static constexpr int shadowRadius = 12;

    ToastView(const Toast& toast, bool composited, QWidget* parent = nullptr);

    // As a top-level window: above others, never taking the focus, no
    // taskbar entry; movable by its background.
    void makeWindow();

    [[nodiscard]] const Toast& toast() const { return m_toast; }
    [[nodiscard]] bool composited() const { return m_composited; }
    // The capsule inside the widget (the rest is room for the shadow).
    [[nodiscard]] QRect capsuleRect() const;
    [[nodiscard]] QColor symbolColour() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] int margin() const;

    Toast m_toast;
    bool m_composited;
    QPoint m_dragOffset;
};

} // namespace kinetta
