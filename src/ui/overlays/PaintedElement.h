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
    // For a progress bar: the value screen readers report, from 0 to maximum.
    void setAccessibleValue(double value, double maximum);
    [[nodiscard]] bool hasAccessibleValue() const { return m_maximum > 0; }
    [[nodiscard]] double accessibleValue() const { return m_value; }
    [[nodiscard]] double accessibleMaximum() const { return m_maximum; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QAccessible::Role m_role;
    Painter m_painter;
    double m_value = 0;
    double m_maximum = 0;
};

} // namespace kinetta
