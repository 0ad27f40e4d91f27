#pragma once

#include "capture/CaptureSource.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kinetta::testing
{

// Passes a real source through and lets the test wait, without sleeping, until
// a number of images or the end of the stream has been delivered.
class CountingSource final : public CaptureSource
{
public:
    explicit CountingSource(std::shared_ptr<CaptureSource> inner) : m_inner(std::move(inner))
    {
        m_relay.owner = this;
    }

    [[nodiscard]] bool preflightAccess() override { return m_inner->preflightAccess(); }
    void requestAccess() override { m_inner->requestAccess(); }
    [[nodiscard]] CaptureResult<ShareableContent> shareableContent() override
    {
        return m_inner->shareableContent();
    }
    [[nodiscard]] CaptureResult<std::unique_ptr<CaptureStream>>
    startStream(const StreamConfiguration& configuration, CaptureStreamOutput& output) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_relay.target = &output;
            m_images = 0;
            m_stopped = false;
        }
        return m_inner->startStream(configuration, m_relay);
    }

    // True once `count` images have arrived since the last start.
    bool waitForImages(int count, std::chrono::seconds limit = std::chrono::seconds(20))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_images >= count; });
    }
    bool waitForStop(std::chrono::seconds limit = std::chrono::seconds(20))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_stopped; });
    }
    [[nodiscard]] int images()
    {
        std::lock_guard lock(m_mutex);
        return m_images;
    }

private:
    struct Relay final : CaptureStreamOutput {
        CountingSource* owner = nullptr;
        CaptureStreamOutput* target = nullptr;
        void streamDidOutput(CapturedImage image) override
        {
            target->streamDidOutput(std::move(image));
            std::lock_guard lock(owner->m_mutex);
            ++owner->m_images;
            owner->m_changed.notify_all();
        }
        void streamDidStop(const CaptureError& error) override
        {
            target->streamDidStop(error);
            std::lock_guard lock(owner->m_mutex);
            owner->m_stopped = true;
            owner->m_changed.notify_all();
        }
    };

    std::shared_ptr<CaptureSource> m_inner;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_images = 0;
    bool m_stopped = false;
    Relay m_relay;
};

} // namespace kinetta::testing
