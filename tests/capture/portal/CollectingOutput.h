#pragma once

#include "capture/CaptureSource.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

namespace kinetta::testing
{

// Keeps what a capture stream delivers, and lets the test wait for it.
class CollectingOutput final : public CaptureStreamOutput
{
public:
    void streamDidOutput(CapturedImage image) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_images.push_back(std::move(image));
        }
        m_changed.notify_all();
    }
    void streamDidStop(const CaptureError& error) override
    {
        {
            std::lock_guard lock(m_mutex);
            ++m_stops;
            m_error = error;
        }
        m_changed.notify_all();
    }

    // Waits (10 s unless told) until done(images, stop error) holds.
    template <typename Done>
    bool waitFor(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return done(m_images, m_error); });
    }
    [[nodiscard]] std::size_t count()
    {
        std::lock_guard lock(m_mutex);
        return m_images.size();
    }
    [[nodiscard]] CapturedImage image(std::size_t index)
    {
        std::lock_guard lock(m_mutex);
        return m_images.at(index);
    }
    [[nodiscard]] int stops()
    {
        std::lock_guard lock(m_mutex);
        return m_stops;
    }
    [[nodiscard]] std::optional<CaptureError> error()
    {
        std::lock_guard lock(m_mutex);
        return m_error;
    }

    // An image's pixels, wherever they are kept.
    [[nodiscard]] static std::vector<std::uint32_t> pixels(const CapturedImage& image)
    {
        if (!image.pixels.empty())
            return image.pixels;
        return {image.shared.pixels.begin(), image.shared.pixels.end()};
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<CapturedImage> m_images;
    std::optional<CaptureError> m_error;
    int m_stops = 0;
};

} // namespace kinetta::testing
