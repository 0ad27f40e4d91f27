#include "cli/TerminalRecording.h"

#include "model/RecordingSession.h"
#include "model/SizeText.h"

#include <QFileInfo>

namespace kinetta::cli
{

TerminalRecording::TerminalRecording(Services services, QString outputPath, Printer print,
                                     std::vector<OutputFileDelivery::Fallback> fallbacks,
                                     FileWriter& writer, QObject* parent)
    : QObject(parent), m_session(services.session), m_print(std::move(print)), m_port(m_print),
      m_delivery(std::move(outputPath), std::move(fallbacks), writer),
      m_flow({services.session, services.scheduler, m_port, services.recorder, services.encoder,
              m_delivery})
{
    connect(&m_flow, &RecordingFlow::phaseChanged, this, &TerminalRecording::phaseChanged);
    connect(&m_flow, &RecordingFlow::autoCopyFinished, this, &TerminalRecording::autoCopyFinished);
    connect(&m_flow, &RecordingFlow::framesRepeated, this,
            [this](std::size_t count) { m_print(repeatedText(count)); });
    connect(&m_flow, &RecordingFlow::encodeReported, this,
            [this](const QString& line) { m_print(QStringLiteral("Encoding: ") + line); });
    connect(&m_session, &RecordingSession::errorMessageChanged, this,
            [this](const std::optional<QString>& message) {
                // A failed delivery is told place by place below, never as a copy.
                if (message && !isFinished() && m_delivery.failures().isEmpty())
                    m_print(QStringLiteral("kinetta: ") + *message);
            });
}

QString TerminalRecording::repeatedText(std::size_t count)
{
    return QStringLiteral("%1 %2 repeated: the machine could not keep up.")
        .arg(static_cast<qulonglong>(count))
        .arg(count == 1 ? QStringLiteral("frame") : QStringLiteral("frames"));
}

void TerminalRecording::start()
{
    // The area, if any, is already the session's; there is no overlay to draw one.
    m_flow.beginRecording();
    // Refused at once (settings that cannot be used); the error has been printed.
    if (m_flow.phase() == RecordingFlow::Phase::idle)
        finish(1);
}

void TerminalRecording::interrupt()
{
    if (isFinished())
        return;
    switch (m_flow.phase()) {
    case RecordingFlow::Phase::countingDown:
        m_flow.cancelCountdown();
        return;
    case RecordingFlow::Phase::starting:
        m_stopWhenStarted = true;
        return;
    case RecordingFlow::Phase::recording:
        m_flow.stopRecording();
        return;
    case RecordingFlow::Phase::stopping:
        // The frames are on their way; the encode they start is given up.
        m_abortEncoding = true;
        return;
    case RecordingFlow::Phase::idle:
        if (m_flow.isEncoding()) {
            m_abortEncoding = true;
            m_flow.abortEncoding();
        }
        return;
    }
}

void TerminalRecording::phaseChanged(RecordingFlow::Phase phase)
{
    const RecordingFlow::Phase previous = m_lastPhase;
    m_lastPhase = phase;
    if (phase == RecordingFlow::Phase::recording && m_stopWhenStarted) {
        m_flow.stopRecording();
        return;
    }
    if (phase != RecordingFlow::Phase::idle)
        return;
    switch (previous) {
    case RecordingFlow::Phase::countingDown:
        // Cancelled; the flow has said so.
        finish(interruptedStatus);
        return;
    case RecordingFlow::Phase::starting:
        // The start failed; the error has been printed.
        finish(1);
        return;
    case RecordingFlow::Phase::stopping:
        if (m_flow.isEncoding()) {
            if (m_abortEncoding)
                m_flow.abortEncoding();
            return;
        }
        m_print(QStringLiteral("kinetta: nothing was recorded; no file was written."));
        finish(1);
        return;
    case RecordingFlow::Phase::idle:
    case RecordingFlow::Phase::recording:
        return;
    }
}

void TerminalRecording::autoCopyFinished(RecordingFlow::AutoCopyResult result,
                                         const QString& location)
{
    switch (result) {
    case RecordingFlow::AutoCopyResult::copied:
        m_print(QStringLiteral("Wrote %1 (%2).")
                    .arg(m_delivery.outputPath(),
                         formattedSize(QFileInfo(m_delivery.outputPath()).size())));
        finish(0);
        return;
    case RecordingFlow::AutoCopyResult::savedToDownloads:
        printFailures();
        m_print(QStringLiteral("Saved the GIF to %1 instead.").arg(location));
        // Nothing recorded was lost.
        finish(0);
        return;
    case RecordingFlow::AutoCopyResult::failed:
        // Encoding failed (the flow's message has been printed) or nowhere
        // could be written; there is no editor to fall back to.
        printFailures();
        if (!m_delivery.failures().isEmpty())
            m_print(QStringLiteral("kinetta: the GIF could not be saved anywhere."));
        finish(1);
        return;
    case RecordingFlow::AutoCopyResult::cancelled:
        m_print(QStringLiteral("Stopped before the GIF was written; no file was written."));
        finish(interruptedStatus);
        return;
    case RecordingFlow::AutoCopyResult::superseded:
        // One recording per run: nothing can supersede it.
        return;
    }
}

void TerminalRecording::printFailures()
{
    for (const QString& failure : m_delivery.failures())
        m_print(QStringLiteral("kinetta: ") + failure);
}

void TerminalRecording::finish(int status)
{
    if (isFinished())
        return;
    m_exitStatus = status;
    Q_EMIT finished(status);
}

} // namespace kinetta::cli
