// End-to-end memory benchmark of a long recording: records the X display in
// $DISPLAY with ScreenRecorder (frames kept through the compressed frame store)
// for a given time, then encodes the result, printing
//   - resident memory before, during and at the end of the recording, and its
//     growth per recorded minute, against what the raw frames would take;
//   - frames kept against frames requested, and the CPU time per kept frame
//     (user + system of this process up to the stop, as the capture benchmark
//     counts it);
//   - the stored bytes and compression ratio, and the median time to read one
//     frame back;
//   - the peak resident memory of encoding the recording, above the memory the
//     stored frames already take.
//
// record-bench SECONDS FPS SCALE [LABEL]
#include "capture/CaptureBackend.h"
#include "capture/ScreenRecorder.h"
#include "gif/GifEncoder.h"
#include "model/Frame.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace kinetta;

namespace
{

using Clock = std::chrono::steady_clock;

// A field of /proc/self/status in MB ("VmRSS", "VmHWM").
double statusMB(const char* field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

// Starts peak tracking over from the current resident size.
void resetPeak()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU seconds (user + system) of each thread of this process, by thread name:
// the frame queue ("kinetta-frames") is where frames are compressed.
std::vector<std::pair<QByteArray, double>> threadCpuSeconds()
{
    std::vector<std::pair<QByteArray, double>> threads;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('(');
        const qsizetype close = line.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        // Fields after the name: state is the 3rd field, utime and stime the 14th and 15th.
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() < 13)
            continue;
        threads.emplace_back(line.mid(open + 1, close - open - 1),
                             (fields[11].toDouble() + fields[12].toDouble()) / tick);
    }
    return threads;
}

class ListSource final : public gif::FrameSource
{
public:
    explicit ListSource(const FrameList& frames) : m_frames(frames) {}
    [[nodiscard]] std::size_t frameCount() const override { return m_frames.size(); }
    [[nodiscard]] gif::FrameSize frameSize(std::size_t index) const override
    {
        return {m_frames[index].width(), m_frames[index].height()};
    }
    [[nodiscard]] Status<> readFrame(std::size_t index, std::span<std::uint32_t> out) const override
    {
        m_frames[index].readPixels(out);
        return {};
    }

private:
    const FrameList& m_frames;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: record-bench SECONDS FPS SCALE [LABEL]\n");
        return 2;
    }
    const double seconds = args[1].toDouble();
    const double fps = args[2].toDouble();
    const double scale = args[3].toDouble();
    const QString label = args.value(4, QStringLiteral("%1fps-x%2").arg(fps).arg(scale));

    ScreenRecorder recorder(createCaptureSource(), FrameStore::optionsFromEnvironment());
    const double rssBefore = statusMB("VmRSS");
    const double cpuBefore = cpuSeconds();
    if (auto error = recorder.start(CaptureMode::fullScreen, fps, scale, std::nullopt, std::nullopt,
                                    false)) {
        std::fprintf(stderr, "cannot record: %s\n", qPrintable(error->description()));
        return 1;
    }
    const auto started = Clock::now();
    double rssPeakRecording = rssBefore;
    while (std::chrono::duration<double>(Clock::now() - started).count() < seconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        rssPeakRecording = std::max(rssPeakRecording, statusMB("VmRSS"));
    }
    const double cpuUsed = cpuSeconds() - cpuBefore;
    const auto threads = threadCpuSeconds();
    const double rssAtStop = statusMB("VmRSS");
    // From the start of capture to the stop request.
    const double recorded = std::chrono::duration<double>(Clock::now() - started).count();
    RecordedFrames recording = recorder.stop();
    FrameList frames = std::move(recording.frames);
    const std::size_t grabbed = frames.size() - recording.repeatedFrames;
    if (frames.empty()) {
        std::fprintf(stderr, "no frames recorded\n");
        return 1;
    }

    std::size_t stored = 0;
    for (const Frame& frame : frames)
        stored += frame.storedBytes();
    const double raw =
        static_cast<double>(frames.size()) * static_cast<double>(frames.front().pixelCount()) * 4.0;

    std::vector<std::uint32_t> out(frames.front().pixelCount());
    std::vector<double> readMs;
    for (const Frame& frame : frames) {
        const auto start = Clock::now();
        frame.readPixels(out);
        readMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(readMs.begin(), readMs.end());

    const double rssBeforeEncode = statusMB("VmRSS");
    resetPeak();
    const auto encodeStart = Clock::now();
    const ListSource source(frames);
    const gif::EncodeResult gif = gif::GifEncoder::encode(source, gif::GifEncoder::Options(fps));
    const double encodeSeconds = std::chrono::duration<double>(Clock::now() - encodeStart).count();
    const double encodePeak = statusMB("VmHWM");

    const double minutes = recorded / 60.0;
    const double requested = fps * recorded;
    std::printf("%s: %dx%d, %.1f s recorded\n", qPrintable(label), frames.front().width(),
                frames.front().height(), recorded);
    std::printf("  frames kept %zu of %.0f requested (%.1f%%), %zu more repeat the one before\n",
                grabbed, requested, 100.0 * static_cast<double>(grabbed) / requested,
                recording.repeatedFrames);
    std::printf("  CPU %.2f ms per kept frame (capture + compression)\n",
                1000.0 * cpuUsed / static_cast<double>(std::max<std::size_t>(grabbed, 1)));
    for (const auto& [name, cpu] : threads) {
        if (cpu > 0.05)
            std::printf("    thread %-16s %.2f ms per kept frame\n", name.constData(),
                        1000.0 * cpu / static_cast<double>(std::max<std::size_t>(grabbed, 1)));
    }
    std::printf("  resident MB: before %.1f, at stop %.1f (peak %.1f): growth %.1f MB per "
                "minute; raw frames %.1f MB per minute\n",
                rssBefore, rssAtStop, rssPeakRecording, (rssAtStop - rssBefore) / minutes,
                raw / 1e6 / minutes);
    std::printf("  stored %.1f MB for %.1f MB raw: ratio %.1f\n", static_cast<double>(stored) / 1e6,
                raw / 1e6, raw / static_cast<double>(std::max<std::size_t>(stored, 1)));
    std::printf("  read one frame: median %.2f ms, worst %.2f ms\n", readMs[readMs.size() / 2],
                readMs.back());
    std::printf("  encode: %s in %.1f s, %.1f MB; peak resident %.1f MB above the %.1f MB "
                "before encoding\n",
                gif.ok() ? "ok" : gif.message().c_str(), encodeSeconds,
                static_cast<double>(gif.bytes().size()) / 1e6, encodePeak - rssBeforeEncode,
                rssBeforeEncode);
    return gif.ok() ? 0 : 1;
}
