#include "app/shell/RelaunchActions.h"

#include "app/shell/SingleInstance.h"

#include <QPointer>

namespace kinetta
{

PermissionsActions releasingInstanceOnRelaunch(PermissionsActions actions, SingleInstance& instance)
{
    actions.beforeRelaunch = [before = std::move(actions.beforeRelaunch),
                              instance = QPointer<SingleInstance>(&instance)] {
        if (before)
            before();
        if (instance)
            instance->release();
    };
    actions.startDetached = [start = std::move(actions.startDetached)](const QString& program,
                                                                       const QStringList&) {
        return start(program, QStringList());
    };
    return actions;
}

} // namespace kinetta
