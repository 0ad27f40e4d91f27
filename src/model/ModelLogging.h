#pragma once

#include <QLoggingCategory>

namespace kinetta
{

// The frame store: compression, spilling and reading frames back.
Q_DECLARE_LOGGING_CATEGORY(lcStore)
// Stored preferences.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)

} // namespace kinetta
