#pragma once

#include "app/AtomicFileWriter.h"
#include "app/FlowServices.h"
#include "model/PrivateFolder.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace kinetta::cli
{

// Auto-copy delivery for the command line: the output file takes the
// clipboard's place (with no size limit). When it cannot be written, the GIF
// goes to the first fallback folder that takes it (the Downloads folder, the
// private cache folder, the runtime folder), so a recording is lost only when
// nowhere at all can be written. Answers before each call returns.
class OutputFileDelivery final : public FlowDelivery
{
public:
    // A folder to try when the output fails: found when needed, or why not.
    using Fallback = std::function<PrivateFolder::Result()>;

    // Downloads, then the private cache folder, then the runtime folder.
    [[nodiscard]] static std::vector<Fallback> standardFallbacks();
    // A fallback that is always the given folder.
    [[nodiscard]] static Fallback folder(const QString& path);

    explicit OutputFileDelivery(QString outputPath,
                                std::vector<Fallback> fallbacks = standardFallbacks(),
                                FileWriter& writer = AtomicFileWriter::instance());

    [[nodiscard]] qint64 clipboardByteLimit() const override;
    void copyToClipboard(const QByteArray& gif, CopyDone done) override;
    void pruneClipboardCache() override {}
    void saveToDownloads(const QByteArray& gif, SaveDone done) override;
    [[nodiscard]] QString formattedSize(const QByteArray& gif) const override;

    [[nodiscard]] const QString& outputPath() const { return m_outputPath; }
    // Why each place tried and failed could not take the GIF, in the order tried.
    [[nodiscard]] const QStringList& failures() const { return m_failures; }

private:
    QString m_outputPath;
    std::vector<Fallback> m_fallbacks;
    FileWriter& m_writer;
    QStringList m_failures;
};

} // namespace kinetta::cli
