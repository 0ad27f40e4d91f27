#pragma once

#include "model/Scheduler.h"
#include "ui/selection/WindowPickerView.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

namespace kinetta
{

// The picker's own window and the shell's two calls around it. show() opens a
// fresh picker in a frameless, always-on-top 540 × 600 window, centred, with a
// taskbar entry while it is open; its corners are rounded by translucency
// under a compositing manager, else by a shape mask. Choosing a window stores
// it in the session, announces it and closes; cancelling closes. Each close
// shows the control panel again 0.12 seconds later.
class WindowPickerWindow final : public QObject
{
    Q_OBJECT

public:
    static constexpr Scheduler::Duration panelDelay{120};

    struct Services {
        WindowPickerView::Services view;
        // Shows the control panel (with its keyboard focus).
        std::function<void()> showControlPanel;
        // Whether a compositing manager runs (translucent corners possible).
        bool compositing = false;
    };

    explicit WindowPickerWindow(Services services, QObject* parent = nullptr);
    ~WindowPickerWindow() override;

    void show();
    void close();

    [[nodiscard]] bool isOpen() const;
    // The window, made on the first show() and kept afterwards.
    [[nodiscard]] QWidget* window() const { return m_window.get(); }
    // The picker shown now; none while closed.
    [[nodiscard]] WindowPickerView* view() const { return m_view; }

    // "Window selected: Terminal — ~." as the screen reader says it.
    [[nodiscard]] static QString selectedAnnouncement(const WindowInfo& window);

private:
    void choose(const WindowInfo& window);
    void makeWindow();

    Services m_services;
    std::unique_ptr<QWidget> m_window;
    QPointer<WindowPickerView> m_view;
    TimerHandle m_panelTimer;
};

} // namespace kinetta
