#pragma once

#include "app/FlowServices.h"
#include "model/Frame.h"
#include "model/Scheduler.h"
#include "ui/common/Announcer.h"

#include <QByteArray>
#include <QStringList>
#include <chrono>
#include <memory>
#include <utility>
#include <vector>

namespace kinetta::test
{

// Keeps what would be spoken, with its priority.
class RecordingAnnouncer final : public Announcer
{
public:
    void announceFrom(QObject*, const QString& text, int priority) override
    {
        spoken.emplace_back(text, priority);
    }
    [[nodiscard]] QStringList texts() const
    {
        QStringList all;
        for (const auto& [text, priority] : spoken)
            all << text;
        return all;
    }

    std::vector<std::pair<QString, int>> spoken;
};

// An encoder on virtual time: each encode answers after `duration`, telling
// 50% half-way, with `size` bytes (or a failure when `fail` is set).
class VirtualEncoder final : public FlowEncoder
{
public:
    explicit VirtualEncoder(Scheduler& scheduler) : m_scheduler(scheduler) {}

    struct Started {
        EncodeRequest request;
        std::shared_ptr<EncodeJob> job;
        std::shared_ptr<bool> answered;
    };

    [[nodiscard]] std::shared_ptr<EncodeJob> encode(EncodeRequest request, Done done) override
    {
        auto job = std::make_shared<EncodeJob>();
        const qsizetype bytes = size;
        const bool failing = fail;
        auto progress = request.progress;
        auto answered = std::make_shared<bool>(false);
        m_timers.push_back(m_scheduler.singleShot(duration / 2, [progress, job] {
            if (progress && !job->isCancelled())
                progress(50);
        }));
        // Like the real one, a cancelled job still answers, with nothing.
        m_timers.push_back(m_scheduler.singleShot(duration, [done, job, bytes, failing, answered] {
            *answered = true;
            if (job->isCancelled())
                done({});
            else if (failing)
                done({std::nullopt, QStringLiteral("the disk is on fire")});
            else
                done({QByteArray(bytes, 'g'), {}});
        }));
        started.push_back({std::move(request), job, answered});
        return job;
    }

    [[nodiscard]] std::size_t runningCount() const
    {
        std::size_t running = 0;
        for (const auto& one : started)
            running += one.job->isCancelled() || *one.answered ? 0 : 1;
        return running;
    }

    std::chrono::milliseconds duration{100};
    qsizetype size = 1000;
    bool fail = false;
    std::vector<Started> started;

private:
    Scheduler& m_scheduler;
    std::vector<TimerHandle> m_timers;
};

// count distinct one-colour frames of 4×3 pixels.
inline FrameList makeFrames(int count)
{
    FrameList frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(Frame::fromPixels(
            4, 3, std::vector<std::uint32_t>(12, 0xff000000u | std::uint32_t(i * 0x010203))));
    return frames;
}

} // namespace kinetta::test
