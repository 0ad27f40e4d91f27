#include "capture/Compositing.h"

#ifdef KINETTA_HAVE_X11
#include "capture/x11/X11Compositing.h"
#endif

#include <QByteArray>

namespace kinetta
{

bool compositingManagerRunning(const std::string& displayName)
{
    if (qgetenv("KINETTA_CAPTURE") == "null")
        return false;
#ifdef KINETTA_HAVE_X11
    return x11::compositingManagerRunning(displayName);
#else
    static_cast<void>(displayName);
    return false;
#endif
}

} // namespace kinetta
