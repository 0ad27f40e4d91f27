#pragma once

#include "ui/selection/WindowGridNavigation.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace kinetta
{

// Takes the picker's keys (Escape, Return, Enter and the arrows) before the
// focused widget sees them, so the arrows move the grid's focus even while the
// search field has it and never its caret; every other key reaches the field.
// Watches the whole application but only takes keys meant for a widget in the
// scope's window while the scope is visible. Main thread only.
class WindowGridKeyFilter final : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(GridKey key)>;

    WindowGridKeyFilter(QWidget* scope, Handler handler);
    ~WindowGridKeyFilter() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_scope;
    Handler m_handler;
};

} // namespace kinetta
