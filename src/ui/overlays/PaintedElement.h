#pragma once

#include <QAccessible>
#include <QWidget>
#include <functional>

namespace kinetta
{

// A piece of an overlay drawn by a function, shown to screen readers as one
// element with a role of its own (static text, a progress bar) and the
// accessible name set on it. Mouse events pass through to what lies behind.
class PaintedElement final : public QWidget
{
    Q_OBJECT

public:
    using Painter = std::function<void(QPainter&, const QRectF&)>;

    PaintedElement(QAccessible::Role role, Painter painter, QWidget* parent = nullptr);

    [[nodiscard]] QAccessible::Role accessibleRole() const { return m_role; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QAccessible::Role m_role;
    Painter m_painter;
};

} // namespace kinetta
