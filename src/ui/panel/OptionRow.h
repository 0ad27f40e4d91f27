#pragma once

#include <QWidget>

class QHBoxLayout;

namespace kinetta
{

// The rounded card that holds one option: its parts in one line, spacing 8,
// on the panel surface with a 1-point border.
class OptionRow final : public QWidget
{
    Q_OBJECT

public:
    explicit OptionRow(QWidget* parent = nullptr);

    // Adds a part at the end of the line; stretch pushes later parts to the
    // trailing end.
    void addPart(QWidget* part);
    void addStretch();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* m_layout;
};

} // namespace kinetta
