#include "cli/OutputFileDelivery.h"

#include "app/GifDelivery.h"

#include <limits>

namespace kinetta::cli
{

qint64 OutputFileDelivery::clipboardByteLimit() const
{
    return std::numeric_limits<qint64>::max();
}

bool OutputFileDelivery::copyToClipboard(const QByteArray& gif)
{
    // Written beside the target and renamed: never a truncated file under its name.
    m_writeError = GifDelivery::writeFile(m_outputPath, gif);
    return !m_writeError;
}

std::optional<QString> OutputFileDelivery::saveToDownloads(const QByteArray& gif)
{
    if (m_downloadsFolder)
        return GifDelivery::saveToFolder(gif, *m_downloadsFolder);
    return GifDelivery::saveToDownloads(gif);
}

QString OutputFileDelivery::formattedSize(const QByteArray& gif) const
{
    return GifDelivery::formattedSize(gif);
}

} // namespace kinetta::cli
