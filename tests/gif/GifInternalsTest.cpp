#include "ChangedRect.h"
#include "GifByteWriter.h"
#include "NearestColours.h"
#include "ReusedBlocks.h"
#include "RgbDistance.h"

#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace kinetta::gif
{
namespace
{

using Bytes = std::vector<std::uint8_t>;

TEST(GifByteWriter, ColourTablesArePaddedToThePowerOfTwoTheirSizeFieldAnnounces)
{
    // colours -> bits per index (the size field plus one)
    const std::pair<std::size_t, int> cases[] = {{0, 1}, {1, 1}, {2, 1},   {3, 2},
                                                 {4, 2}, {5, 3}, {129, 8}, {256, 8}};
    for (const auto& [colours, bits] : cases) {
        EXPECT_EQ(GifByteWriter::tableBits(colours), bits) << colours;
        Bytes bytes;
        GifByteWriter(bytes).colourTable(std::vector<std::uint32_t>(colours, 0xFF123456u));
        EXPECT_EQ(bytes.size(), GifByteWriter::tableBytes(colours)) << colours;
        EXPECT_EQ(bytes.size(), 3 * (std::size_t{1} << bits)) << colours;
    }
    Bytes bytes;
    GifByteWriter(bytes).colourTable(std::vector<std::uint32_t>{0xFF102030u, 0xFFA0B0C0u, 0u});
    EXPECT_EQ(bytes, (Bytes{0x10, 0x20, 0x30, 0xA0, 0xB0, 0xC0, 0, 0, 0, 0, 0, 0}));
}

TEST(GifByteWriter, WordsAreLittleEndianAndImageDataIsSplitIntoSubBlocks)
{
    Bytes bytes;
    GifByteWriter out(bytes);
    out.word(0x1234);
    out.word(65535);
    EXPECT_EQ(bytes, (Bytes{0x34, 0x12, 0xFF, 0xFF}));

    for (const std::size_t packed : {std::size_t{0}, std::size_t{255}, std::size_t{256}}) {
        bytes.clear();
        out.imageData(Bytes(packed, 7), 8);
        ASSERT_EQ(bytes.size(), GifByteWriter::imageDataSize(packed)) << packed;
        EXPECT_EQ(bytes.front(), 8); // the minimum code size
        EXPECT_EQ(bytes.back(), 0);  // the terminator
        if (packed > 0) {
            EXPECT_EQ(bytes[1], 255); // a full first sub-block
        }
        if (packed == 256) {
            EXPECT_EQ(bytes[1 + 1 + 255], 1);
        }
    }
}

TEST(RgbDistance, TheNearestEntryIsOpaqueAndTheFirstOfEqualDistances)
{
    EXPECT_EQ(rgbDistanceSquared(0xFF010203u, 0x00040506u), 27); // alpha ignored
    const std::vector<std::uint32_t> palette{0, 0xFF000010u, 0xFF000000u, 0xFF000008u, 0xFF000008u};
    const NearestEntry nearest = nearestOpaqueEntry(0xFF000007u, palette);
    EXPECT_EQ(nearest.index, 3);
    EXPECT_EQ(nearest.distanceSquared, 1);
    // Black is near but transparent entries (0) are never chosen.
    EXPECT_EQ(nearestOpaqueEntry(0xFF000001u, std::vector<std::uint32_t>{0, 0xFFFFFFFFu}).index, 1);
    EXPECT_EQ(nearestOpaqueEntry(0xFF000001u, std::vector<std::uint32_t>{0}).index, -1);
}

TEST(NearestColours, AgreesWithASearchOfThePaletteForEveryPixelAndPalette)
{
    // Palettes of every size, with transparent entries and repeated colours;
    // more distinct colours than answers are remembered, each asked twice,
    // so that remembered and replaced answers are both checked.
    std::mt19937 random(7);
    NearestColours nearest;
    for (const std::size_t entries : {std::size_t{1}, std::size_t{2}, std::size_t{17},
                                      std::size_t{255}, std::size_t{256}}) {
        SCOPED_TRACE(::testing::Message() << entries << " entries");
        std::vector<std::uint32_t> palette(entries);
        for (std::uint32_t& colour : palette)
            colour = 0xFF000000u | (random() & 0xE0E0E0u);
        palette[entries / 2] = 0;
        if (entries > 2)
            palette[entries - 1] = palette[1];
        nearest.setPalette(palette);
        std::vector<std::uint32_t> pixels(150000);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = i % 3 == 2 ? pixels[i - 1] : 0xFF000000u | (random() & 0xFFFFFFu);
        std::vector<std::uint8_t> keep(pixels.size(), 1);
        for (std::size_t i = 0; i < keep.size(); i += 5)
            keep[i] = 0;
        std::vector<std::uint8_t> indices(pixels.size());
        if (entries == 1) {
            // Only a transparent entry: nothing to show a pixel with.
            EXPECT_EQ(nearest.nearest(pixels[0]), -1);
            EXPECT_FALSE(nearest.map(pixels, keep, 0, indices));
            continue;
        }
        ASSERT_TRUE(nearest.map(pixels, keep, 200, indices));
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const int expected = keep[i] != 0 ? nearestOpaqueEntry(pixels[i], palette).index : 200;
            wrong += indices[i] != expected ? 1 : 0;
            // The alpha byte does not matter.
            wrong += nearest.nearest(pixels[i] & 0x00FFFFFFu) !=
                             nearestOpaqueEntry(pixels[i], palette).index
                         ? 1
                         : 0;
        }
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(ChangedRect, CoversEveryDifferingPixelAndNothingWhenFramesAreEqual)
{
    const FrameSize size{5, 4};
    std::vector<std::uint32_t> before(20, 0xFF000000u);
    std::vector<std::uint32_t> after = before;
    EXPECT_FALSE(changedRect(after, before, size).has_value());
    after[1 * 5 + 3] = 0xFFFFFFFFu;
    after[3 * 5 + 1] = 0xFFFFFFFFu;
    const std::optional<Rect> rect = changedRect(after, before, size);
    ASSERT_TRUE(rect.has_value());
    EXPECT_EQ(rect->x, 1);
    EXPECT_EQ(rect->y, 1);
    EXPECT_EQ(rect->width, 3);
    EXPECT_EQ(rect->height, 3);
}

TEST(ReusedBlocks, ALargeBlockComesBackToItsThreadAndSmallOnesAreNotKept)
{
    constexpr std::size_t kLarge = std::size_t{8} << 20;
    auto* first = static_cast<unsigned char*>(reusedBlocks::allocate(kLarge));
    ASSERT_NE(first, nullptr);
    first[0] = 1;
    first[kLarge - 1] = 2; // the whole size is usable
    reusedBlocks::release(first);
    // A request it fits without waste takes the kept block; one twice as
    // small does not, so it is not tied up.
    void* again = reusedBlocks::allocate(kLarge - 100);
    EXPECT_EQ(again, first);
    void* other = reusedBlocks::allocate(kLarge);
    EXPECT_NE(other, first);
    reusedBlocks::release(other);
    void* half = reusedBlocks::allocate(kLarge / 2 - 1);
    EXPECT_NE(half, other);
    reusedBlocks::release(half);
    reusedBlocks::release(again);

    // Released on another thread, a block stays with that thread.
    void* moved = reusedBlocks::allocate(kLarge * 2);
    std::thread([moved] { reusedBlocks::release(moved); }).join();
    void* fresh = reusedBlocks::allocate(kLarge * 2);
    EXPECT_NE(fresh, moved);
    reusedBlocks::release(fresh);
    reusedBlocks::release(nullptr);
}

} // namespace
} // namespace kinetta::gif
