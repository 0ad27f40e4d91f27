#include "capture/portal/CadencedFrameRelay.h"

#include <pthread.h>
#include <utility>

namespace kinetta::portal
{

RelayTiming steadyTiming()
{
    return {[] { return FrameCadence::Clock::now(); },
            [](std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
               RelayTiming::TimePoint when,
               const std::function<bool()>& woken) { wake.wait_until(lock, when, woken); }};
}

CadencedFrameRelay::CadencedFrameRelay(double frameRate, QSize outputSize,
                                       CaptureStreamOutput& output, NewestPicture newest,
                                       RelayTiming timing)
    : m_cadence(frameRate), m_outputSize(outputSize), m_output(output), m_newest(std::move(newest)),
      m_timing(std::move(timing))
{
    m_thread = std::thread([this] { run(); });
}

CadencedFrameRelay::~CadencedFrameRelay()
{
    stop();
}

void CadencedFrameRelay::pictureArrived()
{
    {
        std::lock_guard lock(m_mutex);
        if (std::exchange(m_arrived, true))
            return;
    }
    // Only the first picture wakes the relay: the later ones wait for their slot.
    m_wake.notify_all();
}

void CadencedFrameRelay::end(const QString& reason)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_endReason)
            m_endReason = reason;
    }
    m_wake.notify_all();
}

void CadencedFrameRelay::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

CapturedImage CadencedFrameRelay::scaled(const std::shared_ptr<const PortalFrame>& frame)
{
    CapturedImage image{m_outputSize.width(), m_outputSize.height(), {}};
    const auto count = static_cast<std::size_t>(m_outputSize.width()) * m_outputSize.height();
    if (frame->width == m_outputSize.width() && frame->height == m_outputSize.height()) {
        // The picture itself is the frame: its pool reuses it only once
        // nobody (the frame store included) holds it any more.
        image.shared = SharedPixels{{frame->pixels.data(), count}, frame, true};
        return image;
    }
    if (!m_scaler || m_scaler->sourceWidth() != frame->width ||
        m_scaler->sourceHeight() != frame->height)
        m_scaler = std::make_unique<AreaScaler>(frame->width, frame->height, m_outputSize.width(),
                                                m_outputSize.height());
    auto pixels = m_scaledPixels.take();
    pixels->resize(count);
    m_scaler->scale(frame->pixels.data(), static_cast<std::size_t>(frame->width), pixels->data());
    image.shared = SharedPixels{{pixels->data(), count}, pixels, true};
    return image;
}

void CadencedFrameRelay::run()
{
    pthread_setname_np(pthread_self(), "kinetta-relay");
    std::unique_lock lock(m_mutex);
    const auto woken = [this] { return m_stopRequested || m_endReason.has_value(); };
    m_wake.wait(lock, [&] { return woken() || m_arrived; });
    std::shared_ptr<const PortalFrame> shown;
    CapturedImage image;
    for (;;) {
        if (m_stopRequested)
            return;
        if (m_endReason) {
            const QString reason = *m_endReason;
            lock.unlock();
            m_output.streamDidStop(CaptureError{reason});
            return;
        }
        lock.unlock();
        // A picture that could not be read leaves its slot to the recorder,
        // which repeats the frame before it.
        if (auto newest = m_newest(); newest && newest != shown) {
            shown = std::move(newest);
            image = scaled(shown);
        }
        if (shown)
            m_output.streamDidOutput(image);
        const auto now = m_timing.now();
        if (!m_cadence.begun() && shown)
            m_cadence.begin(now);
        const auto due = m_cadence.next(now);
        lock.lock();
        m_timing.waitUntil(lock, m_wake, due, woken);
    }
}

} // namespace kinetta::portal
