#pragma once

#include <QAbstractButton>
#include <QColor>

namespace kinetta
{

// A borderless button that is only its text, drawn in one colour and weight
// whatever the desktop theme says; dimmed while pressed. A checkable one is a
// chip: white on a half-purple rounded backdrop when checked, faint otherwise.
class TextButton final : public QAbstractButton
{
    Q_OBJECT

public:
    TextButton(const QString& text, int pixelSize, QFont::Weight weight, QColor colour,
               QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour;
};

} // namespace kinetta
