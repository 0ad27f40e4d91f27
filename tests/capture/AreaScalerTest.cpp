#include "capture/AreaScaler.h"

#include <gtest/gtest.h>
#include <random>

using kinetta::AreaScaler;

namespace
{

std::vector<std::uint32_t> scaled(const std::vector<std::uint32_t>& source, int width, int height,
                                  int targetWidth, int targetHeight, int stride = 0)
{
    AreaScaler scaler(width, height, targetWidth, targetHeight);
    std::vector<std::uint32_t> target(static_cast<std::size_t>(targetWidth) * targetHeight);
    scaler.scale(source.data(), static_cast<std::size_t>(stride ? stride : width), target.data());
    return target;
}

int channel(std::uint32_t pixel, int index)
{
    return static_cast<int>((pixel >> (8 * index)) & 0xff);
}

// The exact area mean, for comparison.
double areaMean(const std::vector<std::uint32_t>& source, int width, int height, int targetWidth,
                int targetHeight, int x, int y, int c)
{
    const double sx = static_cast<double>(width) / targetWidth;
    const double sy = static_cast<double>(height) / targetHeight;
    double sum = 0;
    double area = 0;
    for (int j = 0; j < height; ++j) {
        const double h = std::min(j + 1.0, (y + 1) * sy) - std::max<double>(j, y * sy);
        if (h <= 0)
            continue;
        for (int i = 0; i < width; ++i) {
            const double w = std::min(i + 1.0, (x + 1) * sx) - std::max<double>(i, x * sx);
            if (w <= 0)
                continue;
            sum += w * h * channel(source[static_cast<std::size_t>(j) * width + i], c);
            area += w * h;
        }
    }
    return sum / area;
}

} // namespace

TEST(AreaScalerTest, FlatColourStaysExactlyFlat)
{
    const std::vector<std::uint32_t> source(640 * 480, 0xff123456u);
    for (auto [w, h] : {std::pair{320, 240}, {333, 217}, {2, 2}, {639, 479}, {1000, 700}}) {
        for (std::uint32_t pixel : scaled(source, 640, 480, w, h))
            ASSERT_EQ(pixel, 0xff123456u) << w << "x" << h;
    }
}

TEST(AreaScalerTest, SmallCasesWeighByCoveredAreaAndHonourTheStride)
{
    // Output 0 covers column 0 and half of column 1; output 1 the other half and column 2.
    const auto target = scaled({0, 90, 180}, 3, 1, 2, 1);
    EXPECT_EQ(channel(target[0], 0), 30);  // (0 + 45) / 1.5
    EXPECT_EQ(channel(target[1], 0), 150); // (45 + 180) / 1.5
    // Two rows of 2 pixels inside rows of 3; the third column must not count.
    EXPECT_EQ(channel(scaled({10, 10, 250, 30, 30, 250}, 2, 2, 1, 1, 3)[0], 0), 20);
}

TEST(AreaScalerTest, RandomImagesMatchTheExactAreaMean)
{
    std::mt19937 random(7);
    const int width = 97;
    const int height = 61;
    std::vector<std::uint32_t> source(static_cast<std::size_t>(width) * height);
    for (auto& pixel : source)
        pixel = random();
    for (auto [w, h] : {std::pair{48, 30}, {40, 25}, {13, 7}, {97, 30}, {150, 90}}) {
        const auto target = scaled(source, width, height, w, h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                for (int c = 0; c < 4; ++c) {
                    const double expected = areaMean(source, width, height, w, h, x, y, c);
                    ASSERT_NEAR(channel(target[static_cast<std::size_t>(y) * w + x], c), expected,
                                1.0)
                        << w << "x" << h << " at " << x << "," << y << " channel " << c;
                }
            }
        }
    }
}
