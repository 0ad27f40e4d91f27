#include "app/ThreadedGifEncoder.h"

#include "gif/GifEncoder.h"
#include "model/FrameListSource.h"

#include <QMetaObject>
#include <algorithm>
#include <cerrno>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

namespace kinetta
{

ThreadedGifEncoder::ThreadedGifEncoder(QObject* parent) : QObject(parent)
{
    // The encoder spreads one GIF over every core itself; more than one
    // encode at a time would only compete for them.
    m_pool.setMaxThreadCount(1);
}

ThreadedGifEncoder::~ThreadedGifEncoder()
{
    for (const auto& weak : m_jobs) {
        if (auto job = weak.lock())
            job->cancel();
    }
    m_pool.waitForDone();
}

// An encode runs while the user watches the preview play or the panel
// respond: on a busy machine those come first. The encoder's own workers are
// started from this thread and share its lower priority. A pool thread only
// ever encodes, so it may stay lowered.
void ThreadedGifEncoder::yieldToInteractiveThreads()
{
    const auto thread = static_cast<id_t>(gettid());
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, thread);
    if (errno == 0 && nice < encodeNiceness)
        (void)setpriority(PRIO_PROCESS, thread, encodeNiceness);
}

template <typename Value>
std::function<void(Value)> ThreadedGifEncoder::onMainThread(std::function<void(Value)> told,
                                                            const std::shared_ptr<EncodeJob>& job)
{
    if (!told)
        return told;
    return [this, told = std::move(told), weakJob = std::weak_ptr(job)](Value value) {
        QMetaObject::invokeMethod(
            this,
            [told, weakJob, value] {
                const auto alive = weakJob.lock();
                if (alive && !alive->isCancelled())
                    told(value);
            },
            Qt::QueuedConnection);
    };
}

EncodeOutcome ThreadedGifEncoder::encodeNow(const EncodeRequest& request, const EncodeJob& job)
{
    if (job.isCancelled())
        return {};
    const FrameListSource source(request.frames);
    const gif::GifEncoder::Options options(request.fps, request.loopCount, request.skipFrames,
                                           request.boomerang);
    int lastPercent = -1;
    gif::EncodeSettings settings;
    settings.quality = request.target.quality;
    settings.maxBytes = request.target.maxBytes;
    const bool reporting = request.report && settings.maxBytes != 0;
    if (reporting) {
        settings.passStarted = [&](const gif::EncodePass& pass) {
            // Each pass counts its share anew.
            lastPercent = -1;
            request.report(QString::fromStdString(gif::GifEncoder::passText(pass)));
        };
    }
    const gif::EncodeResult result = gif::GifEncoder::encode(
        source, options,
        [&](std::size_t done, std::size_t total) {
            if (job.isCancelled())
                return false;
            const int percent = total == 0 ? 0 : static_cast<int>(done * 100 / total);
            if (request.progress && percent > lastPercent) {
                lastPercent = percent;
                request.progress(percent);
            }
            return true;
        },
        settings);
    if (reporting && result.ok() && !job.isCancelled())
        request.report(QString::fromStdString(gif::GifEncoder::fitText(result, settings.maxBytes)));
    if (job.isCancelled())
        return {};
    if (!result.ok())
        return {std::nullopt, QString::fromStdString(result.message())};
    const auto& bytes = result.bytes();
    try {
        return {QByteArray(reinterpret_cast<const char*>(bytes.data()),
                           static_cast<qsizetype>(bytes.size())),
                {}};
    } catch (const std::bad_alloc&) {
        // The GIF is held twice for a moment; on a pool thread an uncaught
        // failure would end the program and lose the recording.
        return {std::nullopt, QStringLiteral("there is not enough memory to hold the GIF")};
    }
}

std::shared_ptr<EncodeJob> ThreadedGifEncoder::encode(EncodeRequest request, Done done)
{
    auto job = std::make_shared<EncodeJob>();
    std::erase_if(m_jobs, [](const std::weak_ptr<EncodeJob>& weak) { return weak.expired(); });
    m_jobs.push_back(job);
    // Hop what the job tells over to the main thread; a cancelled job tells nothing more.
    request.progress = onMainThread(std::move(request.progress), job);
    request.report = onMainThread(std::move(request.report), job);
    m_pool.start([this, job, request = std::move(request), done = std::move(done)]() mutable {
        yieldToInteractiveThreads();
        EncodeOutcome outcome = encodeNow(request, *job);
        // The frames are not needed any more; let them go on this thread.
        request.frames.clear();
        QMetaObject::invokeMethod(
            this, [done = std::move(done), outcome = std::move(outcome)] { done(outcome); },
            Qt::QueuedConnection);
    });
    return job;
}

} // namespace kinetta
