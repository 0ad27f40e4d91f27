#include "model/DesktopSession.h"

#include <QtGlobal>

namespace kinetta
{

SessionEnvironment SessionEnvironment::fromProcess()
{
    return {qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"), qgetenv("DISPLAY"),
            qgetenv("QT_QPA_PLATFORM")};
}

bool isWaylandSession(const SessionEnvironment& environment)
{
    return !environment.waylandDisplay.isEmpty() ||
           environment.sessionType.compare("wayland", Qt::CaseInsensitive) == 0;
}

bool isWaylandSession()
{
    return isWaylandSession(SessionEnvironment::fromProcess());
}

} // namespace kinetta
