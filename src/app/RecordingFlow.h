#pragma once

#include "app/FlowPort.h"
#include "app/FlowServices.h"
#include "model/Scheduler.h"

#include <QObject>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kinetta
{

class RecordingSession;

// Drives one recording from the start request to the delivered GIF: capture
// target, countdown, recorder start and stop, the elapsed-time tick with its
// auto-stop, and the auto-copy delivery or the preview. It owns no widgets;
// everything shown goes through the port. The only writer of the session's
// recording state, apart from the cancel request. Main thread only.
class RecordingFlow final : public QObject
{
    Q_OBJECT

public:
    enum class Phase { idle, countingDown, starting, recording, stopping };
    Q_ENUM(Phase)

    enum class AutoCopyResult {
        copied,
        savedToDownloads,
        // Encoding or delivery failed; the preview holds the frames.
        failed,
        cancelled,
        // The encode of an earlier recording ended after a newer recording
        // began; it was kept out of the newer recording's way.
        superseded,
    };
    Q_ENUM(AutoCopyResult)

    static constexpr Scheduler::Duration countdownStep{1000};
    static constexpr Scheduler::Duration startPause{150};
    static constexpr Scheduler::Duration recordingTick{1000};

    struct Services {
        RecordingSession& session;
        Scheduler& scheduler;
        FlowPort& port;
        FlowRecorder& recorder;
        FlowEncoder& encoder;
        FlowDelivery& delivery;
    };

    explicit RecordingFlow(Services services, QObject* parent = nullptr);
    ~RecordingFlow() override;

    // Starts according to the session's capture mode: straight on for screen
    // and window, through the area overlay for an area.
    void initiateRecording();
    // Countdown (when enabled), then the recorder. The rectangle, when given,
    // is the area to record instead of the session's last one, in the points
    // of the screen it was drawn on (the first display when none is given).
    // Ignored unless idle. Settings that cannot be recorded or encoded fail
    // the start at once, before the countdown, as a recorder's refusal would.
    void beginRecording(std::optional<QRectF> rect = std::nullopt,
                        std::optional<ScreenPlacement> screen = std::nullopt);
    // Stops and delivers the frames. Ignored unless a recording runs and no
    // stop or discard is already waiting for the recorder.
    void stopRecording();
    // Stops and throws the frames away; ignored like stopRecording.
    void discardRecording();
    // Escape, the countdown overlay's cancel, the menu: takes effect at the
    // end of the second in progress.
    void cancelCountdown();
    // A running capture ended by itself.
    void handleStreamError(const QString& description);
    // A start that failed before the recorder was asked (the area's picture
    // could not be had): the message in the panel, spoken; idle again.
    void failStart(const QString& message);
    // Cancels the running auto-copy encodes; their frames stay in the session.
    void abortEncoding();
    // How small auto-copy encodes are to make the GIF; exact by default.
    void setEncodeTarget(EncodeTarget target) { m_encodeTarget = target; }

    // Menu and recording-popover entry points, each with its guard.
    void recordScreen();
    void recordWindow();
    void recordArea();
    void stopFromMenu();
    void discardFromMenu();
    void cancelCountdownFromMenu();
    void recordAgainFromMenu();
    void stopFromPopover();
    void discardFromPopover();

    [[nodiscard]] Phase phase() const { return m_phase; }
    [[nodiscard]] bool isEncoding() const { return !m_encodes.empty(); }

    // The announcement texts, exact.
    [[nodiscard]] static QString countdownStartText(std::int64_t seconds);
    [[nodiscard]] static QString startFailedText(const QString& errorDescription);
    [[nodiscard]] static QString stoppedText(std::size_t frameCount);
    // Why an area cannot be chosen when the system reports no screen.
    [[nodiscard]] static QString noScreenText();

Q_SIGNALS:
    void phaseChanged(kinetta::RecordingFlow::Phase phase);
    // An auto-copy encode ended and its result was handled; location is the
    // saved file for savedToDownloads (and for superseded, when it was saved).
    void autoCopyFinished(kinetta::RecordingFlow::AutoCopyResult result, const QString& location);
    // Right after the stop announcement: this many frames of the recording
    // repeat the one before, because their grab was missed (never 0).
    void framesRepeated(std::size_t count);
    // An auto-copy encode with a size target started a pass, or found the
    // quality that fits (EncodeRequest::report).
    void encodeReported(const QString& line);

private:
    struct PendingEncode {
        std::uint64_t id = 0;
        std::uint64_t generation = 0;
        std::shared_ptr<EncodeJob> job;
    };

    void setPhase(Phase phase);
    [[nodiscard]] std::optional<QString> checkSettings();
    void announce(const QString& text, AnnouncementTopic topic);
    void showToast(const Toast& toast);
    void showCountdownValue(std::int64_t value, bool first);
    void finishCountdown(bool cancelled);
    void startRecorder();
    void recorderStarted(const std::optional<QString>& error);
    void startRecordingTimer();
    void recordingTicked();
    void stopRecorder(bool discard);
    void recorderStopped(RecordedFrames recording);
    void startAutoCopy(const FrameList& frames);
    void encodeFinished(std::uint64_t id, EncodeOutcome outcome);
    void deliver(std::uint64_t generation, const QByteArray& gif);
    void copiedToClipboard(std::uint64_t generation, const QByteArray& gif);
    void saveToDownloads(std::uint64_t generation, const QByteArray& gif);
    void savedToDownloads(const QByteArray& gif, const std::optional<QString>& saved);
    void reportSuperseded(const std::optional<QByteArray>& gif,
                          const std::optional<QString>& saved);
    void failDelivery(const QString& message);

    RecordingSession& m_session;
    EncodeTarget m_encodeTarget;
    Scheduler& m_scheduler;
    FlowPort& m_port;
    FlowRecorder& m_recorder;
    FlowEncoder& m_encoder;
    FlowDelivery& m_delivery;

    Phase m_phase = Phase::idle;
    std::optional<QRectF> m_requestedRect;
    std::optional<ScreenPlacement> m_requestedScreen;
    // The stop waiting for the recorder throws its frames away.
    bool m_discarding = false;
    // A stream error that came while the recorder's start was on its way back.
    std::optional<QString> m_pendingStreamError;
    TimerHandle m_countdownTimer;
    TimerHandle m_recordingTimer;
    // Counts recordings that started; an encode belongs to the one it was made
    // for and must not deliver over a newer one.
    std::uint64_t m_generation = 0;
    std::uint64_t m_nextEncodeId = 0;
    std::vector<PendingEncode> m_encodes;
    bool m_encodingToastShown = false;
};

} // namespace kinetta
