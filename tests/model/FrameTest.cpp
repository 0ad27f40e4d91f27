#include "model/Frame.h"

#include <gtest/gtest.h>

using namespace kinetta;

TEST(Frame, ImageRoundTripKeepsEveryPixel)
{
    QImage image(3, 2, QImage::Format_ARGB32);
    const QRgb colours[] = {0xff102030, 0xffffffff, 0xff000000, 0xff7c3aed, 0xffec4899, 0xff010203};
    for (int i = 0; i < 6; ++i)
        image.setPixel(i % 3, i / 3, colours[i]);

    const Frame frame = Frame::fromImage(image);
    ASSERT_EQ(frame.size(), QSize(3, 2));
    const std::vector<std::uint32_t> pixels = frame.pixels();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(pixels[static_cast<std::size_t>(i)], colours[i]) << i;
    EXPECT_EQ(frame.toImage(), image.convertToFormat(QImage::Format_RGB32));
}

TEST(Frame, CopiesShareStorageAndNullFrameIsEmpty)
{
    const Frame a = Frame::fromPixels(1, 1, {0xff112233});
    const Frame b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.storedBytes(), 4u);
    EXPECT_NE(a, Frame::fromPixels(1, 1, {0xff112233}));

    const Frame null = Frame::fromImage(QImage());
    EXPECT_TRUE(null.isNull());
    EXPECT_TRUE(null.toImage().isNull());
    EXPECT_TRUE(null.pixels().empty());
}
