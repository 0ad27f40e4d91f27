#pragma once

#include "GifFrameWriter.h"
#include "Quantiser.h"
#include "gif/FrameSource.h"
#include "gif/GifEncoder.h"
#include "gif/Result.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kinetta::gif
{

// Done, or why the encode fails, for each of its steps.
using EncodeStatus = Status<EncodeFailure>;

// Per written frame, its bytes at the best quality and at each lower level
// the encode tried (GifFrameWriter::levelBytes()).
using FrameLevelBytes = std::vector<std::vector<std::size_t>>;

[[nodiscard]] inline Failure<EncodeFailure> encodeFailure(EncodeError kind, std::string message)
{
    return {{kind, std::move(message)}};
}

// The failure for the exception being handled, in a catch (...) block: an
// exception that leaves a worker thread would end the process. task says
// what was being done ("read frame 3").
[[nodiscard]] Failure<EncodeFailure> currentExceptionFailure(const std::string& task);

// Compresses the frames of a sequence on a few worker threads and appends
// their blocks in order. At most a small window of frames is in flight, so the
// decoded frames held at once stay bounded whatever the frame count, and each
// frame's blocks depend only on it and its predecessor, so the bytes do not
// depend on the thread count.
class EncodePipeline final
{
public:
    // delays: one per entry of sequence, in hundredths.
    EncodePipeline(const FrameSource& source, std::vector<std::size_t> sequence,
                   std::vector<int> delays, FrameSize size, unsigned threads,
                   QuantiserSettings settings, const GlobalPalette* global);

    // Appends every frame's blocks to out. On failure out holds a partial file.
    // levelBytes, when given, receives each frame's bytes per level.
    [[nodiscard]] EncodeStatus run(std::vector<std::uint8_t>& out, const ProgressCallback& progress,
                                   FrameLevelBytes* levelBytes = nullptr);

private:
    struct Decoded {
        std::vector<std::uint32_t> pixels;
        EncodeStatus read;
        bool ready = false;
        int users = 0;
    };
    struct Job {
        std::vector<std::uint8_t> bytes;
        std::vector<std::size_t> levelBytes;
        EncodeStatus written;
        bool done = false;
    };

    void work();
    void encodeJob(std::size_t position, GifFrameWriter& writer, Job& job);
    // Appends the finished jobs' blocks in order, on the calling thread.
    [[nodiscard]] EncodeStatus collect(std::vector<std::uint8_t>& out,
                                       const ProgressCallback& progress,
                                       FrameLevelBytes* levelBytes);
    [[nodiscard]] std::shared_ptr<Decoded> acquire(std::size_t position);
    void release(std::size_t position);

    const FrameSource& m_source;
    std::vector<std::size_t> m_sequence;
    std::vector<int> m_delays;
    FrameSize m_size;
    unsigned m_threads;
    std::size_t m_window;
    QuantiserSettings m_settings;
    const GlobalPalette* m_global;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::size_t, std::shared_ptr<Decoded>> m_decoded;
    std::vector<std::vector<std::uint32_t>> m_spare; // buffers of released frames
    std::vector<Job> m_jobs;
    std::size_t m_nextJob = 0;
    std::size_t m_written = 0;
    bool m_stop = false;
};

} // namespace kinetta::gif
