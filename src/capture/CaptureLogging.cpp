#include "capture/CaptureLogging.h"

namespace kinetta
{

Q_LOGGING_CATEGORY(lcCapture, "kinetta.capture")

} // namespace kinetta
