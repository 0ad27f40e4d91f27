#include "GifByteWriter.h"
#include "LzwEncoder.h"
#include "gif/GifTestDecoder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace kinetta::gif
{
namespace
{

using Indices = std::vector<std::uint8_t>;
using testing::decodeGif;
using FullTable = LzwChoices::FullTable;

// Index k shows this colour; distinct for every k below 256.
std::uint32_t colourOf(int k)
{
    return 0xFF000000u | static_cast<std::uint32_t>(k) << 16 |
           static_cast<std::uint32_t>(255 - k) << 8 | static_cast<std::uint32_t>(k * 7 % 256);
}

// One image of width x height with the packed codes, in a file giflib can
// read: a global table of 1 << minCodeSize entries and a transparent index.
std::vector<std::uint8_t> wrap(const std::vector<std::uint8_t>& packed, int width, int height,
                               int minCodeSize, int transparentIndex)
{
    std::vector<std::uint8_t> bytes;
    GifByteWriter out(bytes);
    out.ascii("GIF89a");
    out.word(width);
    out.word(height);
    out.byte(static_cast<std::uint8_t>(0xF0 | (minCodeSize - 1)));
    out.byte(0);
    out.byte(0);
    std::vector<std::uint32_t> table;
    for (int k = 0; k < (1 << minCodeSize); ++k)
        table.push_back(colourOf(k));
    out.colourTable(table);
    out.byte(0x21);
    out.byte(0xF9);
    out.byte(4);
    out.byte(transparentIndex >= 0 ? 0x05 : 0x04);
    out.word(0);
    out.byte(static_cast<std::uint8_t>(std::max(transparentIndex, 0)));
    out.byte(0);
    out.byte(0x2C);
    out.word(0);
    out.word(0);
    out.word(width);
    out.word(height);
    out.byte(0);
    out.imageData(packed, minCodeSize);
    out.byte(0x3B);
    return bytes;
}

// Images that make the coder's choices matter: noise that fills the code
// table many times, long runs, repeated patterns with small breaks, and
// text-like rows of strokes on a background.
std::vector<Indices> images(int width, int height, int symbols)
{
    const auto count = static_cast<std::size_t>(width * height);
    std::mt19937 random(static_cast<std::uint32_t>(symbols * 131 + width));
    std::uniform_int_distribution<int> pick(0, symbols - 1);
    std::vector<Indices> out(4, Indices(count));
    for (std::size_t i = 0; i < count; ++i) {
        out[0][i] = static_cast<std::uint8_t>(pick(random));
        out[1][i] = static_cast<std::uint8_t>(i / 97 % static_cast<std::size_t>(symbols));
        out[2][i] = static_cast<std::uint8_t>(random() % 53 == 0 ? pick(random) : i % 7 % symbols);
        const std::size_t x = i % static_cast<std::size_t>(width);
        const std::size_t y = i / static_cast<std::size_t>(width);
        const bool stroke = y % 12 < 8 && (x * 5 + y * 3) % 11 < 3;
        out[3][i] = static_cast<std::uint8_t>(stroke ? (x / 40) % symbols : 0);
    }
    return out;
}

TEST(LzwChoices, EveryChoiceDecodesToTheSamePixels)
{
    LzwEncoder lzw;
    std::vector<std::uint8_t> packed;
    std::vector<std::uint8_t> greedy;
    std::size_t cut = 0; // images where looking ahead ended a string early
    for (int minCodeSize : {2, 4, 8}) {
        for (auto [width, height] : {std::pair{1, 1}, {7, 3}, {251, 199}}) {
            const int symbols = 1 << minCodeSize;
            for (const Indices& indices : images(width, height, symbols)) {
                for (const LzwChoices choices :
                     {LzwChoices{FullTable::Clear, false}, LzwChoices{FullTable::Clear, true},
                      LzwChoices{FullTable::Keep, false}, LzwChoices{FullTable::Keep, true},
                      LzwChoices{FullTable::ClearWhenStale, false},
                      LzwChoices{FullTable::ClearWhenStale, true}}) {
                    SCOPED_TRACE(::testing::Message()
                                 << width << "x" << height << " code size " << minCodeSize
                                 << " full table " << static_cast<int>(choices.fullTable)
                                 << " look ahead " << choices.lookAhead);
                    lzw.compress(indices, minCodeSize, packed, choices);
                    if (!choices.lookAhead)
                        greedy = packed;
                    else if (packed != greedy)
                        ++cut;
                    std::string error;
                    const auto gif =
                        decodeGif(wrap(packed, width, height, minCodeSize, -1), &error);
                    ASSERT_TRUE(gif.has_value()) << error;
                    ASSERT_EQ(gif->images.size(), 1u);
                    for (std::size_t i = 0; i < indices.size(); ++i)
                        ASSERT_EQ(gif->images[0].canvas[i], colourOf(indices[i])) << i;
                }
            }
        }
    }
    // The choices were exercised, not only the greedy path.
    EXPECT_GE(cut, 10u);
}

TEST(LzwChoices, AnEncoderKeptForThousandsOfImagesStillDecodesExactly)
{
    // A worker's coder starts each table without clearing the old one's
    // slots; they are told apart by a generation that wraps after 4095
    // tables. Between one image's table and the next table of the same
    // generation, one-pixel images add no entries, so nothing overwrites the
    // first image's slots: a wrap that kept them would show up as codes the
    // decoder does not have.
    constexpr int kWidth = 120;
    constexpr int kHeight = 90;
    const std::vector<Indices> pictures = images(kWidth, kHeight, 16);
    const Indices pixel{3};
    LzwEncoder lzw;
    std::vector<std::uint8_t> packed;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        SCOPED_TRACE(::testing::Message() << "image " << k);
        lzw.compress(pictures[k], 4, packed);
        std::string error;
        const auto gif = decodeGif(wrap(packed, kWidth, kHeight, 4, -1), &error);
        ASSERT_TRUE(gif.has_value()) << error;
        for (std::size_t i = 0; i < pictures[k].size(); ++i)
            ASSERT_EQ(gif->images[0].canvas[i], colourOf(pictures[k][i])) << i;
        for (int n = 0; n < 4094; ++n)
            lzw.compress(pixel, 2, packed);
    }
}

TEST(LzwChoices, AnUnchangedPixelShowsEitherTransparencyOrItsOwnColour)
{
    // Unchanged pixels, written transparent (index 0) or redrawn in their
    // own colour, may be written either way where their colour is in the
    // table (a redrawn one only when told); nothing else may change, with or
    // without looking ahead.
    constexpr int kWidth = 120;
    constexpr int kHeight = 90;
    const Indices base = images(kWidth, kHeight, 16)[3];
    Indices indices = base;
    std::vector<std::int16_t> alternates(base.size(), -1);
    std::mt19937 random(5);
    for (std::size_t i = 0; i < base.size(); ++i) {
        const auto own = static_cast<std::uint8_t>(base[i] == 0 ? 1 : base[i]);
        switch (random() % 3) {
        case 0: // changed
            indices[i] = own;
            break;
        case 1: // unchanged, transparent
            alternates[i] = own;
            indices[i] = 0;
            break;
        default: // unchanged, redrawn
            alternates[i] = own;
            indices[i] = own;
        }
    }
    LzwEncoder::Substitutes none;
    LzwEncoder lzw;
    std::vector<std::uint8_t> packed;
    for (const bool vanish : {false, true}) {
        for (const bool lookAhead : {false, true}) {
            SCOPED_TRACE(::testing::Message() << (lookAhead ? "looking ahead" : "greedy")
                                              << (vanish ? ", redrawn may vanish" : ""));
            lzw.compressLossy(indices, alternates, 0, none, kWidth, 4, packed,
                              {FullTable::Clear, lookAhead, vanish});
            std::string error;
            const auto gif = decodeGif(wrap(packed, kWidth, kHeight, 4, 0), &error);
            ASSERT_TRUE(gif.has_value()) << error;
            std::size_t redrawn = 0;
            std::size_t vanished = 0;
            for (std::size_t i = 0; i < indices.size(); ++i) {
                const std::uint32_t shown = gif->images[0].canvas[i];
                const bool mayVanish = indices[i] == 0 || (vanish && alternates[i] >= 0);
                if (shown == 0) { // never drawn, so transparent
                    ASSERT_TRUE(mayVanish) << i;
                    vanished += indices[i] != 0 ? 1 : 0;
                } else if (indices[i] == 0) {
                    ASSERT_EQ(shown, colourOf(alternates[i])) << i;
                    ++redrawn;
                } else {
                    ASSERT_EQ(shown, colourOf(indices[i])) << i;
                }
            }
            // Either way is taken where it makes longer strings.
            EXPECT_GT(redrawn, 0u);
            if (vanish)
                EXPECT_GT(vanished, 0u);
            else
                EXPECT_EQ(vanished, 0u);
        }
    }
}

// A coding asked to give up past a size either comes out whole, exactly as
// without the limit, or stops no shorter than the limit, so that a caller
// keeping only smaller results never keeps a cut one; and it reports the
// table filled just as the whole coding would.
TEST(LzwChoices, GivingUpNeverLeavesAResultShorterThanTheLimit)
{
    LzwEncoder lzw;
    std::vector<std::uint8_t> whole;
    std::vector<std::uint8_t> limited;
    std::size_t gaveUp = 0;
    for (const Indices& indices : images(251, 199, 256)) {
        for (const FullTable table : {FullTable::Clear, FullTable::Keep}) {
            const LzwChoices choices{table, false};
            lzw.compress(indices, 8, whole, choices);
            const bool filled = lzw.filledTable();
            for (const std::size_t limit :
                 {std::size_t{1}, whole.size() / 2, whole.size() - 1, whole.size(),
                  whole.size() + 1}) {
                SCOPED_TRACE(::testing::Message() << "limit " << limit << " of " << whole.size());
                lzw.compress(indices, 8, limited, choices, limit);
                EXPECT_EQ(lzw.filledTable(), filled);
                if (limited == whole)
                    continue;
                ++gaveUp;
                EXPECT_GE(limited.size(), limit);
                EXPECT_LT(limited.size(), whole.size());
                EXPECT_TRUE(filled);
                EXPECT_TRUE(std::equal(limited.begin(), limited.end(), whole.begin()));
            }
        }
    }
    EXPECT_GE(gaveUp, 4u);
}

} // namespace
} // namespace kinetta::gif
