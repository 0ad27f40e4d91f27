#include "capture/NetWmIcon.h"

#include <gtest/gtest.h>

using namespace kinetta;

namespace
{

// A property holding one image per size; pixel i of a w × h image is base + i.
std::vector<std::uint32_t>
property(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& sizes,
         std::uint32_t base = 0xff000000)
{
    std::vector<std::uint32_t> values;
    for (const auto& [width, height] : sizes) {
        values.push_back(width);
        values.push_back(height);
        for (std::uint32_t i = 0; i < width * height; ++i)
            values.push_back(base + i);
    }
    return values;
}

std::vector<std::pair<int, int>> sizesOf(const std::vector<NetWmIconEntry>& entries)
{
    std::vector<std::pair<int, int>> sizes;
    for (const NetWmIconEntry& entry : entries)
        sizes.emplace_back(entry.width, entry.height);
    return sizes;
}

} // namespace

TEST(NetWmIcon, ChoosesTheSmallestThatCoversTheSquareElseTheLargest)
{
    const auto entries = netWmIconEntries(property({{48, 48}, {16, 16}, {128, 128}, {32, 32}}));
    ASSERT_EQ(entries.size(), 4u);
    const std::pair<int, std::size_t> cases[] = {
        {1, 1}, {16, 1}, {17, 3}, {26, 3}, {32, 3}, {33, 0}, {52, 2}, {128, 2}, {129, 2}, {512, 2},
    };
    for (const auto& [needed, expected] : cases) {
        SCOPED_TRACE(needed);
        EXPECT_EQ(chooseNetWmIcon(entries, needed), expected);
    }
    EXPECT_FALSE(chooseNetWmIcon({}, 32));

    // A wide image covers only when both sides do; equal ones: the first.
    const auto odd = netWmIconEntries(property({{64, 16}, {24, 24}, {24, 24}}));
    EXPECT_EQ(chooseNetWmIcon(odd, 20), 1u);
    EXPECT_EQ(chooseNetWmIcon(odd, 30), 0u); // none covers: the largest area
}

TEST(NetWmIcon, RefusesMalformedEntriesAndKeepsTheWellFormedOnesBefore)
{
    const auto good = property({{2, 2}});
    const auto withTail = [&](std::vector<std::uint32_t> tail) {
        std::vector<std::uint32_t> values = good;
        values.insert(values.end(), tail.begin(), tail.end());
        return sizesOf(netWmIconEntries(values));
    };
    const std::vector<std::pair<int, int>> onlyGood{{2, 2}};
    EXPECT_EQ(withTail({}), onlyGood);
    EXPECT_EQ(withTail({16}), onlyGood);                        // a width without a height
    EXPECT_EQ(withTail({16, 16}), onlyGood);                    // a size without pixels
    EXPECT_EQ(withTail({4, 4, 1, 2, 3}), onlyGood);             // width × height beyond the data
    EXPECT_EQ(withTail({0, 4, 1, 2}), onlyGood);                // an empty side
    EXPECT_EQ(withTail({0xffffffff, 0xffffffff, 1}), onlyGood); // the product overflows 32 bits
    EXPECT_EQ(withTail({0x10000, 0x10000, 1}), onlyGood);       // 2^32 pixels: zero in 32 bits
    std::vector<std::uint32_t> wide{kMaxNetWmIconSide + 1, 1};
    wide.resize(wide.size() + kMaxNetWmIconSide + 1, 0xffffffff);
    EXPECT_EQ(withTail(wide), onlyGood); // a side no window can have
    // Nothing readable at all.
    EXPECT_TRUE(netWmIconEntries({}).empty());
    EXPECT_TRUE(netWmIconEntries(std::vector<std::uint32_t>{3, 3, 1}).empty());
    // A good entry after a bad one is not searched for: the layout is lost.
    EXPECT_EQ(withTail({9, 9, 1, 2, 2, 1, 2, 3, 4}), onlyGood);
}

TEST(NetWmIcon, TheImageHoldsThePropertysArgbValuesRowByRow)
{
    const auto values = property({{2, 2}, {3, 2}}, 0x80102030);
    const auto entries = netWmIconEntries(values);
    ASSERT_EQ(entries.size(), 2u);
    const QImage image = netWmIconImage(values, entries[1]);
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.format(), QImage::Format_ARGB32); // not premultiplied, as the property
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(image.pixel(x, y), 0x80102030u + static_cast<unsigned>(y * 3 + x));
}
