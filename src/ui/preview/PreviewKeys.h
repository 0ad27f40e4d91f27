#pragma once

#include <QObject>
#include <QPointer>
#include <Qt>
#include <functional>
#include <optional>

class QWidget;

namespace kinetta
{

// What a key does in the preview.
enum class PreviewKeyAction { togglePlayback, stepBackward, stepForward };

// Space plays or pauses, Left and Right step; nothing while a text field has
// the focus (the user is typing), and nothing with Ctrl, Alt or Meta held,
// which belong to other shortcuts.
[[nodiscard]] std::optional<PreviewKeyAction>
previewKeyAction(int key, Qt::KeyboardModifiers modifiers, bool textFieldFocused);

// Whether widget takes typed text (a line or text edit, a spin box, an
// editable combo box).
[[nodiscard]] bool isTextField(const QWidget* widget);

// Watches the application's key presses while window is the active window and
// hands the preview's keys to a callback, swallowing them; every other key
// goes on. Removing it (destroying it) stops the watch.
class PreviewKeyMonitor final : public QObject
{
    Q_OBJECT

public:
    PreviewKeyMonitor(QWidget* window, std::function<void(PreviewKeyAction)> onAction,
                      QObject* parent = nullptr);
    ~PreviewKeyMonitor() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    std::function<void(PreviewKeyAction)> m_onAction;
};

} // namespace kinetta
