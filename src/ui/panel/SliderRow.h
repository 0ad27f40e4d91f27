#pragma once

#include <QAbstractSlider>
#include <QString>
#include <QWidget>
#include <functional>

namespace kinetta
{

using ValueFormat = std::function<QString(double)>;

// A slider over a closed range of real values in even steps, its track filled
// with the brand gradient up to the knob. Screen readers see a slider named
// by its row's title whose value is the formatted text.
class GradientSlider final : public QAbstractSlider
{
    Q_OBJECT

public:
    GradientSlider(double minimum, double maximum, double step, ValueFormat format,
                   QWidget* parent = nullptr);

    // The value, held to the range and to the nearest step.
    void setRealValue(double value);
    [[nodiscard]] double realValue() const;
    [[nodiscard]] double realMinimum() const { return m_minimum; }
    [[nodiscard]] double realMaximum() const { return m_maximum; }
    [[nodiscard]] double realStep() const { return m_step; }
    [[nodiscard]] QString valueText() const { return m_format(realValue()); }

    [[nodiscard]] QSize sizeHint() const override;

Q_SIGNALS:
    // The user moved it (not setRealValue).
    void realValueEdited(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] QRectF trackRect() const;
    [[nodiscard]] int stepAt(qreal x) const;

    double m_minimum;
    double m_maximum;
    double m_step;
    ValueFormat m_format;
    bool m_settingFromModel = false;
};

// A titled slider: a line with the symbol, the title and the value text, the
// slider under it.
class SliderRow final : public QWidget
{
    Q_OBJECT

public:
    SliderRow(QString title, QString symbol, double minimum, double maximum, double step,
              ValueFormat format, QWidget* parent = nullptr);

    void setValue(double value);
    [[nodiscard]] double value() const { return m_slider->realValue(); }
    [[nodiscard]] GradientSlider* slider() const { return m_slider; }
    [[nodiscard]] const QString& title() const { return m_title; }

    [[nodiscard]] QSize sizeHint() const override;

Q_SIGNALS:
    void valueEdited(double value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QString m_symbol;
    GradientSlider* m_slider;
};

} // namespace kinetta
