#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <vector>

namespace kinetta
{

// One loop choice ("∞", "1×", "3×", "5×"), on the brand gradient when it is
// the stored count. Screen readers see a selectable button.
class LoopButton final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit LoopButton(qint64 count, QWidget* parent = nullptr);

    [[nodiscard]] qint64 count() const { return m_count; }
    void setSelected(bool selected);
    [[nodiscard]] bool isSelected() const { return m_selected; }
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qint64 m_count;
    bool m_selected = false;
};

// The four loop choices in a row. A stored count that no choice offers
// selects none, and stays stored until the user picks one.
class LoopCountRow final : public QWidget
{
    Q_OBJECT

public:
    explicit LoopCountRow(QWidget* parent = nullptr);

    void setLoopCount(qint64 count);
    [[nodiscard]] const std::vector<LoopButton*>& buttons() const { return m_buttons; }

Q_SIGNALS:
    void loopCountChosen(qint64 count);

private:
    std::vector<LoopButton*> m_buttons;
};

} // namespace kinetta
