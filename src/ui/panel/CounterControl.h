#pragma once

#include <QString>
#include <QWidget>

namespace kinetta
{

// A minus / value / plus stepper over a closed range of whole numbers. The
// steps stop at the bounds, and the button that would pass one is disabled.
// Screen readers see one adjustable element: named by its label, its value
// spoken with the unit ("1 second"), increased and decreased as the buttons do.
class CounterControl final : public QWidget
{
    Q_OBJECT

public:
    CounterControl(qint64 minimum, qint64 maximum, QString unit, qint64 step,
                   const QString& accessibleLabel, QWidget* parent = nullptr);

    void setValue(qint64 value);
    [[nodiscard]] qint64 value() const { return m_value; }
    [[nodiscard]] qint64 minimum() const { return m_minimum; }
    [[nodiscard]] qint64 maximum() const { return m_maximum; }
    [[nodiscard]] qint64 step() const { return m_step; }
    [[nodiscard]] bool canDecrement() const { return m_value > m_minimum; }
    [[nodiscard]] bool canIncrement() const { return m_value < m_maximum; }
    // As the buttons do; nothing at a bound.
    void decrement();
    void increment();

    // "3s", as shown.
    [[nodiscard]] QString valueText() const;
    // "3 seconds", as spoken.
    [[nodiscard]] QString spokenValue() const;

    [[nodiscard]] QRect minusRect() const;
    [[nodiscard]] QRect plusRect() const;
    [[nodiscard]] QSize sizeHint() const override;

Q_SIGNALS:
    // The user stepped it.
    void valueEdited(qint64 value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void edit(qint64 value);
    [[nodiscard]] int valueWidth() const;

    qint64 m_minimum;
    qint64 m_maximum;
    QString m_unit;
    qint64 m_step;
    qint64 m_value;
    enum class Part { none, minus, plus } m_pressed = Part::none;
};

} // namespace kinetta
