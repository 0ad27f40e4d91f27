// Preview benchmark, on made-up screen-like recordings kept in the frame store
// as a recording would be, with the program's own encoder running as it does
// when the preview opens:
//
// preview-bench playback [SECONDS] [--no-encoder]
//   1920x1080 at 24 fps played at 2x for SECONDS (20): timer ticks, frames
//   shown late (not on screen by the next tick, or skipped), the delay from a
//   tick to its frame on screen, and the GUI thread's longest stall (the
//   longest gap of a 2 ms heartbeat timer, less its period), with the longest
//   stretch of its own CPU work (the rest of a stall is other programs
//   holding the core).
// preview-bench open [--no-encoder]
//   a 6000-frame and a 60-frame recording at 960x540: time from showing the
//   view to its first frame on screen and to a full filmstrip, and the memory
//   (resident set) the open view adds.
//
// Run with QT_QPA_PLATFORM=offscreen (or on a display).
#include "app/ThreadedGifEncoder.h"
#include "model/FrameStore.h"
#include "model/QtScheduler.h"
#include "model/RecordingSession.h"
#include "ui/common/Announcer.h"
#include "ui/preview/PreviewFrameView.h"
#include "ui/preview/PreviewView.h"
#include "ui/preview/ScaledFrameLoader.h"
#include "ui/preview/TrimBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <time.h>
#include <vector>

using namespace kinetta;

namespace
{

class SilentAnnouncer final : public Announcer
{
public:
    void announceFrom(QObject*, const QString&, int) override {}
};

// Resident memory of this process in MiB, from /proc.
double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    }
    return 0;
}

// CPU time of the calling thread in ms.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("unknown");
}

// Screen-like frames: a still page of text-like stripes with a window moving
// over it and a band that changes, so most tiles repeat and some do not.
FrameList makeRecording(FrameStore& store, int width, int height, int count)
{
    std::vector<std::uint32_t> base(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            base[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                ((y / 6) % 3 == 0 && (x / 5) % 7 != 0) ? 0xff303040u : 0xfff4f4f0u;
    FrameList frames;
    std::vector<std::uint32_t> pixels;
    const int boxW = width / 4;
    const int boxH = height / 4;
    for (int i = 0; i < count; ++i) {
        pixels = base;
        const int left = (i * 7) % (width - boxW);
        const int top = (i * 3) % (height - boxH);
        for (int y = top; y < top + boxH; ++y)
            for (int x = left; x < left + boxW; ++x)
                pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                    0xff000000u | std::uint32_t((x * 3 + i) & 0xff) << 16 |
                    std::uint32_t((y + i * 5) & 0xff) << 8 | 0x80u;
        const int band = height - height / 10;
        for (int y = band; y < band + 12; ++y)
            for (int x = 0; x < width; ++x)
                pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                    ((x + i * 11) / 9) % 2 ? 0xff2060c0u : 0xffe0e0e0u;
        frames.push_back(store.add(width, height, std::span<const std::uint32_t>(pixels)));
    }
    store.restart();
    return frames;
}

// Never answers: the preview plays with no encode competing for the cores.
class IdleEncoder final : public FlowEncoder
{
public:
    [[nodiscard]] std::shared_ptr<EncodeJob> encode(EncodeRequest, Done) override
    {
        return std::make_shared<EncodeJob>();
    }
};

// The cost of one frame on a worker: decoded from the store and scaled.
void measureDecode(const FrameList& frames, QSize size)
{
    QElapsedTimer clock;
    clock.start();
    const int count = 24;
    for (int i = 0; i < count; ++i)
        (void)ScaledFrameLoader::scaledImage(frames[std::size_t(i * 7 % frames.size())], size,
                                             FrameFit::fit);
    std::printf("  decode and scale    %.1f ms a frame on one thread\n",
                double(clock.nsecsElapsed()) / 1e6 / count);
}

int playback(double seconds, bool withEncoder)
{
    FrameStore store;
    RecordingSession session;
    session.setFps(24);
    std::printf("making 240 frames of 1920x1080...\n");
    session.setCapturedFrames(makeRecording(store, 1920, 1080, 240));
    std::printf("stored in %.0f MiB\n", double(store.memoryBytes()) / 1048576.0);

    QtScheduler scheduler;
    ThreadedGifEncoder threadedEncoder;
    IdleEncoder idleEncoder;
    FlowEncoder& encoder = withEncoder ? static_cast<FlowEncoder&>(threadedEncoder) : idleEncoder;
    SilentAnnouncer announcer;
    PreviewView view(session, scheduler, encoder, announcer, false);
    view.resize(1000, 720);

    QElapsedTimer clock;
    clock.start();
    // When each tick asked for its frame, and when each frame came up.
    std::vector<qint64> tickAt;
    std::vector<int> tickFrame;
    std::vector<std::pair<int, qint64>> shown;
    QObject::connect(&view.model().player(), &GifPlayer::currentFrameChanged, [&](int frame) {
        tickAt.push_back(clock.nsecsElapsed());
        tickFrame.push_back(frame);
    });
    QObject::connect(view.frameView(), &PreviewFrameView::frameShown,
                     [&](int frame) { shown.emplace_back(frame, clock.nsecsElapsed()); });
    qint64 lastBeat = -1;
    qint64 longestGap = 0;
    // The CPU the GUI thread spent between two beats: its own work, without
    // the time other programs held the core.
    double lastBeatCpu = 0;
    double longestWork = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(2);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double cpu = threadCpuMs();
        if (lastBeat >= 0) {
            longestGap = std::max(longestGap, now - lastBeat);
            longestWork = std::max(longestWork, cpu - lastBeatCpu);
        }
        lastBeat = now;
        lastBeatCpu = cpu;
    });

    view.show();
    view.model().setSpeed(2.0);
    heartbeat.start();
    const double cpuBefore = threadCpuMs();
    QTimer::singleShot(int(seconds * 1000), qApp, &QCoreApplication::quit);
    qApp->exec();
    const double guiBusy = (threadCpuMs() - cpuBefore) / (seconds * 1000);
    const bool stillEncoding = view.model().isEncoding();

    const double intervalMs = GifPlayer::timerInterval(24, 2).count();
    int late = 0;
    std::vector<double> delays;
    for (std::size_t t = 0; t < tickAt.size(); ++t) {
        // A frame decoded ahead comes up within the tick's own call, which
        // may be logged just before the tick itself: look from the tick before.
        const qint64 from = t > 0 ? tickAt[t - 1] : 0;
        const qint64 deadline =
            t + 1 < tickAt.size() ? tickAt[t + 1] : tickAt[t] + qint64(intervalMs * 1e6);
        // Within a second: a frame comes round again only after the whole loop.
        const qint64 until = tickAt[t] + 1'000'000'000;
        const auto found = std::find_if(shown.begin(), shown.end(), [&](const auto& one) {
            return one.first == tickFrame[t] && one.second > from && one.second <= until;
        });
        if (found == shown.end()) {
            ++late;
            continue;
        }
        delays.push_back(double(std::max<qint64>(found->second - tickAt[t], 0)) / 1e6);
        if (found->second > deadline)
            ++late;
    }
    std::sort(delays.begin(), delays.end());
    const auto at = [&](double q) {
        return delays.empty() ? 0.0 : delays[std::size_t(q * double(delays.size() - 1))];
    };
    const double expectedTicks = seconds * 1000 / intervalMs;
    std::printf("load average before: %s\n", loadAverage().constData());
    std::printf("playback 1920x1080, 24 fps at 2x, %.0f s (encoder %s)\n", seconds,
                !withEncoder    ? "not running"
                : stillEncoding ? "running throughout"
                                : "done during it");
    std::printf("  ticks               %zu   (timer at %.0f ms: %.0f expected)\n", tickAt.size(),
                intervalMs, expectedTicks);
    std::printf("  late frames         %d   (target 0)\n", late);
    std::printf("  tick to screen      median %.1f ms, 99th %.1f ms, worst %.1f ms   (one tick "
                "is %.1f ms)\n",
                at(0.5), at(0.99), at(1.0), intervalMs);
    std::printf("  GUI longest stall   %.1f ms   (one tick is %.1f ms)\n",
                double(longestGap) / 1e6 - 2.0, intervalMs);
    std::printf("  GUI longest work    %.1f ms of its own CPU between two beats\n", longestWork);
    std::printf("  GUI thread busy     %.0f%% of the time (heartbeat included)\n", guiBusy * 100);
    measureDecode(session.capturedFrames(), view.frameView()->size() * view.devicePixelRatioF());
    return 0;
}

struct OpenFigures {
    double firstFrameMs = -1;
    double filmstripMs = -1;
    double addedMiB = 0;
    int thumbnails = 0;
};

OpenFigures open(int count, bool withEncoder)
{
    FrameStore store;
    RecordingSession session;
    session.setFps(10);
    session.setCapturedFrames(makeRecording(store, 960, 540, count));
    QtScheduler scheduler;
    ThreadedGifEncoder threadedEncoder;
    IdleEncoder idleEncoder;
    FlowEncoder& encoder = withEncoder ? static_cast<FlowEncoder&>(threadedEncoder) : idleEncoder;
    SilentAnnouncer announcer;
    QCoreApplication::processEvents();

    const double before = residentMiB();
    OpenFigures figures;
    QElapsedTimer clock;
    auto view = std::make_unique<PreviewView>(session, scheduler, encoder, announcer, true);
    view->resize(1000, 720);
    clock.start();
    QObject::connect(view->frameView(), &PreviewFrameView::frameShown, [&](int) {
        if (figures.firstFrameMs < 0)
            figures.firstFrameMs = double(clock.nsecsElapsed()) / 1e6;
    });
    const Filmstrip& strip = view->trimBar()->filmstrip();
    QObject::connect(&strip, &Filmstrip::thumbnailsChanged, [&] {
        if (strip.isComplete() && figures.filmstripMs < 0)
            figures.filmstripMs = double(clock.nsecsElapsed()) / 1e6;
    });
    view->show();
    QElapsedTimer limit;
    limit.start();
    while ((figures.firstFrameMs < 0 || figures.filmstripMs < 0) && limit.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    figures.addedMiB = residentMiB() - before;
    figures.thumbnails = strip.thumbnailCount();
    view.reset();
    return figures;
}

int opening(bool withEncoder)
{
    // The first view of a process pays for fonts and the platform; not counted.
    (void)open(60, false);
    std::printf("making 6000 frames of 960x540...\n");
    const OpenFigures large = open(6000, withEncoder);
    const OpenFigures small = open(60, withEncoder);
    std::printf("load average: %s\n", loadAverage().constData());
    std::printf("opening at 960x540 (%s)\n",
                withEncoder ? "the encoder starts at the same time" : "no encoder running");
    std::printf("  %-12s %12s %12s %12s %12s\n", "frames", "first frame", "filmstrip", "thumbnails",
                "memory added");
    for (const auto& [name, figures] : {std::pair{"6000", large}, std::pair{"60", small}})
        std::printf("  %-12s %9.1f ms %9.1f ms %12d %8.1f MiB\n", name, figures.firstFrameMs,
                    figures.filmstripMs, figures.thumbnails, figures.addedMiB);
    std::printf("  (raw pixels of 6000 frames would be %.0f MiB)\n",
                6000.0 * 960 * 540 * 4 / 1048576.0);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 2 && args[1] == QLatin1String("playback"))
        return playback(args.size() >= 3 ? args[2].toDouble() : 20.0,
                        !args.contains(QLatin1String("--no-encoder")));
    if (args.size() >= 2 && args[1] == QLatin1String("open"))
        return opening(!args.contains(QLatin1String("--no-encoder")));
    std::fprintf(stderr, "usage: %s playback [SECONDS] [--no-encoder] | open [--no-encoder]\n",
                 argv[0]);
    return 2;
}
