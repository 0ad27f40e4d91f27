// Records the X display in $DISPLAY for a while with the real recorder and
// prints how well the recording keeps time: frames captured against the
// frames the wall time asks for, slots repeated because their grab was
// missed, and the playback time of the GIF the frames make (the sum of the
// delays the encoder writes) against the wall time recorded.
//
// cadence_bench SECONDS FPS SCALE
#include "capture/ScreenRecorder.h"
#include "capture/x11/X11CaptureSource.h"
#include "gif/GifEncoder.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: cadence_bench SECONDS FPS SCALE\n");
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    const double fps = std::atof(argv[2]);
    const double scale = std::atof(argv[3]);
    kinetta::ScreenRecorder recorder(std::make_shared<kinetta::x11::X11CaptureSource>(),
                                     kinetta::FrameStore::optionsFromEnvironment());
    const auto error = recorder.start(kinetta::CaptureMode::fullScreen, fps, scale, std::nullopt,
                                      std::nullopt, true);
    if (error) {
        std::fprintf(stderr, "cadence_bench: %s\n", error->description().toLocal8Bit().constData());
        return 1;
    }
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    // The benchmark itself waits out the recording time; the recorder runs on its own threads.
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    const kinetta::RecordedFrames recording = recorder.stop();
    const std::size_t count = recording.frames.size();
    if (count == 0) {
        std::fprintf(stderr, "cadence_bench: no frames recorded\n");
        return 1;
    }
    long long hundredths = 0;
    for (const auto& frame :
         kinetta::gif::GifEncoder::schedule(count, kinetta::gif::GifEncoder::Options(fps)))
        hundredths += frame.delayHundredths;
    const double playback = static_cast<double>(hundredths) / 100.0;
    const QSize size = recording.frames.front().size();
    std::printf("cadence %.0f s at %g fps, %dx%d: frames captured %zu for %.0f slots of wall "
                "time (%.2f%%), grabbed %zu, slots repeated %zu (%.2f%%); playback %.2f s for "
                "%.2f s recorded (%+.2f%%)\n",
                seconds, fps, size.width(), size.height(), count, wall * fps,
                100.0 * static_cast<double>(count) / (wall * fps), count - recording.repeatedFrames,
                recording.repeatedFrames,
                100.0 * static_cast<double>(recording.repeatedFrames) / static_cast<double>(count),
                playback, wall, 100.0 * (playback - wall) / wall);
    return 0;
}
