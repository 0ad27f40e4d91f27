#include "gif/TestFrames.h"

#include <bit>

namespace kinetta::gif
{
namespace
{

using namespace testing;

// The colour of palette entry k of a test recording: distinct for k < 4096.
std::uint32_t colourNumber(int k)
{
    const auto n = static_cast<std::uint32_t>(k);
    return 0xFF000000u | (n * 37u % 256u) << 16 | (n * 11u % 256u) << 8 |
           ((n % 16u) * 16u + n / 256u);
}

// A frame of `base` with a block of colours first..first+count-1 in stripes.
Pixels withNewColours(Pixels frame, int width, int x0, int y0, int first, int count)
{
    for (int k = 0; k < count; ++k) {
        for (int y = 0; y < 6; ++y)
            frame[static_cast<std::size_t>((y0 + y) * width + x0 + k)] = colourNumber(first + k);
    }
    return frame;
}

// Frames whose colours first appear late: 3 in the first frame, then `added`
// more, a batch per frame, with unchanged and partly changed frames between.
std::vector<Pixels> lateColourFrames(int added)
{
    constexpr int kWidth = 300;
    constexpr int kHeight = 40;
    Pixels frame = solidFrame(kWidth, kHeight, 0x202020);
    frame = withRect(frame, kWidth, 0, 30, kWidth, 10, 0x3366CC);
    frame = withRect(frame, kWidth, 100, 0, 5, 30, 0xEEEEEE);
    std::vector<Pixels> frames{frame};
    int next = 3;
    for (int batch = 0; next < 3 + added; ++batch) {
        const int count = std::min(3 + added - next, 60);
        frame = withNewColours(frame, kWidth, 5 * batch, 8 * (batch % 3), next, count);
        next += count;
        frames.push_back(frame);
        frames.push_back(frame); // unchanged
    }
    return frames;
}

void expectOnlyTheGlobalTable(const DecodedGif& gif, int colours)
{
    EXPECT_GE(gif.globalTableSize, colours);
    for (std::size_t i = 0; i < gif.images.size(); ++i)
        EXPECT_EQ(gif.images[i].localTableSize, 0) << "image " << i;
}

TEST(ColourTables, ARecordingThatFitsOneTableHasOneGlobalTableAndNoLocalOnes)
{
    for (int added : {40, 200, 252, 253}) {
        SCOPED_TRACE(::testing::Message() << 3 + added << " colours");
        const std::vector<Pixels> frames = lateColourFrames(added);
        const VectorSource source(300, 40, frames);
        for (bool lossless : {false, true}) {
            const DecodedGif gif = encodeAndDecode(source, {}, {.lossless = lossless});
            expectExact(gif, frames);
            expectOnlyTheGlobalTable(gif, 3 + added);
        }
        // The same file either way: nothing is left to lose; and whatever
        // threads survey the colours.
        const auto bytes = GifEncoder::encode(source, {}, {}, {.threads = 1}).bytes();
        EXPECT_EQ(bytes, GifEncoder::encode(source, {}, {}, {.lossless = true}).bytes());
        EXPECT_EQ(bytes, GifEncoder::encode(source, {}, {}, {.threads = 3}).bytes());
    }
}

TEST(ColourTables, SurveyedFramesAreReadOnceWithinTheirMemoryAndTwiceBeyondIt)
{
    // Rows of 300 pixels of one colour: runs longer than one kept run holds.
    std::vector<Pixels> frames = lateColourFrames(200);
    // An alpha byte other than opaque means nothing and must not matter.
    for (std::uint32_t& pixel : frames[3])
        pixel &= 0x7FFFFFFFu;
    VectorSource source(300, 40, frames);
    std::atomic<int> reads = 0;
    source.onRead = [&](std::size_t) { ++reads; };
    const auto bytes = GifEncoder::encode(source, {}, {}, {.surveyedFrameBytes = 0}).bytes();
    EXPECT_EQ(reads, 2 * static_cast<int>(frames.size()));
    for (std::uint32_t& pixel : frames[3])
        pixel |= 0xFF000000u;
    expectExact(decodeGif(bytes).value_or(DecodedGif{}), frames);
    // Enough memory for every frame: each is read once, into the same file
    // on any number of threads; room for a few: the rest are read again.
    std::vector<std::uint8_t> kept;
    for (const std::size_t budget : {std::size_t{64} << 20, std::size_t{700}}) {
        for (const unsigned threads : {1u, 2u}) {
            reads = 0;
            const auto again =
                GifEncoder::encode(source, {}, {}, {.threads = threads, .surveyedFrameBytes = budget})
                    .bytes();
            expectExact(decodeGif(again).value_or(DecodedGif{}), frames);
            if (budget > 700) {
                EXPECT_EQ(reads, static_cast<int>(frames.size()));
                if (kept.empty())
                    kept = again;
                EXPECT_EQ(again, kept);
            } else {
                EXPECT_GT(reads, static_cast<int>(frames.size()));
            }
        }
    }
}

TEST(ColourTables, CodesAreNoWiderThanTheIndicesAFrameUses)
{
    // The common colours come first in the shared table, so a frame drawing
    // only with them starts with narrow codes however large the table is.
    Pixels first = noiseFrame(200, 100, 4, 1);
    first = withNewColours(first, 200, 0, 0, 100, 150); // rare colours
    Pixels second = first;
    second = withRect(second, 200, 50, 50, 100, 40, first[199 * 100 / 2 + 10]);
    for (int x = 50; x < 150; x += 2)
        second[static_cast<std::size_t>(70 * 200 + x)] =
            first[static_cast<std::size_t>(99 * 200 + x)];
    const std::vector<Pixels> frames{first, second};
    const DecodedGif gif = encodeAndDecode(VectorSource(200, 100, frames));
    expectExact(gif, frames);
    expectOnlyTheGlobalTable(gif, 154);
    EXPECT_EQ(gif.globalTableSize, 256);
    EXPECT_EQ(gif.images[0].minCodeSize, 8);
    // At most the four common colours and an unused entry for transparency.
    EXPECT_LE(gif.images[1].minCodeSize, 3);
}

TEST(ColourTables, ColoursThatFramesOfFewColoursDrawComeFirst)
{
    // A background of 40 colours in large stripes, then frames that redraw a
    // small square in 5 rare colours: those take the first entries, so the
    // square's frames start with codes of 3 bits, not the 6 that the
    // background's colours need.
    constexpr int kWidth = 160;
    constexpr int kHeight = 120;
    Pixels background(kWidth * kHeight);
    for (std::size_t i = 0; i < background.size(); ++i)
        background[i] = colourNumber(static_cast<int>(i / (kWidth * 3)));
    std::vector<Pixels> frames{background};
    for (int f = 0; f < 12; ++f) {
        Pixels frame = background;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x)
                frame[static_cast<std::size_t>((20 + y) * kWidth + 30 + x)] =
                    colourNumber(100 + (x + y + f) % 5);
        }
        frames.push_back(frame);
    }
    for (const std::size_t memory : {std::size_t{64} << 20, std::size_t{0}}) {
        const DecodedGif gif = encodeAndDecode(VectorSource(kWidth, kHeight, frames), {},
                                               {.surveyedFrameBytes = memory});
        expectExact(gif, frames);
        expectOnlyTheGlobalTable(gif, 45);
        ASSERT_EQ(gif.images.size(), frames.size());
        for (std::size_t f = 2; f < frames.size(); ++f) {
            if (memory != 0)
                EXPECT_EQ(gif.images[f].minCodeSize, 3) << f;
            else // frames not kept: by pixel count, the rare colours come last
                EXPECT_EQ(gif.images[f].minCodeSize, 6) << f;
        }
    }
}

TEST(ColourTables, ScrollingTextWithUnchangedGapsRoundTrips)
{
    // Lines of text-like strokes scrolled a few rows a frame: between the
    // changes are unchanged pixels in runs short and long, which may be left
    // transparent or drawn again.
    constexpr int kWidth = 160;
    constexpr int kHeight = 120;
    Pixels page(static_cast<std::size_t>(kWidth) * 400, 0xFF1E1E1Eu);
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (y % 14 < 9 && (x * 7 + y * 3) % 13 < 4 && x % 50 < 35 + y % 9)
                page[static_cast<std::size_t>(y * kWidth + x)] =
                    colourNumber(y / 14 % 5 + (x / 60) * 5);
        }
    }
    std::vector<Pixels> frames;
    for (int top = 0; top < 60; top += 3)
        frames.emplace_back(page.begin() + top * kWidth, page.begin() + (top + kHeight) * kWidth);
    const DecodedGif gif = encodeAndDecode(VectorSource(kWidth, kHeight, frames));
    expectExact(gif, frames);
    expectOnlyTheGlobalTable(gif, 16);
}

TEST(ColourTables, AFrameWhoseChangesUseEveryEntryRedrawsItsUnchangedPixels)
{
    // 256 colours, each of them among the second frame's changes: no entry is
    // left for transparency, so its unchanged pixels (one in three) are drawn
    // again in their own colour.
    const Pixels first = noiseFrame(64, 48, 256, 1);
    Pixels second = noiseFrame(64, 48, 256, 2);
    for (std::size_t i = 0; i < second.size(); i += 3)
        second[i] = first[i];
    const std::vector<Pixels> frames{first, second, second};
    const DecodedGif gif = encodeAndDecode(VectorSource(64, 48, frames));
    expectExact(gif, frames);
    expectOnlyTheGlobalTable(gif, 256);
    EXPECT_EQ(gif.images[1].transparentIndex, -1);
    EXPECT_EQ(gif.images[2].width * gif.images[2].height, 1); // unchanged
}

TEST(ColourTables, PastOneTableLocalTablesAreSizedToTheColoursTheyHold)
{
    // A gradient first frame takes the recording past one table; each later
    // frame changes a block of a few new colours, which the shared table does
    // not hold, so those frames carry small tables of their own.
    const Pixels first = gradientFrame(96, 64, 0);
    std::vector<Pixels> frames{first};
    for (int colours : {1, 3, 5, 12, 40, 100}) {
        Pixels frame = first;
        for (int y = 10; y < 40; ++y) {
            for (int x = 20; x < 20 + 60; ++x)
                frame[static_cast<std::size_t>(y * 96 + x)] =
                    colourNumber(1000 + ((x * 7 + y * 13) % colours));
        }
        frames.push_back(std::move(frame));
    }
    const DecodedGif gif = encodeAndDecode(VectorSource(96, 64, frames), {}, {.lossless = true});
    ASSERT_EQ(gif.images.size(), frames.size());
    std::size_t image = 1;
    for (int colours : {1, 3, 5, 12, 40, 100}) {
        SCOPED_TRACE(::testing::Message() << colours << " colours");
        // Every changed pixel exactly, and a table just big enough for the
        // colours plus the transparent entry.
        for (int y = 10; y < 40; ++y) {
            for (int x = 20; x < 80; ++x) {
                const auto at = static_cast<std::size_t>(y * 96 + x);
                ASSERT_EQ(gif.images[image].canvas[at], frames[image][at]) << x << "," << y;
            }
        }
        int wanted = 2;
        while (wanted < colours + 1)
            wanted *= 2;
        EXPECT_EQ(gif.images[image].localTableSize, wanted);
        EXPECT_EQ(gif.images[image].minCodeSize,
                  std::max(2, std::countr_zero(static_cast<unsigned>(wanted))));
        ++image;
    }
}

TEST(ColourTables, LosslessKeepsFlatAreasNearAColourOfTheSharedTable)
{
    // Past one table (the last frame is a gradient), a lossless frame extends
    // a surface of a colour one step from an entry of the shared table: the
    // new pixels continue the surface in its own colour, not the entry's.
    const Pixels first = noiseFrame(64, 48, 100, 3);
    const std::uint32_t near = first[0] ^ 0x000001u;
    Pixels surface = withRect(first, 64, 8, 8, 1, 31, near); // a column ...
    surface = withRect(surface, 64, 8, 8, 41, 12, near);     // ... and a band
    // Grows the surface down and right, and redraws the top and bottom rows
    // in the shared table's colours: they widen the changed rectangle to the
    // whole frame, so the surface's new edge is inside it, and make the shared
    // table the cheapest for the frame.
    Pixels grown = withRect(surface, 64, 9, 20, 40, 19, near);
    const Pixels other = noiseFrame(64, 48, 100, 4);
    std::copy(other.begin(), other.begin() + 2 * 64, grown.begin());
    std::copy(other.begin() + 40 * 64, other.end(), grown.begin() + 40 * 64);
    const std::vector<Pixels> frames{first, surface, grown, gradientFrame(64, 48, 9)};
    const DecodedGif gif = encodeAndDecode(VectorSource(64, 48, frames), {}, {.lossless = true});
    ASSERT_EQ(gif.images.size(), 4u);
    for (std::size_t f = 0; f < 3; ++f)
        EXPECT_TRUE(gif.images[f].canvas == frames[f]) << "frame " << f;
}

} // namespace
} // namespace kinetta::gif
