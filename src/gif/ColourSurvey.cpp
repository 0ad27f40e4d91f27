#include "ColourSurvey.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace kinetta::gif
{
namespace
{

// What one thread has seen.
struct Seen {
    ColourMap colours;
    std::array<std::uint64_t, 256> counts{};
};

// Adds from's colours and counts to into; false once they pass 256.
bool merge(const Seen& from, ColourMap& into, std::array<std::uint64_t, 256>& counts)
{
    const std::vector<std::uint32_t>& colours = from.colours.colours();
    for (std::size_t k = 0; k < colours.size(); ++k) {
        const int index = into.indexOf(colours[k]);
        if (index == ColourMap::kNotFound)
            return false;
        counts[static_cast<std::size_t>(index)] += from.counts[k];
    }
    return true;
}

} // namespace

bool ColourSurvey::collect(std::span<const std::uint32_t> pixels, ColourMap& colours,
                           std::array<std::uint64_t, 256>& counts)
{
    for (const std::uint32_t pixel : pixels) {
        const int index = colours.indexOf(pixel | 0xFF000000u);
        if (index == ColourMap::kNotFound)
            return false;
        ++counts[static_cast<std::size_t>(index)];
    }
    return true;
}

EncodeStatus ColourSurvey::run(std::span<const std::size_t> frames, std::size_t pixelCount,
                               unsigned threads, const ReadFrame& read, const Progress& progress,
                               ColourMap& colours, std::array<std::uint64_t, 256>& counts,
                               bool& fits, SurveyedFrames* kept)
{
    const auto workerCount =
        static_cast<unsigned>(std::min<std::size_t>(std::max(1u, threads), frames.size()));
    std::vector<Seen> seen(std::max(1u, workerCount));
    for (Seen& one : seen)
        one.colours.reset(256);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;
    std::size_t done = 0;
    bool stop = false;
    bool overflowed = false;
    // Frames may be read this far ahead of the progress reported, so that a
    // cancel is heard after a few reads, not after all of them.
    const std::size_t window = 2 * std::size_t{workerCount};
    std::size_t allowed = workerCount <= 1 ? frames.size() : window;
    EncodeStatus failed;
    std::size_t failedAt = frames.size();

    // Surveys frames until none is left or the survey stops; false when
    // progress (reported here on the calling thread) cancels it.
    const auto work = [&](Seen& mine, bool reportsProgress) -> bool {
        std::vector<std::uint32_t> pixels(pixelCount);
        for (;;) {
            std::size_t k = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stop || next >= frames.size() || next < allowed; });
                if (stop || next >= frames.size())
                    return true;
                k = next++;
            }
            EncodeStatus status;
            try {
                status = read(frames[k], pixels);
            } catch (...) {
                status = currentExceptionFailure("read frame " + std::to_string(frames[k] + 1));
            }
            const bool fitted = status.ok() && collect(pixels, mine.colours, mine.counts);
            if (fitted && kept)
                kept->keep(frames[k], pixels);
            std::size_t now = 0;
            {
                std::lock_guard lock(mutex);
                if (!status.ok() && k < failedAt) {
                    failed = status;
                    failedAt = k;
                }
                overflowed = overflowed || (status.ok() && !fitted);
                stop = stop || !fitted;
                now = ++done;
                changed.notify_all();
            }
            if (!status.ok())
                return true;
            if (reportsProgress && progress && !progress(now)) {
                std::lock_guard lock(mutex);
                stop = true;
                return false;
            }
        }
    };

    bool carriedOn = true;
    if (workerCount <= 1) {
        carriedOn = work(seen[0], true);
    } else {
        std::vector<std::thread> workers;
        unsigned active = 0;
        // Past this point the workers are always stopped and joined.
        try {
            for (unsigned i = 0; i < workerCount; ++i) {
                {
                    std::lock_guard lock(mutex);
                    ++active;
                }
                workers.emplace_back([&, i] {
                    (void)work(seen[i], false);
                    std::lock_guard lock(mutex);
                    --active;
                    changed.notify_all();
                });
            }
            // Every frame done is reported, in order, until the workers end.
            std::size_t reported = 0;
            std::unique_lock lock(mutex);
            for (;;) {
                changed.wait(lock, [&] { return done > reported || active == 0; });
                if (done == reported)
                    break;
                const std::size_t now = ++reported;
                allowed = reported + window;
                changed.notify_all();
                if (!failed.ok())
                    break;
                lock.unlock();
                const bool goOn = !progress || progress(now);
                lock.lock();
                if (!goOn) {
                    stop = true;
                    carriedOn = false;
                    break;
                }
            }
        } catch (...) {
            std::lock_guard lock(mutex);
            if (failed.ok())
                failed = currentExceptionFailure("survey the colours");
        }
        {
            // Workers waiting for room to read ahead must hear it too.
            std::lock_guard lock(mutex);
            stop = true;
            changed.notify_all();
        }
        for (std::thread& worker : workers)
            worker.join();
    }
    if (!failed.ok())
        return failed;
    if (!carriedOn)
        return encodeFailure(EncodeError::Cancelled, "encoding was cancelled");
    fits = !overflowed;
    for (const Seen& one : seen)
        fits = fits && merge(one, colours, counts);
    return {};
}

} // namespace kinetta::gif
