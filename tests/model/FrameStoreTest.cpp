#include "model/FrameStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
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
            for (auto& p : pixels)
                p = random();
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
    for (std::size_t i = 0; i < frames.size(); ++i) {
        // Alternate between lending and handing over the pixels.
        if (i % 3 == 2)
            list.push_back(frameStore.add(kWidth, kHeight, std::vector<std::uint32_t>(frames[i])));
        else
            list.push_back(frameStore.add(kWidth, kHeight, frames[i]));
    }
    return list;
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

std::vector<std::size_t> upTo(std::size_t n)
{
    std::vector<std::size_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = i;
    return order;
}

// Descriptors of this process that point into folder.
int openFilesIn(const QString& folder)
{
    int count = 0;
    const std::string prefix = QDir(folder).canonicalPath().toStdString() + "/";
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error);
        if (!error && target.string().starts_with(prefix))
            ++count;
    }
    return count;
}

// Disk blocks held by the files of this process in folder.
long long blocksIn(const QString& folder)
{
    long long blocks = 0;
    const std::string prefix = QDir(folder).canonicalPath().toStdString() + "/";
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error);
        struct stat info {
        };
        if (!error && target.string().starts_with(prefix) &&
            ::stat(entry.path().c_str(), &info) == 0)
            blocks += info.st_blocks;
    }
    return blocks;
}

class ScopedEnv final
{
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name)
    {
        m_had = qEnvironmentVariableIsSet(name);
        m_old = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had = false;
    QByteArray m_old;
};

} // namespace

TEST(FrameStore, EveryFrameRoundTripsBitExact)
{
    const auto frames = recording(130);
    QTemporaryDir dir;
    FrameStore frameStore({.memoryBudget = 1 << 30, .compressor = {}, .spillFolder = dir.path()});
    const FrameList list = store(frameStore, frames);
    expectFrames(list, frames, upTo(frames.size()));
    // Read backwards too: no frame depends on what was read before it.
    for (std::size_t i = list.size(); i-- > 0;)
        ASSERT_TRUE(list[i].pixels() == frames[i]) << i;
    EXPECT_EQ(frameStore.spilledBytes(), 0u);
    // The still stretches cost next to nothing.
    EXPECT_LT(list[30].storedBytes(), 100u);
    EXPECT_LT(frameStore.memoryBytes(), frames.size() * kWidth * kHeight * 4 / 2);
}

TEST(FrameStore, FirstFrameAndFrameAfterLongStillRunReadAlone)
{
    std::vector<std::uint32_t> pixels(kWidth * kHeight, 0xff336699);
    FrameStore frameStore(
        {.memoryBudget = 1 << 30, .compressor = {.maxDeltaRun = 300}, .spillFolder = {}});
    Frame first = frameStore.add(kWidth, kHeight, pixels);
    EXPECT_TRUE(first.pixels() == pixels);
    FrameList list{first};
    for (int i = 0; i < 700; ++i)
        list.push_back(frameStore.add(kWidth, kHeight, pixels));
    pixels[kWidth * kHeight - 1] = 0xffffffff;
    const Frame changed = frameStore.add(kWidth, kHeight, pixels);
    // Only the newest frame is kept: it must still carry what it needs.
    list.clear();
    first = Frame();
    EXPECT_TRUE(changed.pixels() == pixels);
    EXPECT_EQ(changed.toImage().pixel(kWidth - 1, kHeight - 1), 0xffffffffu);
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
    std::vector<std::size_t> order;
    for (std::size_t i = 17; i < 55; ++i)
        order.push_back(i);
    list.clear();
    expectFrames(trimmed, frames, order);
    EXPECT_LE(frameStore.memoryBytes(), before);

    // Boomerang: forward then backward without repeating the ends.
    FrameList boomerang = trimmed;
    for (std::size_t i = trimmed.size() - 1; i-- > 1;)
        boomerang.push_back(trimmed[i]);
    std::vector<std::size_t> there = order;
    for (std::size_t i = order.size() - 1; i-- > 1;)
        there.push_back(order[i]);
    expectFrames(boomerang, frames, there);
    EXPECT_EQ(boomerang[trimmed.size()], trimmed[trimmed.size() - 2]); // same stored frame

    boomerang.clear();
    trimmed.clear();
    frameStore.restart(); // the store lets go of its last frame
    EXPECT_EQ(frameStore.memoryBytes(), 0u);
}

TEST(FrameStore, FramesOutliveTheStoreAndImagesOfEveryLayoutAreTaken)
{
    FrameList list;
    QImage image(33, 9, QImage::Format_RGB888); // 3 bytes a pixel: padded rows
    image.fill(QColor(10, 20, 30));
    {
        FrameStore frameStore;
        list.push_back(frameStore.add(image));
        image.setPixel(32, 8, qRgb(200, 100, 50));
        list.push_back(frameStore.add(image));
        EXPECT_TRUE(frameStore.add(QImage()).isNull());
        EXPECT_TRUE(frameStore.add(0, 5, std::span<const std::uint32_t>()).isNull());
        EXPECT_TRUE(frameStore.add(2, 2, std::vector<std::uint32_t>(3)).isNull()) << "short data";
        // A size change within a recording starts over with a keyframe.
        list.push_back(frameStore.add(Frame::fromPixels(2, 1, {0xff000001, 0xff000002}).toImage()));
    }
    EXPECT_EQ(list[0].toImage().pixel(32, 8), qRgb(10, 20, 30));
    EXPECT_EQ(list[1].toImage(), image.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(list[2].pixels(), (std::vector<std::uint32_t>{0xff000001, 0xff000002}));
}

TEST(FrameStore, SpillsPastTheBudgetKeepsEveryFrameAndRemovesItsFile)
{
    QTemporaryDir cache;
    ASSERT_TRUE(cache.isValid());
    const ScopedEnv budget(FrameStore::kBudgetVariable, "20000");
    const ScopedEnv cacheHome("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const QString folder = cache.path() + QStringLiteral("/kinetta");

    const auto frames = recording(120);
    FrameList list;
    QStringList notices;
    {
        FrameStore frameStore;
        EXPECT_EQ(frameStore.memoryBudget(), 20000u);
        frameStore.setNoticeHandler([&](const QString& line) { notices << line; });
        list = store(frameStore, frames);
        EXPECT_LE(frameStore.memoryBytes(), 20000u);
        EXPECT_GT(frameStore.spilledBytes(), 0u);
    }
    ASSERT_EQ(notices.size(), 1) << "told once, not per frame";
    EXPECT_TRUE(notices[0].contains(QStringLiteral("limit of 19.5 kB")))
        << notices[0].toStdString();
    EXPECT_TRUE(notices[0].contains(QStringLiteral("temporary file"))) << notices[0].toStdString();

    // The file has no name: nothing to leak, and only this process holds it.
    struct stat info {
    };
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(
        QDir(folder)
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
            .isEmpty());
    EXPECT_EQ(openFilesIn(folder), 1);

    expectFrames(list, frames, upTo(frames.size()));

    // Trimming gives the space of the frames dropped back at once. Frame 80 is
    // random, so it is a keyframe too large for the budget: kept in the file.
    const long long before = blocksIn(folder);
    list = FrameList(list.begin() + 80, list.begin() + 85);
    EXPECT_EQ(openFilesIn(folder), 1);
    EXPECT_LT(blocksIn(folder), before);
    expectFrames(list, frames, {80, 81, 82, 83, 84});

    list.clear();
    EXPECT_EQ(openFilesIn(folder), 0);
}

TEST(FrameStore, NoticeComesAgainForTheNextRecording)
{
    QTemporaryDir dir;
    FrameStore frameStore({.memoryBudget = 1, .compressor = {}, .spillFolder = dir.path()});
    int notices = 0;
    frameStore.setNoticeHandler([&](const QString&) { ++notices; });
    const auto frames = recording(5);
    FrameList first = store(frameStore, frames);
    frameStore.restart();
    FrameList second = store(frameStore, frames);
    EXPECT_EQ(notices, 2);
    expectFrames(second, frames, upTo(frames.size()));
    expectFrames(first, frames, upTo(frames.size()));
}

TEST(FrameStore, PlantedLinkIsRefusedAndFramesStayInMemory)
{
    QTemporaryDir dir;
    QTemporaryDir elsewhere;
    const QString folder = dir.path() + QStringLiteral("/kinetta");
    ASSERT_TRUE(QFile::link(elsewhere.path(), folder));

    FrameStore frameStore({.memoryBudget = 1000, .compressor = {}, .spillFolder = folder});
    QStringList notices;
    frameStore.setNoticeHandler([&](const QString& line) { notices << line; });
    const auto frames = recording(50);
    const FrameList list = store(frameStore, frames);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(QStringLiteral("stay in memory"))) << notices[0].toStdString();
    EXPECT_EQ(frameStore.spilledBytes(), 0u);
    EXPECT_EQ(openFilesIn(elsewhere.path()), 0);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    expectFrames(list, frames, upTo(frames.size()));
}

TEST(FrameStore, BudgetVariableThatIsNotANumberIsIgnored)
{
    const ScopedEnv budget(FrameStore::kBudgetVariable, "lots");
    const std::size_t fallback = FrameStore::defaultMemoryBudget();
    EXPECT_GT(fallback, std::size_t{1} << 20);
    const ScopedEnv number(FrameStore::kBudgetVariable, " 123456 ");
    EXPECT_EQ(FrameStore::defaultMemoryBudget(), 123456u);
}

TEST(FrameStore, FramesReadFromSeveralThreadsAtOnce)
{
    const auto frames = recording(80);
    QTemporaryDir dir;
    // Half in memory, half in the file: both paths are read concurrently.
    FrameStore frameStore({.memoryBudget = 40000, .compressor = {}, .spillFolder = dir.path()});
    const FrameList list = store(frameStore, frames);
    ASSERT_GT(frameStore.spilledBytes(), 0u);
    ASSERT_GT(frameStore.memoryBytes(), 0u);

    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::vector<std::uint32_t> out(kWidth * kHeight);
            for (int round = 0; round < 3; ++round) {
                for (std::size_t k = 0; k < list.size(); ++k) {
                    // Each thread walks the list in its own order.
                    const std::size_t i = (k * (2 * t + 1) + t) % list.size();
                    list[i].readPixels(out);
                    if (out != frames[i])
                        ++mismatches;
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(FrameStore, HandedOverOpaqueFramesReadBackOpaqueAndAreLetGoOnRestart)
{
    // As grabbed from a 24-bit display: the top byte is whatever it happens to be.
    const auto frames = recording(60);
    FrameStore frameStore({.memoryBudget = 1 << 30, .compressor = {}, .spillFolder = {}});
    FrameList list;
    std::weak_ptr<const void> last;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        auto owner = std::make_shared<std::vector<std::uint32_t>>(frames[i]);
        for (auto& p : *owner)
            p = (p & 0x00ffffffu) | (static_cast<std::uint32_t>(i * 37) << 24);
        last = owner;
        list.push_back(frameStore.add(kWidth, kHeight, SharedPixels{*owner, owner, true}));
    }
    EXPECT_FALSE(last.expired()) << "the newest frame is the next one's reference";
    frameStore.restart();
    EXPECT_TRUE(last.expired());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        std::vector<std::uint32_t> expected = frames[i];
        for (auto& p : expected)
            p |= 0xff000000u;
        ASSERT_TRUE(list[i].pixels() == expected) << i;
    }
    // A frame of the wrong size is refused, as with the other ways in.
    auto small = std::make_shared<std::vector<std::uint32_t>>(10);
    EXPECT_TRUE(frameStore.add(kWidth, kHeight, SharedPixels{*small, small, true}).isNull());
}
