#include "model/SizeText.h"

#include <gtest/gtest.h>
#include <utility>

TEST(SizeTextTest, KilobytesThenMegabytesFromWholeKilobytes)
{
    // 1075 KB and 1023 bytes is 1.0508 MiB, but the whole kilobytes give 1.0498.
    const std::pair<qint64, const char*> cases[] = {
        {0, "0 KB"},           {1023, "0 KB"},
        {1024, "1 KB"},        {1048575, "1023 KB"},
        {1048576, "1.0 MB"},   {1572864, "1.5 MB"},
        {52428800, "50.0 MB"}, {(1024 + 51) * 1024 + 1023, "1.0 MB"}};
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(kinetta::formattedSize(bytes), QString::fromLatin1(text)) << bytes;
}
