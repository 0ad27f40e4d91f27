#pragma once

#include <QWidget>
#include <functional>

namespace kinetta
{

// An invisible child that turns Escape into a callback for the window it sits
// in: it takes the keyboard focus when its window is shown and swallows
// Escape; every other key goes on to its parent as usual. Overlays (the area
// selector, the countdown) place one behind their content.
class KeyView final : public QWidget
{
    Q_OBJECT

public:
    explicit KeyView(std::function<void()> onEscape, QWidget* parent = nullptr);

    void setOnEscape(std::function<void()> onEscape);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::function<void()> m_onEscape;
};

} // namespace kinetta
