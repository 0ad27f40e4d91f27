#include "ui/preview/PreviewModel.h"

#include "model/RecordingSession.h"
#include "model/SizeText.h"
#include "ui/common/Announcer.h"

#include <QPointer>
#include <algorithm>

namespace kinetta
{

PreviewModel::PreviewModel(RecordingSession& session, Scheduler& scheduler, FlowEncoder& encoder,
                           Announcer& announcer, bool reduceMotion, QObject* parent)
    : QObject(parent), m_session(session), m_encoder(encoder), m_announcer(announcer),
      m_reduceMotion(reduceMotion), m_player(scheduler)
{
    connect(&session, &RecordingSession::capturedFramesChanged, this,
            &PreviewModel::sessionFramesReplaced);
}

PreviewModel::~PreviewModel()
{
    cancelEncode();
}

const std::array<SpeedOption, 3>& PreviewModel::speedOptions()
{
    static const std::array<SpeedOption, 3> options{{
        {0.5, QStringLiteral("½×")},
        {1.0, QStringLiteral("1×")},
        {2.0, QStringLiteral("2×")},
    }};
    return options;
}

const FrameList& PreviewModel::frames() const
{
    return m_session.capturedFrames();
}

int PreviewModel::frameCount() const
{
    return static_cast<int>(m_session.capturedFrames().size());
}

void PreviewModel::appear()
{
    const int count = frameCount();
    m_trimEnd = std::max(count - 1, 0);
    m_player.setFps(m_session.fps());
    m_player.setTrimEnd(m_trimEnd);
    Q_EMIT changed();
    runEncode();
    if (count >= 2 && !m_reduceMotion)
        m_player.play();
}

void PreviewModel::disappear()
{
    m_player.pause();
}

void PreviewModel::setTrimStart(int frame)
{
    if (frame == m_trimStart)
        return;
    m_trimStart = frame;
    m_player.setTrimStart(frame);
    if (m_player.currentFrame() < frame)
        m_player.setCurrentFrame(frame);
    Q_EMIT changed();
}

void PreviewModel::setTrimEnd(int frame)
{
    if (frame == m_trimEnd)
        return;
    m_trimEnd = frame;
    m_player.setTrimEnd(frame);
    if (m_player.currentFrame() > frame)
        m_player.setCurrentFrame(frame);
    Q_EMIT changed();
}

int PreviewModel::trimmedCount() const
{
    return std::max(m_trimEnd - m_trimStart + 1, 0);
}

bool PreviewModel::isTrimmed() const
{
    return m_trimStart > 0 || m_trimEnd < frameCount() - 1;
}

bool PreviewModel::isLargeFile() const
{
    return m_gifData && m_gifData->size() > largeFileThreshold && m_skipFrames == 1;
}

void PreviewModel::dismissEncodeError()
{
    setEncodeError(std::nullopt);
}

std::optional<QString> PreviewModel::captureDimensions() const
{
    if (frames().empty())
        return std::nullopt;
    const Frame& first = frames().front();
    return QString::number(first.width()) + QStringLiteral(" × ") + QString::number(first.height());
}

QString PreviewModel::currentTimeStr() const
{
    const double seconds =
        std::max(m_player.currentFrame() - m_trimStart, 0) / std::max(m_session.fps(), 1.0);
    return QString::asprintf("%.1fs", seconds);
}

QString PreviewModel::durationStr() const
{
    return QString::asprintf("%.1fs", selectedFrameCount() / std::max(m_session.fps(), 1.0));
}

int PreviewModel::shownFrameNumber() const
{
    return std::max(m_player.currentFrame() - m_trimStart + 1, 1);
}

QString PreviewModel::trimSummary() const
{
    if (!isTrimmed())
        return QStringLiteral("Drag handles to trim");
    const double seconds = trimmedCount() / std::max(m_session.fps(), 1.0);
    return QString::number(trimmedCount()) + QStringLiteral(" frames selected  (") +
           QString::asprintf("%.1fs", seconds) + QLatin1Char(')');
}

void PreviewModel::togglePlayback()
{
    if (m_player.isPlaying())
        m_player.pause();
    else
        m_player.play();
}

void PreviewModel::goToStart()
{
    m_player.pause();
    m_player.setCurrentFrame(m_player.trimStart());
}

void PreviewModel::goToEnd()
{
    m_player.pause();
    m_player.setCurrentFrame(m_player.trimEnd());
}

void PreviewModel::stepForward()
{
    m_player.pause();
    m_player.setCurrentFrame(std::min(m_player.currentFrame() + 1, m_player.trimEnd()));
}

void PreviewModel::stepBackward()
{
    m_player.pause();
    m_player.setCurrentFrame(std::max(m_player.currentFrame() - 1, m_player.trimStart()));
}

void PreviewModel::setSpeed(double speed)
{
    m_playbackSpeed = speed;
    if (m_player.isPlaying()) {
        // Restarts the timer at the new rate.
        m_player.pause();
        m_player.setPlaybackSpeed(speed);
        m_player.play();
    } else {
        m_player.setPlaybackSpeed(speed);
    }
    Q_EMIT changed();
}

void PreviewModel::optimize()
{
    if (!isLargeFile())
        return;
    m_preOptimizeGifData = m_gifData;
    m_skipFrames = 2;
    setGifData(std::nullopt);
    runEncode();
}

void PreviewModel::undoOptimize()
{
    if (!m_preOptimizeGifData)
        return;
    // The optimized encode may still run; its result must not replace the
    // bytes brought back.
    cancelEncode();
    m_skipFrames = 1;
    std::optional<QByteArray> kept = std::move(m_preOptimizeGifData);
    m_preOptimizeGifData.reset();
    setGifData(std::move(kept));
}

void PreviewModel::toggleBoomerang()
{
    m_boomerang = !m_boomerang;
    m_player.setBoomerang(m_boomerang);
    m_player.setPlayDirection(1);
    if (m_player.isPlaying()) {
        m_player.pause();
        m_player.play();
    }
    m_preOptimizeGifData.reset();
    m_skipFrames = 1;
    setGifData(std::nullopt);
    runEncode();
}

void PreviewModel::applyTrim()
{
    const FrameList& current = frames();
    if (current.empty() || m_trimEnd < m_trimStart || !isTrimmed())
        return;
    const int count = frameCount();
    const int lo = std::max(m_trimStart, 0);
    const int hi = std::min(m_trimEnd, count - 1);
    m_pretrimFrames = current;
    // The new list shares the stored frames with the old one.
    replaceFrames(FrameList(current.begin() + lo, current.begin() + hi + 1));
    m_announcer.announce(QStringLiteral("Trim applied. %1 frames kept.").arg(hi - lo + 1),
                         Announcer::outcomePriority);
    runEncode();
}

void PreviewModel::undoTrim()
{
    if (!m_pretrimFrames)
        return;
    FrameList restored = std::move(*m_pretrimFrames);
    m_pretrimFrames.reset();
    const auto count = restored.size();
    replaceFrames(std::move(restored));
    m_announcer.announce(QStringLiteral("Trim undone. All %1 frames restored.").arg(count),
                         Announcer::outcomePriority);
    runEncode();
}

void PreviewModel::replaceFrames(FrameList frames)
{
    m_replacingFrames = true;
    m_session.setCapturedFrames(std::move(frames));
    m_replacingFrames = false;
    selectAllFrames();
    m_player.setCurrentFrame(0);
    m_skipFrames = 1;
    m_preOptimizeGifData.reset();
    setGifData(std::nullopt);
    Q_EMIT framesChanged();
}

void PreviewModel::selectAllFrames()
{
    m_trimStart = 0;
    m_trimEnd = std::max(frameCount() - 1, 0);
    m_player.setTrimStart(m_trimStart);
    m_player.setTrimEnd(m_trimEnd);
}

// Someone else replaced the frames (the host emptying them on discard): keep
// the selection and the frame shown inside the new list.
void PreviewModel::sessionFramesReplaced()
{
    if (m_replacingFrames)
        return;
    const int last = std::max(frameCount() - 1, 0);
    m_trimEnd = std::min(m_trimEnd, last);
    m_trimStart = std::min(m_trimStart, m_trimEnd);
    m_player.setTrimStart(m_trimStart);
    m_player.setTrimEnd(m_trimEnd);
    if (m_trimStart >= m_trimEnd)
        m_player.pause();
    m_player.setCurrentFrame(std::clamp(m_player.currentFrame(), m_trimStart, m_trimEnd));
    Q_EMIT framesChanged();
    Q_EMIT changed();
}

void PreviewModel::runEncode()
{
    if (frames().empty())
        return;
    cancelEncode();
    m_isEncoding = true;
    setEncodeError(std::nullopt);

    EncodeRequest request;
    request.frames = frames();
    request.fps = m_session.fps();
    request.loopCount = m_session.loopCount();
    request.skipFrames = m_skipFrames;
    request.boomerang = m_boomerang;
    const std::uint64_t generation = ++m_encodeGeneration;
    QPointer<PreviewModel> self(this);
    request.progress = [self, generation](int percent) {
        if (!self || generation != self->m_encodeGeneration || !self->m_isEncoding)
            return;
        self->m_encodeProgress = percent;
        Q_EMIT self->changed();
    };
    m_job = m_encoder.encode(std::move(request), [self, generation](EncodeOutcome outcome) {
        // A result of an encode that a newer one replaced never lands.
        if (self && generation == self->m_encodeGeneration)
            self->encodeFinished(std::move(outcome));
    });
    Q_EMIT changed();
}

void PreviewModel::cancelEncode()
{
    ++m_encodeGeneration;
    if (m_job) {
        m_job->cancel();
        m_job.reset();
    }
    if (m_isEncoding) {
        m_isEncoding = false;
        m_encodeProgress.reset();
        Q_EMIT changed();
    }
}

void PreviewModel::encodeFinished(EncodeOutcome outcome)
{
    m_job.reset();
    m_isEncoding = false;
    m_encodeProgress.reset();
    const bool failed = !outcome.gif.has_value();
    setGifData(std::move(outcome.gif));
    if (failed) {
        QString message = QStringLiteral("GIF encoding failed.");
        if (!outcome.error.isEmpty())
            message += QLatin1Char(' ') + outcome.error + QLatin1Char('.');
        setEncodeError(message);
    }
    Q_EMIT changed();
}

void PreviewModel::setGifData(std::optional<QByteArray> data)
{
    const bool becamePresent = data && !m_gifData;
    m_gifData = std::move(data);
    if (becamePresent)
        m_announcer.announce(QStringLiteral("GIF ready. ") + formattedSize(m_gifData->size()) +
                                 QLatin1Char('.'),
                             Announcer::outcomePriority);
    announceLargeFileIfNew();
    Q_EMIT changed();
}

void PreviewModel::reportError(const QString& message)
{
    m_encodeError = message;
    m_announcer.announce(message, Announcer::outcomePriority);
    Q_EMIT changed();
}

void PreviewModel::setEncodeError(std::optional<QString> message)
{
    if (message == m_encodeError)
        return;
    m_encodeError = std::move(message);
    if (m_encodeError)
        m_announcer.announce(QStringLiteral("Encoding error: ") + *m_encodeError,
                             Announcer::outcomePriority);
    Q_EMIT changed();
}

void PreviewModel::announceLargeFileIfNew()
{
    const bool large = isLargeFile();
    if (large && !m_wasLargeFile)
        m_announcer.announce(QStringLiteral("GIF is ") + formattedSize(m_gifData->size()) +
                                 QStringLiteral(". Click Optimize to reduce file size."),
                             Announcer::commentaryPriority);
    m_wasLargeFile = large;
}

} // namespace kinetta
