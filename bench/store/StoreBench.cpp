// Frame-store benchmark on recorded screen content: for each folder of PNG
// frames (one scene), stores the frames with each compressor setting and prints
// the compression ratio, the time to store a frame (what the recorder's frame
// queue pays) and the time to read one frame back (median and worst over all
// frames, each read on its own as a preview would), both in thread CPU time,
// checking every frame.
//
// store-bench [--quick] FOLDER...
//   --quick   only the chosen default setting
#include "model/FrameStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <time.h>
#include <vector>

using namespace kinetta;

namespace
{

// CPU time of this thread: what the frame queue pays, unaffected by other
// programs competing for the cores.
struct Clock {
    using time_point = double;
    static double now()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    }
};

double msSince(Clock::time_point start)
{
    return Clock::now() - start;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Scene {
    QString name;
    int width = 0;
    int height = 0;
    std::vector<std::vector<std::uint32_t>> frames;
};

bool loadScene(const QString& folder, Scene& scene)
{
    const QDir dir(folder);
    scene.name = dir.dirName();
    const QStringList files = dir.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const QImage image = QImage(dir.filePath(file)).convertToFormat(QImage::Format_RGB32);
        if (image.isNull()) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(dir.filePath(file)));
            return false;
        }
        if (scene.frames.empty()) {
            scene.width = image.width();
            scene.height = image.height();
        } else if (image.size() != QSize(scene.width, scene.height)) {
            std::fprintf(stderr, "%s: frames of different sizes\n", qPrintable(folder));
            return false;
        }
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(image.width()) *
                                          static_cast<std::size_t>(image.height()));
        for (int y = 0; y < image.height(); ++y)
            std::copy_n(reinterpret_cast<const std::uint32_t*>(image.constScanLine(y)),
                        image.width(),
                        pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width());
        scene.frames.push_back(std::move(pixels));
    }
    return !scene.frames.empty();
}

struct Setting {
    const char* name;
    TileDeltaSettings compressor;
};

bool run(const Scene& scene, const Setting& setting)
{
    QTemporaryDir spill;
    FrameStore store({.memoryBudget = std::size_t{1} << 40,
                      .compressor = setting.compressor,
                      .spillFolder = spill.path()});
    FrameList list;
    std::vector<double> storeMs;
    for (const auto& pixels : scene.frames) {
        // Handed over, as the recorder does with each grabbed image.
        std::vector<std::uint32_t> grabbed = pixels;
        const auto start = Clock::now();
        list.push_back(store.add(scene.width, scene.height, std::move(grabbed)));
        storeMs.push_back(msSince(start));
    }
    const double rawBytes = static_cast<double>(scene.frames.size()) * scene.width * scene.height *
                            sizeof(std::uint32_t);

    // Read in a shuffled order so no frame benefits from the one read before.
    std::vector<std::size_t> order(list.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(1));
    std::vector<std::uint32_t> out(scene.frames.front().size());
    std::vector<double> readMs;
    bool exact = true;
    for (const std::size_t i : order) {
        const auto start = Clock::now();
        list[i].readPixels(out);
        readMs.push_back(msSince(start));
        exact = exact && out == scene.frames[i];
    }
    std::printf("%-16s %-9s %5zu %9.1f %8.1f %7.2f %7.2f %7.2f %7.2f %s\n", qPrintable(scene.name),
                setting.name, list.size(), rawBytes / 1e6,
                static_cast<double>(store.memoryBytes()) / 1e6,
                rawBytes / static_cast<double>(std::max<std::size_t>(store.memoryBytes(), 1)),
                median(storeMs), *std::max_element(storeMs.begin(), storeMs.end()), median(readMs),
                exact ? "" : "  MISMATCH");
    std::printf("%-16s %-9s %5s %9s %8s %7s %7s %7s %7.2f (worst read)\n", "", "", "", "", "", "",
                "", "", *std::max_element(readMs.begin(), readMs.end()));
    return exact;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool quick = args.removeAll(QStringLiteral("--quick")) > 0;
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: store-bench [--quick] FOLDER...\n");
        return 2;
    }
    std::vector<Setting> settings = {{"default", {}}};
    if (!quick) {
        settings.push_back({"lz4", {.compression = BlockCompression::Lz4, .level = 1}});
        settings.push_back({"lz4-a4", {.compression = BlockCompression::Lz4, .level = 4}});
        settings.push_back({"zstd-3", {.compression = BlockCompression::Zstd, .level = 3}});
        settings.push_back({"zstd--3", {.compression = BlockCompression::Zstd, .level = -3}});
        settings.push_back({"key8", {.maxDeltaRun = 8}});
    }
    std::printf("%-16s %-9s %5s %9s %8s %7s %7s %7s %7s\n", "scene", "setting", "n", "raw MB",
                "kept MB", "ratio", "add ms", "add max", "read ms");
    bool allExact = true;
    for (const QString& folder : args) {
        Scene scene;
        if (!loadScene(folder, scene))
            return 1;
        for (const Setting& setting : settings)
            allExact = run(scene, setting) && allExact;
    }
    return allExact ? 0 : 1;
}
