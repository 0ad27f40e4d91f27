#include "EncodePipeline.h"

#include "GifFrameWriter.h"

#include <algorithm>
#include <omp.h>
#include <thread>

namespace kinetta::gif
{

Failure<EncodeFailure> currentExceptionFailure(const std::string& task)
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return encodeFailure(EncodeError::OutOfMemory, "there is not enough memory to " + task);
    } catch (const std::exception& error) {
        return encodeFailure(EncodeError::Internal, "could not " + task + ": " + error.what());
    } catch (...) {
        return encodeFailure(EncodeError::Internal, "could not " + task);
    }
}

EncodePipeline::EncodePipeline(const FrameSource& source, std::vector<std::size_t> sequence,
                               std::vector<int> delays, FrameSize size, unsigned threads,
                               QuantiserSettings settings, const GlobalPalette* global)
    : m_source(source), m_sequence(std::move(sequence)), m_delays(std::move(delays)), m_size(size),
      m_threads(std::max(1u, threads)), m_window(std::max<std::size_t>(2, 2 * m_threads)),
      m_settings(settings), m_global(global), m_jobs(m_sequence.size())
{
}

std::shared_ptr<EncodePipeline::Decoded> EncodePipeline::acquire(std::size_t position)
{
    std::unique_lock lock(m_mutex);
    std::shared_ptr<Decoded>& slot = m_decoded[position];
    const bool owner = !slot;
    if (owner) {
        slot = std::make_shared<Decoded>();
        // Read as the current frame of its own job and the previous of the next.
        slot->users = position + 1 < m_sequence.size() ? 2 : 1;
    }
    std::shared_ptr<Decoded> entry = slot;
    if (!owner) {
        m_changed.wait(lock, [&] { return entry->ready; });
        return entry;
    }
    lock.unlock();
    const std::size_t index = m_sequence[position];
    // Whatever happens, the entry becomes ready: others wait for it.
    try {
        const auto count =
            static_cast<std::size_t>(m_size.width) * static_cast<std::size_t>(m_size.height);
        {
            // A frame buffer released earlier, already paged in, when there is one.
            std::lock_guard spareLock(m_mutex);
            if (!m_spare.empty()) {
                entry->pixels = std::move(m_spare.back());
                m_spare.pop_back();
            }
        }
        entry->pixels.resize(count);
        if (Status<> read = m_source.readFrame(index, entry->pixels); !read.ok()) {
            entry->read = encodeFailure(EncodeError::SourceFailed, read.message());
            entry->pixels.clear();
        } else if (m_source.frameSize(index) != m_size) {
            entry->read =
                encodeFailure(EncodeError::SourceFailed, "frame " + std::to_string(index + 1) +
                                                             " changed size while encoding");
            entry->pixels.clear();
        } else {
            // The alpha byte carries no meaning in a frame; make it opaque so
            // colours compare equal.
            for (std::uint32_t& pixel : entry->pixels)
                pixel |= 0xFF000000u;
        }
    } catch (...) {
        entry->read = currentExceptionFailure("read frame " + std::to_string(index + 1));
        entry->pixels = {};
    }
    lock.lock();
    entry->ready = true;
    m_changed.notify_all();
    return entry;
}

void EncodePipeline::release(std::size_t position)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_decoded.find(position);
    if (it != m_decoded.end() && --it->second->users <= 0) {
        if (it->second->pixels.capacity() != 0)
            m_spare.push_back(std::move(it->second->pixels));
        m_decoded.erase(it);
    }
}

void EncodePipeline::work()
{
    // Frames are the unit of parallelism; nested quantiser threads would only
    // compete with them, and a fixed count keeps its results reproducible.
    omp_set_num_threads(1);
    GifFrameWriter writer(m_settings, m_global);
    for (;;) {
        std::size_t position = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] {
                return m_stop || m_nextJob >= m_jobs.size() || m_nextJob < m_written + m_window;
            });
            if (m_stop || m_nextJob >= m_jobs.size())
                return;
            position = m_nextJob++;
        }
        Job job;
        try {
            encodeJob(position, writer, job);
        } catch (...) {
            // The frames are released with the pipeline; the encode ends here.
            job.bytes = {};
            job.written = currentExceptionFailure("encode frame " + std::to_string(position + 1));
        }
        std::lock_guard lock(m_mutex);
        job.done = true;
        m_jobs[position] = std::move(job);
        m_changed.notify_all();
    }
}

void EncodePipeline::encodeJob(std::size_t position, GifFrameWriter& writer, Job& job)
{
    const std::shared_ptr<Decoded> current = acquire(position);
    const std::shared_ptr<Decoded> previous = position > 0 ? acquire(position - 1) : nullptr;
    if (!current->read.ok()) {
        job.written = current->read;
    } else if (previous && !previous->read.ok()) {
        job.written = previous->read;
    } else {
        std::span<const std::uint32_t> before;
        if (previous)
            before = previous->pixels;
        if (Status<> written =
                writer.write(current->pixels, before, m_size, m_delays[position], job.bytes);
            !written.ok())
            job.written = encodeFailure(EncodeError::Internal, written.message());
        else
            job.levelBytes = writer.levelBytes();
    }
    release(position);
    if (position > 0)
        release(position - 1);
}

EncodeStatus EncodePipeline::run(std::vector<std::uint8_t>& out, const ProgressCallback& progress,
                                 FrameLevelBytes* levelBytes)
{
    const unsigned workerCount =
        static_cast<unsigned>(std::min<std::size_t>(m_threads, m_jobs.size()));
    std::vector<std::thread> workers;
    EncodeStatus outcome;
    // Past this point the workers are always stopped and joined: a thread
    // left joinable would end the process.
    try {
        workers.reserve(workerCount);
        for (unsigned i = 0; i < workerCount; ++i)
            workers.emplace_back([this] { work(); });
        outcome = collect(out, progress, levelBytes);
    } catch (...) {
        outcome = currentExceptionFailure("write the frames");
    }
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_changed.notify_all();
    }
    for (std::thread& worker : workers)
        worker.join();
    m_decoded.clear();
    m_spare.clear();
    return outcome;
}

EncodeStatus EncodePipeline::collect(std::vector<std::uint8_t>& out,
                                     const ProgressCallback& progress, FrameLevelBytes* levelBytes)
{
    for (std::size_t position = 0; position < m_jobs.size(); ++position) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_jobs[position].done; });
            job = std::move(m_jobs[position]);
            m_jobs[position] = Job{};
            m_written = position + 1;
            m_changed.notify_all();
        }
        if (!job.written.ok())
            return job.written;
        out.insert(out.end(), job.bytes.begin(), job.bytes.end());
        if (levelBytes)
            levelBytes->push_back(std::move(job.levelBytes));
        if (progress && !progress(position + 1, m_jobs.size()))
            return encodeFailure(EncodeError::Cancelled, "encoding was cancelled");
    }
    return {};
}

} // namespace kinetta::gif
