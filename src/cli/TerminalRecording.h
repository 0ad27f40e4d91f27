#pragma once

#include "app/RecordingFlow.h"
#include "cli/OutputFileDelivery.h"
#include "cli/TerminalFlowPort.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace kinetta
{
class CaptureSource;
}

namespace kinetta::cli
{

// One `kinetta record` run through the recording flow, with the output file
// in the clipboard's place and fallback folders in the Downloads folder's.
// Interrupts (Ctrl-C, a termination request) step it along: during the
// countdown they cancel it, while recording they stop and save, and a second
// one while the GIF is being made gives up without leaving a file. The
// session must have auto-copy on.
class TerminalRecording final : public QObject
{
    Q_OBJECT

public:
    static constexpr int interruptedStatus = 130;

    struct Services {
        RecordingSession& session;
        Scheduler& scheduler;
        FlowRecorder& recorder;
        FlowEncoder& encoder;
    };
    using Printer = TerminalFlowPort::Printer;

    // fallbacks and writer: where the GIF goes when the output cannot be
    // written, and what writes the files.
    TerminalRecording(Services services, QString outputPath, Printer print,
                      std::vector<OutputFileDelivery::Fallback> fallbacks =
                          OutputFileDelivery::standardFallbacks(),
                      FileWriter& writer = AtomicFileWriter::instance(), QObject* parent = nullptr);

    void start();
    void interrupt();
    // How small the GIF is to be; its passes and outcome are printed.
    void setEncodeTarget(EncodeTarget target) { m_flow.setEncodeTarget(target); }

    [[nodiscard]] bool isFinished() const { return m_exitStatus.has_value(); }
    [[nodiscard]] std::optional<int> exitStatus() const { return m_exitStatus; }
    [[nodiscard]] const RecordingFlow& flow() const { return m_flow; }

    // The line printed after the stop when frames had to be repeated.
    [[nodiscard]] static QString repeatedText(std::size_t count);

Q_SIGNALS:
    void finished(int exitStatus);

private:
    void phaseChanged(RecordingFlow::Phase phase);
    void autoCopyFinished(RecordingFlow::AutoCopyResult result, const QString& location);
    void printFailures();
    void finish(int status);

    RecordingSession& m_session;
    Printer m_print;
    TerminalFlowPort m_port;
    OutputFileDelivery m_delivery;
    RecordingFlow m_flow;
    RecordingFlow::Phase m_lastPhase = RecordingFlow::Phase::idle;
    bool m_stopWhenStarted = false;
    bool m_abortEncoding = false;
    std::optional<int> m_exitStatus;
};

// Runs one recording of the session's target on the given capture platform
// into outputPath, printing on stderr, until it is written, cancelled or has
// failed; Ctrl-C and SIGTERM interrupt it. Needs a QCoreApplication; returns
// the command's exit status.
[[nodiscard]] int runTerminalRecording(RecordingSession& session,
                                       std::shared_ptr<CaptureSource> source,
                                       const QString& outputPath, EncodeTarget target = {});

} // namespace kinetta::cli
