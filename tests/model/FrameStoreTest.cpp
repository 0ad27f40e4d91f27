#include "model/FrameStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <sys/stat.h>
#include <thread>

using namespace kinetta;

namespace
{

constexpr int kWidth = 150;
constexpr int kHeight = 70;

// A recording whose frames mix the cases that matter: random, flat, small
// moving rectangles, and a long still stretch.
std::vector<std::vector<std::uint32_t>> recording(int count)
{
    std::mt19937 random(42);
    std::vector<std::vector<std::uint32_t>> frames;
    std::vector<std::uint32_t> pixels(kWidth * kHeight, 0xff202020);
    for (int i = 0; i < count; ++i) {
        const int phase = i % 40;
        if (phase == 0) {
            std::ranges::generate(pixels, std::ref(random));
        } else if (phase == 10) {
            std::fill(pixels.begin(), pixels.end(), 0xff000000u | static_cast<std::uint32_t>(i));
        } else if (phase < 25) {
            const int x = static_cast<int>(random() % (kWidth - 5));
            const int y = static_cast<int>(random() % (kHeight - 5));
            for (int r = y; r < y + 5; ++r)
                for (int c = x; c < x + 5; ++c)
                    pixels[static_cast<std::size_t>(r * kWidth + c)] = random();
        } // phases 25..39: unchanged
        frames.push_back(pixels);
    }
    return frames;
}

FrameList store(FrameStore& frameStore, const std::vector<std::vector<std::uint32_t>>& frames)
{
    FrameList list;
    for (std::size_t i = 0; i < frames.size(); ++i) // alternately lent and handed over
        list.push_back(i % 3 == 2
                           ? frameStore.add(kWidth, kHeight, std::vector<std::uint32_t>(frames[i]))
                           : frameStore.add(kWidth, kHeight, frames[i]));
    return list;
}

std::vector<std::size_t> range(std::size_t first, std::size_t end)
{
    std::vector<std::size_t> numbers(end - first);
    std::iota(numbers.begin(), numbers.end(), first);
    return numbers;
}

void expectFrames(const FrameList& list, const std::vector<std::vector<std::uint32_t>>& frames,
                  const std::vector<std::size_t>& order)
{
    ASSERT_EQ(list.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        ASSERT_EQ(list[i].size(), QSize(kWidth, kHeight));
        EXPECT_TRUE(list[i].pixels() == frames[order[i]]) << "position " << i;
    }
}

// Descriptors of this process open into folder, and the disk blocks they hold.
std::pair<int, long long> openFilesIn(const QString& folder)
{
    std::pair<int, long long> found{0, 0};
    const std::string prefix = QDir(folder).canonicalPath().toStdString() + "/";
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        struct stat info = {};
        if (std::filesystem::read_symlink(entry.path(), error).string().starts_with(prefix) &&
            !error && ::stat(entry.path().c_str(), &info) == 0) {
            ++found.first;
            found.second += info.st_blocks;
        }
    }
    return found;
}

// Sets a variable for the scope of the test and takes it away again.
struct ScopedEnv final {
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name) { qputenv(name, value); }
    ~ScopedEnv() { qunsetenv(m_name); }
    const char* m_name;
};

} // namespace

TEST(FrameStore, EveryFrameRoundTripsBitExactAndOutlivesTheStore)
{
    const auto frames = recording(130);
    FrameList list;
    {
        FrameStore frameStore({.memoryBudget = 1 << 30, .compressor = {}, .spillFolder = {}});
        list = store(frameStore, frames);
        expectFrames(list, frames, range(0, frames.size()));
        EXPECT_EQ(frameStore.spilledBytes(), 0u);
        // The still stretches cost next to nothing.
        EXPECT_LT(list[30].storedBytes(), 100u);
        EXPECT_LT(frameStore.memoryBytes(), frames.size() * kWidth * kHeight * 4 / 2);
    }
    // Read backwards too: no frame depends on what was read before it.
    for (std::size_t i = list.size(); i-- > 0;)
        ASSERT_TRUE(list[i].pixels() == frames[i]) << i;
}

TEST(FrameStore, TrimmedAndBoomerangListsShareFramesAndReadRight)
{
    const auto frames = recording(90);
    QTemporaryDir dir;
    FrameStore frameStore({.memoryBudget = 1 << 30, .compressor = {}, .spillFolder = dir.path()});
    FrameList list = store(frameStore, frames);
    const std::size_t before = frameStore.memoryBytes();

    // Trim to 17..54, dropping both ends including the keyframe under 17.
    FrameList trimmed(list.begin() + 17, list.begin() + 55);
    list.clear();
    expectFrames(trimmed, frames, range(17, 55));
    EXPECT_LE(frameStore.memoryBytes(), before);

    // Boomerang: forward then backward without repeating the ends.
    FrameList boomerang = trimmed;
    std::vector<std::size_t> order = range(17, 55);
    for (std::size_t i = trimmed.size() - 1; i-- > 1;) {
        boomerang.push_back(trimmed[i]);
        order.push_back(17 + i);
    }
    expectFrames(boomerang, frames, order);
    EXPECT_EQ(boomerang[trimmed.size()], trimmed[trimmed.size() - 2]); // same stored frame

    boomerang.clear();
    trimmed.clear();
    frameStore.restart(); // the store lets go of its last frame
    EXPECT_EQ(frameStore.memoryBytes(), 0u);
}

TEST(FrameStore, ImagesOfEveryLayoutAreTakenAndBadSizesRefused)
{
    FrameList list;
    QImage image(33, 9, QImage::Format_RGB888); // 3 bytes a pixel: padded rows
    image.fill(QColor(10, 20, 30));
    FrameStore frameStore;
    list.push_back(frameStore.add(image));
    image.setPixel(32, 8, qRgb(200, 100, 50));
    list.push_back(frameStore.add(image));
    EXPECT_TRUE(frameStore.add(QImage()).isNull());
    EXPECT_TRUE(frameStore.add(0, 5, std::span<const std::uint32_t>()).isNull());
    EXPECT_TRUE(frameStore.add(2, 2, std::vector<std::uint32_t>(3)).isNull()) << "short data";
    auto small = std::make_shared<std::vector<std::uint32_t>>(10);
    EXPECT_TRUE(frameStore.add(kWidth, kHeight, SharedPixels{*small, small, true}).isNull());
    // A size change within a recording starts over with a keyframe.
    list.push_back(frameStore.add(Frame::fromPixels(2, 1, {0xff000001, 0xff000002}).toImage()));
    EXPECT_EQ(list[0].toImage().pixel(32, 8), qRgb(10, 20, 30));
    EXPECT_EQ(list[1].toImage(), image.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(list[2].pixels(), (std::vector<std::uint32_t>{0xff000001, 0xff000002}));
}

TEST(FrameStore, SpillsPastTheBudgetKeepsEveryFrameRemovesItsFileAndRefusesAPlantedLink)
{
    QTemporaryDir cache;
    const ScopedEnv budget(FrameStore::kBudgetVariable, " 20000 ");
    const ScopedEnv cacheHome("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const QString folder = cache.path() + QStringLiteral("/kinetta");

    const auto frames = recording(120);
    FrameList list;
    QStringList notices;
    {
        FrameStore frameStore(FrameStore::optionsFromEnvironment());
        EXPECT_EQ(frameStore.memoryBudget(), 20000u);
        frameStore.setNoticeHandler([&](const QString& line) { notices << line; });
        list = store(frameStore, frames);
        EXPECT_LE(frameStore.memoryBytes(), 20000u);
        EXPECT_GT(frameStore.spilledBytes(), 0u);
    }
    ASSERT_EQ(notices.size(), 1) << "told once, not per frame";
    EXPECT_TRUE(notices[0].contains(QStringLiteral("limit of 19 KB")) &&
                notices[0].contains(QStringLiteral("temporary file")))
        << notices[0].toStdString();

    // The file has no name: nothing to leak, and only this process holds it.
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                     QDir::System));
    const auto [files, blocks] = openFilesIn(folder);
    EXPECT_EQ(files, 1);
    expectFrames(list, frames, range(0, frames.size()));

    // Trimming gives the space of the frames dropped back at once. Frame 80 is
    // random, so it is a keyframe too large for the budget: kept in the file.
    list = FrameList(list.begin() + 80, list.begin() + 85);
    EXPECT_EQ(openFilesIn(folder).first, 1);
    EXPECT_LT(openFilesIn(folder).second, blocks);
    expectFrames(list, frames, range(80, 85));
    list.clear();
    EXPECT_EQ(openFilesIn(folder).first, 0);

    // A link planted in place of the folder is refused: the frames stay in memory.
    QTemporaryDir otherCache;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), otherCache.path() + QStringLiteral("/kinetta")));
    const ScopedEnv otherCacheHome("XDG_CACHE_HOME", QFile::encodeName(otherCache.path()));
    FrameStore linked(FrameStore::optionsFromEnvironment());
    notices.clear();
    linked.setNoticeHandler([&](const QString& line) { notices << line; });
    list = store(linked, frames);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(QStringLiteral("stay in memory"))) << notices[0].toStdString();
    EXPECT_EQ(linked.spilledBytes(), 0u);
    EXPECT_EQ(openFilesIn(elsewhere.path()).first, 0);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    expectFrames(list, frames, range(0, frames.size()));

    // A budget that is not a number is ignored.
    const ScopedEnv words(FrameStore::kBudgetVariable, "lots");
    EXPECT_EQ(FrameStore::optionsFromEnvironment().memoryBudget, 0u);
    EXPECT_GT(FrameStore(FrameStore::optionsFromEnvironment()).memoryBudget(),
              std::size_t{1} << 20);
}

TEST(FrameStore, FramesReadFromSeveralThreadsAtOnceAndNoticeComesAgainNextRecording)
{
    const auto frames = recording(80);
    QTemporaryDir dir;
    // Half in memory, half in the file: both paths are read concurrently.
    FrameStore frameStore({.memoryBudget = 40000, .compressor = {}, .spillFolder = dir.path()});
    int notices = 0;
    frameStore.setNoticeHandler([&](const QString&) { ++notices; });
    const FrameList first = store(frameStore, frames);
    frameStore.restart();
    const FrameList list = store(frameStore, frames);
    EXPECT_EQ(notices, 2);
    ASSERT_GT(frameStore.spilledBytes(), 0u);
    ASSERT_GT(frameStore.memoryBytes(), 0u);

    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::vector<std::uint32_t> out(kWidth * kHeight);
            for (std::size_t k = 0; k < 3 * list.size(); ++k) {
                // Each thread walks both recordings in its own order.
                const std::size_t i = (k * (2 * t + 1) + t) % list.size();
                (k % 2 ? first : list)[i].readPixels(out);
                mismatches += out != frames[i] ? 1 : 0;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(FrameStore, ACodecFailureGivesANullFrameToldOnceAndTheRecordingGoesOn)
{
    QStringList notices;
    FrameStore frameStore(
        {.memoryBudget = 0, .compressor = {.packedCapacity = 512}, .spillFolder = {}});
    frameStore.setNoticeHandler([&](const QString& line) { notices << line; });
    std::mt19937 random(3);
    std::vector<std::uint32_t> noise(kWidth * kHeight);
    std::ranges::generate(noise, std::ref(random));
    const std::vector<std::uint32_t> flat(kWidth * kHeight, 0xff102030u);

    const Frame first = frameStore.add(kWidth, kHeight, flat);
    EXPECT_TRUE(frameStore.add(kWidth, kHeight, noise).isNull());
    EXPECT_TRUE(frameStore.add(kWidth, kHeight, noise).isNull());
    const Frame after = frameStore.add(kWidth, kHeight, flat);
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(after.isNull());
    EXPECT_EQ(first.pixels(), flat);
    EXPECT_EQ(after.pixels(), flat);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains("could not be compressed")) << notices[0].toStdString();
    // A new recording may tell again.
    frameStore.restart();
    EXPECT_TRUE(frameStore.add(kWidth, kHeight, noise).isNull());
    EXPECT_EQ(notices.size(), 2);
}
