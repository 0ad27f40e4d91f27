#pragma once

#include "app/PermissionsService.h"

namespace kinetta
{

class SingleInstance;

// The permissions service's actions for a program that holds the single
// instance: before a relaunch ("Reset & Relaunch", the error banner's
// "Relaunch") the instance is released, so that the new process becomes the
// running one instead of handing its start to this quitting one; and the new
// process is a bare start, since the desktop program takes no arguments but
// its one-time request (--toggle), which a relaunch must not repeat.
[[nodiscard]] PermissionsActions releasingInstanceOnRelaunch(PermissionsActions actions,
                                                             SingleInstance& instance);

} // namespace kinetta
