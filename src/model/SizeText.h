#pragma once

#include <QString>

namespace kinetta
{

// The one way a size is shown: whole kilobytes ("1023 KB"), or from 1 MiB on
// megabytes with one decimal computed from the whole kilobytes ("1.5 MB").
[[nodiscard]] QString formattedSize(qint64 byteCount);

} // namespace kinetta
