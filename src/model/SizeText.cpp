#include "model/SizeText.h"

namespace kinetta
{

QString formattedSize(qint64 byteCount)
{
    const qint64 kb = byteCount / 1024;
    if (byteCount > 1048575)
        return QString::asprintf("%.1f MB", static_cast<double>(kb) * (1.0 / 1024.0));
    return QString::number(kb) + QStringLiteral(" KB");
}

} // namespace kinetta
