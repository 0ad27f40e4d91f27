#include "ui/preview/PreviewKeys.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace kinetta
{

std::optional<PreviewKeyAction> previewKeyAction(int key, Qt::KeyboardModifiers modifiers,
                                                 bool textFieldFocused)
{
    if (textFieldFocused)
        return std::nullopt;
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    switch (key) {
    case Qt::Key_Space:
        return PreviewKeyAction::togglePlayback;
    case Qt::Key_Left:
        return PreviewKeyAction::stepBackward;
    case Qt::Key_Right:
        return PreviewKeyAction::stepForward;
    default:
        return std::nullopt;
    }
}

bool isTextField(const QWidget* widget)
{
    if (!widget)
        return false;
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    if (const auto* edit = qobject_cast<const QTextEdit*>(widget))
        return !edit->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return !plain->isReadOnly();
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

PreviewKeyMonitor::PreviewKeyMonitor(QWidget* window,
                                     std::function<void(PreviewKeyAction)> onAction,
                                     QObject* parent)
    : QObject(parent), m_window(window), m_onAction(std::move(onAction))
{
    qApp->installEventFilter(this);
}

PreviewKeyMonitor::~PreviewKeyMonitor()
{
    qApp->removeEventFilter(this);
}

bool PreviewKeyMonitor::eventFilter(QObject* watched, QEvent* event)
{
    // A key press reaches the filter once per object it is sent to; only the
    // first delivery, to the focused widget of the watched window, counts.
    if (event->type() != QEvent::KeyPress || !m_window || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    // Keys go to the active window only, so being in the preview's window
    // means the preview is the active one.
    if (widget->window() != m_window->window())
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const auto action =
        previewKeyAction(key->key(), key->modifiers(), isTextField(QApplication::focusWidget()));
    if (!action)
        return QObject::eventFilter(watched, event);
    m_onAction(*action);
    return true;
}

} // namespace kinetta
