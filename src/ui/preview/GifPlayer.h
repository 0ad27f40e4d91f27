#pragma once

#include "model/Scheduler.h"

#include <QObject>
#include <vector>

namespace kinetta
{

// Animates the preview: which frame is on screen, stepping on the scheduler at
// the recording's rate times the chosen speed, looping (or bouncing) within the
// selected range. Lives on the main thread; destroying it stops its timer.
class GifPlayer final : public QObject
{
    Q_OBJECT

public:
    explicit GifPlayer(Scheduler& scheduler, QObject* parent = nullptr);

    // Seconds between two frames: 1 / max(fps, 1) / max(speed, 0.1).
    [[nodiscard]] static double intervalSeconds(double fps, double speed);
    // The same, as the scheduler counts time (at least a millisecond).
    [[nodiscard]] static Scheduler::Duration timerInterval(double fps, double speed);

    // Starts the timer unless playing already or the range holds fewer than
    // two frames.
    void play();
    void pause();

    // The frames the next count ticks will show, in order; none while paused.
    [[nodiscard]] std::vector<int> upcomingFrames(int count) const;

    [[nodiscard]] int currentFrame() const { return m_currentFrame; }
    void setCurrentFrame(int frame);
    [[nodiscard]] bool isPlaying() const { return m_isPlaying; }

    [[nodiscard]] double fps() const { return m_fps; }
    // Takes effect at the next play().
    void setFps(double fps) { m_fps = fps; }
    [[nodiscard]] int trimStart() const { return m_trimStart; }
    void setTrimStart(int frame) { m_trimStart = frame; }
    [[nodiscard]] int trimEnd() const { return m_trimEnd; }
    void setTrimEnd(int frame) { m_trimEnd = frame; }
    [[nodiscard]] double playbackSpeed() const { return m_playbackSpeed; }
    // Takes effect at the next play().
    void setPlaybackSpeed(double speed) { m_playbackSpeed = speed; }
    [[nodiscard]] bool boomerang() const { return m_boomerang; }
    void setBoomerang(bool on) { m_boomerang = on; }
    // +1 forward, -1 backward; only a bounce goes backward.
    [[nodiscard]] int playDirection() const { return m_playDirection; }
    void setPlayDirection(int direction) { m_playDirection = direction < 0 ? -1 : 1; }

Q_SIGNALS:
    void currentFrameChanged(int frame);
    void isPlayingChanged(bool playing);

private:
    struct Step {
        int frame;
        int direction;
    };
    // Where one tick goes from frame, moving in direction.
    [[nodiscard]] Step nextStep(int frame, int direction) const;
    void tick();
    void setPlaying(bool playing);

    Scheduler& m_scheduler;
    TimerHandle m_timer;
    int m_currentFrame = 0;
    bool m_isPlaying = false;
    double m_fps = 10.0;
    int m_trimStart = 0;
    int m_trimEnd = 0;
    double m_playbackSpeed = 1.0;
    bool m_boomerang = false;
    int m_playDirection = 1;
};

} // namespace kinetta
