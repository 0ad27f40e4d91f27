#pragma once

#include <QAbstractButton>
#include <functional>

namespace kinetta
{

// A button the overlays draw themselves. It stays a QAbstractButton, so Qt's
// accessibility gives it the push-button role, its press action and the
// name and description set on it; the drawing comes from outside.
class PaintedButton final : public QAbstractButton
{
    Q_OBJECT

public:
    struct Look {
        bool hovered = false;
        bool pressed = false;
    };
    using Painter = std::function<void(QPainter&, const QRectF&, const Look&)>;

    explicit PaintedButton(Painter painter, QWidget* parent = nullptr);

    // Drawn at this opacity (row transitions fade buttons in and out).
    void setOpacity(qreal opacity);
    [[nodiscard]] qreal opacity() const { return m_opacity; }

protected:
    // The painter draws in contentsRect() and may spill into the margins (a
    // shadow); only contentsRect() takes clicks.
    bool hitButton(const QPoint& position) const override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Painter m_painter;
    qreal m_opacity = 1.0;
    bool m_hovered = false;
};

} // namespace kinetta
