#include "app/RecordingFlow.h"

#include "capture/ScreenRecorder.h"
#include "gif/GifEncoder.h"
#include "model/RecordingSession.h"

#include <QLoggingCategory>
#include <QPointer>
#include <algorithm>
#include <utility>

namespace kinetta
{
namespace
{

Q_LOGGING_CATEGORY(lcFlow, "kinetta.flow")

} // namespace

RecordingFlow::RecordingFlow(Services services, QObject* parent)
    : QObject(parent), m_session(services.session), m_scheduler(services.scheduler),
      m_port(services.port), m_recorder(services.recorder), m_encoder(services.encoder),
      m_delivery(services.delivery)
{
    // The status icon follows the recording flag from the start; the
    // recording popover has nothing to show once a recording has ended.
    connect(&m_session, &RecordingSession::isRecordingChanged, this, [this](bool recording) {
        m_port.updateStatusIcon(recording);
        if (!recording)
            m_port.closeRecordingPopover();
    });
    m_port.updateStatusIcon(m_session.isRecording());
    if (!m_session.isRecording())
        m_port.closeRecordingPopover();

    QPointer<RecordingFlow> self(this);
    m_recorder.setStreamErrorHandler([self](const QString& description) {
        if (self)
            self->handleStreamError(description);
    });
}

RecordingFlow::~RecordingFlow()
{
    m_recorder.setStreamErrorHandler({});
    // Nobody is left to deliver what the encodes would produce.
    for (const PendingEncode& encode : m_encodes)
        encode.job->cancel();
}

QString RecordingFlow::countdownStartText(std::int64_t seconds)
{
    return QStringLiteral("Recording starts in %1 %2.")
        .arg(seconds)
        .arg(seconds == 1 ? QStringLiteral("second") : QStringLiteral("seconds"));
}

QString RecordingFlow::startFailedText(const QString& errorDescription)
{
    const qsizetype lineEnd = errorDescription.indexOf(QLatin1Char('\n'));
    return QStringLiteral("Recording failed: ") +
           (lineEnd < 0 ? errorDescription : errorDescription.left(lineEnd));
}

QString RecordingFlow::noScreenText()
{
    return QStringLiteral("No screen is connected, so there is nothing to record.");
}

QString RecordingFlow::stoppedText(std::size_t frameCount)
{
    return QStringLiteral("Recording stopped. %1 frames captured.")
        .arg(static_cast<qulonglong>(frameCount));
}

void RecordingFlow::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    Q_EMIT phaseChanged(phase);
}

std::optional<QString> RecordingFlow::checkSettings()
{
    for (const QString& held : m_session.holdStoredSettingsToControlRanges())
        qCWarning(lcFlow).noquote() << held;
    if (const auto recordable = ScreenRecorder::checkSettings(m_session.fps(), m_session.scale());
        !recordable.ok())
        return recordable.message();
    // The encode comes after the recording; a loop count it refuses must not
    // cost the user a recording.
    const gif::GifEncoder::Options options(m_session.fps(), m_session.loopCount());
    if (const Status<> checked = gif::GifEncoder::checkOptions(options); !checked.ok())
        return QStringLiteral("These settings cannot make a GIF: %1.")
            .arg(QString::fromStdString(checked.message()));
    return std::nullopt;
}

void RecordingFlow::failStart(const QString& message)
{
    m_session.setErrorMessage(message);
    announce(startFailedText(message), AnnouncementTopic::failure);
    m_port.showControlPanel();
    setPhase(Phase::idle);
}

void RecordingFlow::announce(const QString& text, AnnouncementTopic topic)
{
    m_port.announce(Announcement{text, topic, Announcement::outcomePriority});
}

void RecordingFlow::showToast(const Toast& toast)
{
    m_port.showToast(toast);
    m_encodingToastShown = toast.kind == ToastKind::encoding;
    // Every toast is spoken as well.
    announce(toast.message, toast.kind == ToastKind::encoding ? AnnouncementTopic::recording
                                                              : AnnouncementTopic::delivery);
}

void RecordingFlow::initiateRecording()
{
    if (m_phase != Phase::idle)
        return;
    if (m_session.captureMode() == CaptureMode::area) {
        if (!m_port.showAreaOverlay()) {
            failStart(noScreenText());
            return;
        }
        announce(QStringLiteral("Area selector open. Drag to define a recording area, or press "
                                "Escape to cancel."),
                 AnnouncementTopic::recording);
        return;
    }
    if (m_session.captureMode() == CaptureMode::window && m_port.showWindowChooser())
        return;
    // A window must have been chosen beforehand; the recorder reports a missing one.
    beginRecording(std::nullopt);
}

void RecordingFlow::beginRecording(std::optional<QRectF> rect,
                                   std::optional<ScreenPlacement> screen)
{
    // A second start while one is under way would run two countdowns or
    // restart a running capture and lose its frames.
    if (m_phase != Phase::idle)
        return;
    if (auto problem = checkSettings()) {
        failStart(*problem);
        return;
    }
    m_requestedRect = rect;
    m_requestedScreen = rect ? screen : std::nullopt;
    if (!m_session.useCountdown()) {
        startRecorder();
        return;
    }
    setPhase(Phase::countingDown);
    m_session.setIsCountingDown(true);
    m_session.setCancelCountdown(false);
    m_port.showCountdownOverlay();
    const std::int64_t seconds = m_session.countdownSeconds();
    announce(countdownStartText(seconds), AnnouncementTopic::countdown);
    m_port.installEscapeMonitor();
    if (seconds <= 0)
        finishCountdown(false);
    else
        showCountdownValue(seconds, true);
}

void RecordingFlow::showCountdownValue(std::int64_t value, bool first)
{
    m_session.setCountdownValue(value);
    m_port.updateStatusCountdown(value);
    if (!first)
        announce(QString::number(value), AnnouncementTopic::countdown);
    m_countdownTimer = m_scheduler.singleShot(countdownStep, [this, value] {
        if (m_session.cancelCountdown())
            finishCountdown(true);
        else if (value > 1)
            showCountdownValue(value - 1, false);
        else
            finishCountdown(false);
    });
}

void RecordingFlow::finishCountdown(bool cancelled)
{
    m_port.removeEscapeMonitor();
    m_session.setCountdownValue(std::nullopt);
    m_session.setIsCountingDown(false);
    m_port.updateStatusCountdown(std::nullopt);
    m_port.hideCountdownOverlay();
    m_session.setCancelCountdown(false);
    if (cancelled) {
        m_countdownTimer.cancel();
        announce(QStringLiteral("Recording cancelled."), AnnouncementTopic::countdown);
        setPhase(Phase::idle);
        return;
    }
    setPhase(Phase::starting);
    m_countdownTimer = m_scheduler.singleShot(startPause, [this] { startRecorder(); });
}

void RecordingFlow::startRecorder()
{
    setPhase(Phase::starting);
    m_pendingStreamError.reset();
    RecorderRequest request;
    request.mode = m_session.captureMode();
    request.fps = m_session.fps();
    request.scale = m_session.scale();
    if (const auto& window = m_session.selectedWindow())
        request.selectedWindowID = window->windowID;
    // The area and the screen it was drawn on go together.
    if (m_requestedRect) {
        request.selectedRect = m_requestedRect;
        request.selectedScreen = m_requestedScreen;
    } else {
        request.selectedRect = m_session.selectedRect();
        request.selectedScreen = m_session.selectedScreen();
    }
    request.showCursor = m_session.showCursor();
    QPointer<RecordingFlow> self(this);
    m_recorder.start(request, [self](std::optional<QString> error) {
        if (self)
            self->recorderStarted(error);
    });
}

void RecordingFlow::recorderStarted(const std::optional<QString>& error)
{
    if (m_phase != Phase::starting)
        return;
    if (error) {
        failStart(*error);
        return;
    }
    ++m_generation;
    // An earlier recording's encode may still run; its progress toast no
    // longer describes what is going on.
    if (m_encodingToastShown) {
        m_port.hideToast();
        m_encodingToastShown = false;
    }
    m_session.setIsRecording(true);
    m_session.setRecordingSeconds(0);
    // In the recording phase from here: a stop request on the change signal
    // below already finds the timer running and the state in place.
    m_phase = Phase::recording;
    startRecordingTimer();
    announce(QStringLiteral("Recording started. ") + m_port.stopInstruction(),
             AnnouncementTopic::recording);
    Q_EMIT phaseChanged(Phase::recording);
    if (const std::optional<QString> ended = std::exchange(m_pendingStreamError, std::nullopt))
        handleStreamError(*ended);
}

void RecordingFlow::startRecordingTimer()
{
    m_recordingTimer = m_scheduler.repeating(recordingTick, [this] { recordingTicked(); });
}

void RecordingFlow::recordingTicked()
{
    if (m_phase != Phase::recording)
        return;
    const qint64 seconds = m_session.recordingSeconds() + 1;
    m_session.setRecordingSeconds(seconds);
    if (!m_port.isRecordingPopoverShown())
        m_port.updateStatusTitle(seconds);
    if (m_session.useAutoStop() && m_session.autoStopSeconds() <= seconds)
        stopRecording();
}

void RecordingFlow::stopRecording()
{
    stopRecorder(false);
}

void RecordingFlow::discardRecording()
{
    stopRecorder(true);
}

void RecordingFlow::stopRecorder(bool discard)
{
    // A stop that is already waiting for the recorder owns the frames; a
    // second stop or discard would get an empty list and overwrite them.
    if (m_phase != Phase::recording)
        return;
    m_recordingTimer.cancel();
    m_discarding = discard;
    setPhase(Phase::stopping);
    QPointer<RecordingFlow> self(this);
    m_recorder.stop([self](RecordedFrames recording) {
        if (self)
            self->recorderStopped(std::move(recording));
    });
}

void RecordingFlow::recorderStopped(RecordedFrames recording)
{
    if (m_phase != Phase::stopping)
        return;
    m_session.setIsRecording(false);
    if (m_discarding) {
        m_discarding = false;
        m_session.setCapturedFrames({});
        announce(QStringLiteral("Recording discarded."), AnnouncementTopic::recording);
        setPhase(Phase::idle);
        return;
    }
    // Repeated frames are frames of the recording: each holds its slot.
    const std::size_t count = recording.frames.size();
    m_session.setCapturedFrames(std::move(recording.frames));
    announce(stoppedText(count), AnnouncementTopic::recording);
    if (recording.repeatedFrames > 0)
        Q_EMIT framesRepeated(recording.repeatedFrames);
    const FrameList& kept = m_session.capturedFrames();
    // Encoding is under way before anyone watching the phase sees idle.
    if (m_session.autoCopy() && !kept.empty())
        startAutoCopy(kept);
    setPhase(Phase::idle);
    if (!m_session.autoCopy() && !kept.empty())
        m_port.showPreviewWindow();
}

void RecordingFlow::handleStreamError(const QString& description)
{
    // The stream can end before the recorder's start has come back to us; the
    // recording it belongs to is stopped as soon as it is under way.
    if (m_phase == Phase::starting) {
        m_pendingStreamError = description;
        return;
    }
    // While idle (or already stopping) there is no recording for it to end.
    if (m_phase != Phase::recording)
        return;
    stopRecording();
    m_session.setErrorMessage(QStringLiteral("Recording stopped: ") + description);
}

void RecordingFlow::cancelCountdown()
{
    m_session.setCancelCountdown(true);
}

void RecordingFlow::recordScreen()
{
    if (m_session.isRecording() || m_session.isCountingDown())
        return;
    m_session.setCaptureMode(CaptureMode::fullScreen);
    m_port.closeControlPanel();
    initiateRecording();
}

void RecordingFlow::recordWindow()
{
    if (m_session.isRecording() || m_session.isCountingDown())
        return;
    m_session.setCaptureMode(CaptureMode::window);
    m_port.showWindowPicker();
}

void RecordingFlow::recordArea()
{
    if (m_session.isRecording() || m_session.isCountingDown())
        return;
    m_session.setCaptureMode(CaptureMode::area);
    m_port.closeControlPanel();
    initiateRecording();
}

void RecordingFlow::stopFromMenu()
{
    if (m_session.isRecording())
        stopRecording();
}

void RecordingFlow::discardFromMenu()
{
    if (!m_session.isRecording())
        return;
    m_port.closeRecordingPopover();
    discardRecording();
}

void RecordingFlow::cancelCountdownFromMenu()
{
    cancelCountdown();
}

void RecordingFlow::recordAgainFromMenu()
{
    // During a countdown the new start would be ignored, and the preview's
    // frames must not be thrown away for nothing.
    if (m_session.isRecording() || m_phase != Phase::idle)
        return;
    m_port.closePreviewWindow();
    m_session.setCapturedFrames({});
    initiateRecording();
}

void RecordingFlow::stopFromPopover()
{
    m_port.closeRecordingPopover();
    stopRecording();
}

void RecordingFlow::discardFromPopover()
{
    m_port.closeRecordingPopover();
    discardRecording();
}

} // namespace kinetta
