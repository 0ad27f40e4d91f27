#pragma once

#include "app/FlowServices.h"
#include "app/GifDelivery.h"

namespace kinetta
{

// Auto-copy delivery of the desktop program: the system clipboard and the
// user's Downloads folder.
class DesktopDelivery final : public FlowDelivery
{
public:
    [[nodiscard]] qint64 clipboardByteLimit() const override
    {
        return GifDelivery::clipboardByteLimit;
    }
    [[nodiscard]] bool copyToClipboard(const QByteArray& gif) override
    {
        return GifDelivery::copyToClipboard(gif);
    }
    void pruneClipboardCache() override { GifDelivery::pruneClipboardCache(); }
    [[nodiscard]] std::optional<QString> saveToDownloads(const QByteArray& gif) override
    {
        return GifDelivery::saveToDownloads(gif);
    }
    [[nodiscard]] QString formattedSize(const QByteArray& gif) const override
    {
        return GifDelivery::formattedSize(gif);
    }
};

} // namespace kinetta
