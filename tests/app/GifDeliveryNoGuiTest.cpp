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
    EXPECT_FALSE(GifDelivery::copyToClipboard("GIF89a", dir.filePath(QStringLiteral("cache"))));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
