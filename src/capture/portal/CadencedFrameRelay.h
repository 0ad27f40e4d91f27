#pragma once

#include "capture/AreaScaler.h"
#include "capture/CaptureSource.h"
#include "capture/FrameCadence.h"
#include "capture/portal/PipeWireFrameStream.h"
#include "capture/portal/RecyclingPool.h"

#include <QSize>
#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace kinetta::portal
{

// How the relay waits for a slot: real time, or virtual time in tests.
struct RelayTiming {
    using TimePoint = FrameCadence::Clock::time_point;
    std::function<TimePoint()> now;
    // Waits on wake, with lock held, until when or until woken() holds.
    std::function<void(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                       TimePoint when, const std::function<bool()>& woken)>
        waitUntil;
};
[[nodiscard]] RelayTiming steadyTiming();

// Gives the newest picture, the same object again while there is no newer
// one; null while there is none.
using NewestPicture = std::function<std::shared_ptr<const PortalFrame>()>;

// Hands the newest picture of a source that only sends when the screen
// changes to the output once per slot of the recorder's cadence, on a thread
// of its own: a still screen is the last picture again, every slot (silence
// is not a failure). Pictures are fetched at their slot, so only those that
// go out are made, and scaled to the output size once, however often they go
// out. The cadence starts with the first picture.
class CadencedFrameRelay final
{
public:
    CadencedFrameRelay(double frameRate, QSize outputSize, CaptureStreamOutput& output,
                       NewestPicture newest, RelayTiming timing = steadyTiming());
    ~CadencedFrameRelay();
    CadencedFrameRelay(const CadencedFrameRelay&) = delete;
    CadencedFrameRelay& operator=(const CadencedFrameRelay&) = delete;

    // A new picture can be fetched. Any thread.
    void pictureArrived();
    // The source ended: the output is told once, from the relay's thread, and
    // nothing is delivered after. Any thread.
    void end(const QString& reason);
    // No output is called once this returns. Safe to call more than once and
    // from the output's own handlers.
    void stop();

private:
    void run();
    [[nodiscard]] CapturedImage scaled(const std::shared_ptr<const PortalFrame>& frame);

    FrameCadence m_cadence;
    QSize m_outputSize;
    CaptureStreamOutput& m_output;
    NewestPicture m_newest;
    RelayTiming m_timing;
    std::unique_ptr<AreaScaler> m_scaler;
    // Scaled pictures; the recorder's frame store may still hold a few.
    RecyclingPool<std::vector<std::uint32_t>> m_scaledPixels{6};

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_arrived = false;
    std::optional<QString> m_endReason;
    bool m_stopRequested = false;
    std::thread m_thread;
};

} // namespace kinetta::portal
