#pragma once

#include <QLoggingCategory>

namespace kinetta
{

// Screen capture and its platforms.
Q_DECLARE_LOGGING_CATEGORY(lcCapture)

} // namespace kinetta
