#include "ui/preview/GifPlayer.h"

#include <algorithm>
#include <chrono>

namespace kinetta
{

GifPlayer::GifPlayer(Scheduler& scheduler, QObject* parent) : QObject(parent), m_scheduler(scheduler)
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

void GifPlayer::tick()
{
    if (!m_boomerang) {
        setCurrentFrame(m_currentFrame < m_trimEnd ? m_currentFrame + 1 : m_trimStart);
        return;
    }
    int next = m_currentFrame + m_playDirection;
    if (next >= m_trimEnd) {
        next = m_trimEnd;
        m_playDirection = -1;
    } else if (next <= m_trimStart) {
        next = m_trimStart;
        m_playDirection = 1;
    }
    setCurrentFrame(next);
}

} // namespace kinetta
