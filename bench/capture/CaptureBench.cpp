// Records the whole display for a while with the real recorder and the
// capture source the program would choose (KINETTA_CAPTURE=x11 or =portal
// forces one), and prints the frames kept and the process CPU time per kept
// frame, read just before the recording is stopped.
#include "capture/CaptureBackend.h"
#include "capture/ScreenRecorder.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{

// User plus system time in milliseconds from a /proc stat file.
double statCpuMs(const std::string& path)
{
    std::ifstream stat(path);
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name, which is in parentheses and may hold spaces.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i)
        fields >> skip;
    unsigned long long user = 0;
    unsigned long long system = 0;
    fields >> user >> system;
    return static_cast<double>(user + system) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double processCpuMs()
{
    return statCpuMs("/proc/self/stat");
}

// CPU time of each named thread of this process, in milliseconds.
std::string threadCpu()
{
    std::string report;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return report;
    while (dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string base = std::string("/proc/self/task/") + entry->d_name;
        std::ifstream commFile(base + "/comm");
        std::string name;
        std::getline(commFile, name);
        if (name.rfind("kinetta-", 0) != 0)
            continue;
        report += " " + name + "_ms=" +
                  std::to_string(static_cast<long long>(statCpuMs(base + "/stat")));
    }
    closedir(tasks);
    return report;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: capture_bench SECONDS FPS SCALE\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const double seconds = std::atof(argv[1]);
    const double fps = std::atof(argv[2]);
    const double scale = std::atof(argv[3]);
    kinetta::ScreenRecorder recorder(kinetta::createCaptureSource(),
                                     kinetta::FrameStore::optionsFromEnvironment());
    const QByteArray backend = qgetenv("KINETTA_CAPTURE");
    const double cpuBefore = processCpuMs();
    const auto error = recorder.start(kinetta::CaptureMode::fullScreen, fps, scale, std::nullopt,
                                      std::nullopt, true);
    if (error) {
        std::fprintf(stderr, "capture_bench: %s\n", error->description().toLocal8Bit().constData());
        return 1;
    }
    // The benchmark itself waits out the recording time; the recorder runs on its own threads.
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double cpu = processCpuMs() - cpuBefore;
    const std::string threads = threadCpu();
    const kinetta::RecordedFrames recording = recorder.stop();
    const kinetta::FrameList& frames = recording.frames;
    // Repeats fill the slots whose grab was missed; they cost no capture work.
    const std::size_t grabbed = frames.size() - recording.repeatedFrames;
    const double requested = seconds * fps;
    const auto size = frames.empty() ? QSize() : frames.front().size();
    std::printf("kinetta-%s scale=%.2f size=%dx%d kept=%zu repeated=%zu requested=%.0f kept%%=%.1f "
                "cpu_ms=%.0f cpu_ms_per_frame=%.2f (threads:%s)\n",
                backend.isEmpty() ? "auto" : backend.constData(), scale, size.width(),
                size.height(), grabbed, recording.repeatedFrames, requested,
                100.0 * static_cast<double>(grabbed) / requested, cpu,
                grabbed == 0 ? 0.0 : cpu / static_cast<double>(grabbed), threads.c_str());
    return 0;
}
