#pragma once

#include "app/FlowServices.h"

#include <QString>
#include <optional>

namespace kinetta::cli
{

// Auto-copy delivery for the command line: the output file takes the
// clipboard's place (with no size limit), the Downloads folder stays the
// fallback when it cannot be written.
class OutputFileDelivery final : public FlowDelivery
{
public:
    // downloadsFolder: where the fallback goes; the user's Downloads folder when absent.
    explicit OutputFileDelivery(QString outputPath,
                                std::optional<QString> downloadsFolder = std::nullopt)
        : m_outputPath(std::move(outputPath)), m_downloadsFolder(std::move(downloadsFolder))
    {
    }

    [[nodiscard]] qint64 clipboardByteLimit() const override;
    [[nodiscard]] bool copyToClipboard(const QByteArray& gif) override;
    void pruneClipboardCache() override {}
    [[nodiscard]] std::optional<QString> saveToDownloads(const QByteArray& gif) override;
    [[nodiscard]] QString formattedSize(const QByteArray& gif) const override;

    [[nodiscard]] const QString& outputPath() const { return m_outputPath; }
    // Why the output file could not be written, once that was tried and failed.
    [[nodiscard]] const std::optional<QString>& writeError() const { return m_writeError; }

private:
    QString m_outputPath;
    std::optional<QString> m_downloadsFolder;
    std::optional<QString> m_writeError;
};

} // namespace kinetta::cli
