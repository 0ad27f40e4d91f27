#include "cli/OutputFileDelivery.h"

#include "app/GifDelivery.h"
#include "model/SizeText.h"

#include <QDir>
#include <limits>

namespace kinetta::cli
{

std::vector<OutputFileDelivery::Fallback> OutputFileDelivery::standardFallbacks()
{
    const Fallback downloads = [] {
        const std::optional<QString> found = GifDelivery::downloadsFolder();
        return found ? PrivateFolder::Result{*found}
                     : PrivateFolder::Result{Failure{QStringLiteral("there is no Downloads folder")}};
    };
    return {downloads, &PrivateFolder::cacheRoot, &PrivateFolder::runtimeRoot};
}

OutputFileDelivery::Fallback OutputFileDelivery::folder(const QString& path)
{
    return [path] { return PrivateFolder::Result{path}; };
}

OutputFileDelivery::OutputFileDelivery(QString outputPath, std::vector<Fallback> fallbacks,
                                       FileWriter& writer)
    : m_outputPath(std::move(outputPath)), m_fallbacks(std::move(fallbacks)), m_writer(writer)
{
}

qint64 OutputFileDelivery::clipboardByteLimit() const
{
    return std::numeric_limits<qint64>::max();
}

void OutputFileDelivery::copyToClipboard(const QByteArray& gif, CopyDone done)
{
    const std::optional<QString> error = m_writer.write(m_outputPath, gif);
    if (error)
        m_failures << *error;
    done(!error);
}

void OutputFileDelivery::saveToDownloads(const QByteArray& gif, SaveDone done)
{
    for (const Fallback& fallback : m_fallbacks) {
        const PrivateFolder::Result found = fallback();
        if (!found.ok()) {
            m_failures << found.message();
            continue;
        }
        const QString file = QDir(*found).filePath(GifDelivery::timestampedName());
        if (const std::optional<QString> error = m_writer.write(file, gif)) {
            m_failures << *error;
            continue;
        }
        done(file);
        return;
    }
    done(std::nullopt);
}

QString OutputFileDelivery::formattedSize(const QByteArray& gif) const
{
    return kinetta::formattedSize(gif.size());
}

} // namespace kinetta::cli
