// The auto-copy half of the recording flow: encode off the main thread, then
// the clipboard, the Downloads folder or, failing both, the preview. The
// delivery answers later; an answer that comes after a newer recording began
// is reported as the earlier recording's.
#include "app/RecordingFlow.h"
#include "model/RecordingSession.h"

#include <QPointer>
#include <algorithm>

namespace kinetta
{
namespace
{

// The toasts' symbols; the encoding one in the brand purple, the done one in the system green.
const QString kEncodingIcon = QStringLiteral("gearshape.fill");
const QString kEncodingColour = QStringLiteral("7C3AED");
const QString kDoneIcon = QStringLiteral("checkmark.circle.fill");

} // namespace

void RecordingFlow::startAutoCopy(const FrameList& frames)
{
    EncodeRequest request;
    request.frames = frames;
    request.fps = m_session.fps();
    request.loopCount = m_session.loopCount();
    request.target = m_encodeTarget;
    QPointer<RecordingFlow> reporter(this);
    request.report = [reporter](const QString& line) {
        if (reporter)
            Q_EMIT reporter->encodeReported(line);
    };
    showToast(Toast{QStringLiteral("Encoding GIF…"), kEncodingIcon, kEncodingColour, false,
                    ToastKind::encoding});
    const std::uint64_t id = ++m_nextEncodeId;
    // Registered before the encoder may answer, so an answer is never unknown.
    m_encodes.push_back(PendingEncode{id, m_generation, nullptr});
    QPointer<RecordingFlow> self(this);
    auto job = m_encoder.encode(std::move(request), [self, id](EncodeOutcome outcome) {
        if (self)
            self->encodeFinished(id, std::move(outcome));
    });
    const auto pending =
        std::find_if(m_encodes.begin(), m_encodes.end(),
                     [id](const PendingEncode& encode) { return encode.id == id; });
    if (pending != m_encodes.end())
        pending->job = std::move(job);
}

void RecordingFlow::abortEncoding()
{
    for (const PendingEncode& encode : m_encodes) {
        if (encode.job)
            encode.job->cancel();
    }
}

void RecordingFlow::encodeFinished(std::uint64_t id, EncodeOutcome outcome)
{
    const auto pending =
        std::find_if(m_encodes.begin(), m_encodes.end(),
                     [id](const PendingEncode& encode) { return encode.id == id; });
    if (pending == m_encodes.end())
        return;
    const PendingEncode encode = *pending;
    m_encodes.erase(pending);

    if (encode.job && encode.job->isCancelled()) {
        // Asked for (the command line gives up); the frames stay in the session.
        if (encode.generation == m_generation && m_encodingToastShown) {
            m_port.hideToast();
            m_encodingToastShown = false;
        }
        Q_EMIT autoCopyFinished(AutoCopyResult::cancelled, {});
        return;
    }
    if (encode.generation != m_generation) {
        // Kept out of the newer recording's way, in the Downloads folder.
        if (outcome.gif)
            saveToDownloads(encode.generation, *outcome.gif);
        else
            reportSuperseded(std::nullopt, std::nullopt);
        return;
    }
    if (!outcome.gif) {
        failDelivery(outcome.error.isEmpty()
                         ? QStringLiteral("GIF encoding failed.")
                         : QStringLiteral("GIF encoding failed: %1.").arg(outcome.error));
        return;
    }
    deliver(encode.generation, *outcome.gif);
}

void RecordingFlow::deliver(std::uint64_t generation, const QByteArray& gif)
{
    const auto size = static_cast<qint64>(gif.size());
    if (size > m_delivery.clipboardByteLimit()) {
        saveToDownloads(generation, gif);
        return;
    }
    QPointer<RecordingFlow> self(this);
    m_delivery.copyToClipboard(gif, [self, generation, gif](bool copied) {
        if (!self)
            return;
        if (copied)
            self->copiedToClipboard(generation, gif);
        else
            self->saveToDownloads(generation, gif);
    });
}

void RecordingFlow::copiedToClipboard(std::uint64_t generation, const QByteArray& gif)
{
    m_delivery.pruneClipboardCache();
    const QString sizeText = m_delivery.formattedSize(gif);
    if (generation != m_generation) {
        // The copy was under way when a newer recording began: said, not shown.
        announce(QStringLiteral("GIF of the earlier recording copied to clipboard. ") + sizeText +
                     QLatin1Char('.'),
                 AnnouncementTopic::delivery);
        Q_EMIT autoCopyFinished(AutoCopyResult::superseded, {});
        return;
    }
    showToast(Toast{QStringLiteral("GIF copied to clipboard · ") + sizeText,
                    kDoneIcon,
                    {},
                    true,
                    ToastKind::copied});
    announce(QStringLiteral("GIF copied to clipboard. ") + sizeText + QLatin1Char('.'),
             AnnouncementTopic::delivery);
    Q_EMIT autoCopyFinished(AutoCopyResult::copied, {});
}

// Too large for the clipboard, or the copy failed: the Downloads folder.
void RecordingFlow::saveToDownloads(std::uint64_t generation, const QByteArray& gif)
{
    QPointer<RecordingFlow> self(this);
    m_delivery.saveToDownloads(gif, [self, generation, gif](std::optional<QString> saved) {
        if (!self)
            return;
        if (generation != self->m_generation)
            self->reportSuperseded(gif, saved);
        else
            self->savedToDownloads(gif, saved);
    });
}

void RecordingFlow::savedToDownloads(const QByteArray& gif, const std::optional<QString>& saved)
{
    if (!saved) {
        failDelivery(QStringLiteral("Couldn't copy or save the GIF."));
        return;
    }
    const QString sizeText = m_delivery.formattedSize(gif);
    showToast(Toast{QStringLiteral("Too big to copy (") + sizeText +
                        QStringLiteral(") — saved to Downloads"),
                    kDoneIcon,
                    {},
                    true,
                    ToastKind::savedToDownloads});
    announce(QStringLiteral("GIF too large for clipboard. Saved to Downloads. ") + sizeText +
                 QLatin1Char('.'),
             AnnouncementTopic::delivery);
    Q_EMIT autoCopyFinished(AutoCopyResult::savedToDownloads, *saved);
}

void RecordingFlow::failDelivery(const QString& message)
{
    if (m_encodingToastShown) {
        m_port.hideToast();
        m_encodingToastShown = false;
    }
    m_session.setErrorMessage(message);
    // The frames are still in the session; the editor lets the user keep them.
    m_port.showPreviewWindow();
    Q_EMIT autoCopyFinished(AutoCopyResult::failed, {});
}

void RecordingFlow::reportSuperseded(const std::optional<QByteArray>& gif,
                                     const std::optional<QString>& saved)
{
    // A newer recording has begun since: the clipboard, the toast, the error
    // banner and the preview belong to it now. The older GIF is still kept,
    // in the Downloads folder, and said so.
    if (gif && saved) {
        announce(QStringLiteral("GIF of the earlier recording saved to Downloads. ") +
                     m_delivery.formattedSize(*gif) + QLatin1Char('.'),
                 AnnouncementTopic::delivery);
    } else {
        announce(QStringLiteral("Couldn't save the GIF of the earlier recording."),
                 AnnouncementTopic::failure);
    }
    Q_EMIT autoCopyFinished(AutoCopyResult::superseded, saved.value_or(QString()));
}

} // namespace kinetta
