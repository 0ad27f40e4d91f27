#include "app/GifDelivery.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kinetta;

// A command-line run has no clipboard: copying must fail without writing a file.
TEST(DeliveryWithoutClipboard, CopyFailsAndWritesNothing)
{
    int argc = 1;
    char name[] = "delivery_nogui_tests";
    char* argv[] = {name, nullptr};
    const QCoreApplication app(argc, argv);
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString cache = dir.filePath(QStringLiteral("cache"));
    EXPECT_FALSE(GifDelivery::copyToClipboard(QByteArray("GIF89a"), cache));
    EXPECT_FALSE(QDir(cache).exists());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
