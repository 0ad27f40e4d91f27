#include "ui/preview/GifPlayer.h"

#include <algorithm>
#include <chrono>

namespace kinetta
{

GifPlayer::GifPlayer(Scheduler& scheduler, QObject* parent)
    : QObject(parent), m_scheduler(scheduler)
{
}

double GifPlayer::intervalSeconds(double fps, double speed)
{
    return 1.0 / std::max(fps, 1.0) / std::max(speed, 0.1);
}

Scheduler::Duration GifPlayer::timerInterval(double fps, double speed)
{
    const auto interval = std::chrono::round<Scheduler::Duration>(
        std::chrono::duration<double>(intervalSeconds(fps, speed)));
    return std::max(interval, Scheduler::Duration(1));
}

void GifPlayer::play()
{
    if (m_isPlaying || m_trimStart >= m_trimEnd)
        return;
    // The handle dies with the player, so a tick never outlives it.
    m_timer = m_scheduler.repeating(timerInterval(m_fps, m_playbackSpeed), [this] { tick(); });
    setPlaying(true);
}

void GifPlayer::pause()
{
    m_timer.cancel();
    setPlaying(false);
}

void GifPlayer::setCurrentFrame(int frame)
{
    if (frame == m_currentFrame)
        return;
    m_currentFrame = frame;
    Q_EMIT currentFrameChanged(frame);
}

void GifPlayer::setPlaying(bool playing)
{
    if (playing == m_isPlaying)
        return;
    m_isPlaying = playing;
    Q_EMIT isPlayingChanged(playing);
}

GifPlayer::Step GifPlayer::nextStep(int frame, int direction) const
{
    if (!m_boomerang)
        return {frame < m_trimEnd ? frame + 1 : m_trimStart, 1};
    const int next = frame + direction;
    if (next >= m_trimEnd)
        return {m_trimEnd, -1};
    if (next <= m_trimStart)
        return {m_trimStart, 1};
    return {next, direction};
}

void GifPlayer::tick()
{
    const Step step = nextStep(m_currentFrame, m_playDirection);
    m_playDirection = step.direction;
    setCurrentFrame(step.frame);
}

std::vector<int> GifPlayer::upcomingFrames(int count) const
{
    std::vector<int> frames;
    if (!m_isPlaying)
        return frames;
    Step step{m_currentFrame, m_playDirection};
    for (int i = 0; i < count; ++i) {
        step = nextStep(step.frame, step.direction);
        frames.push_back(step.frame);
    }
    return frames;
}

} // namespace kinetta
