#include "app/DesktopDelivery.h"

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
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.path()));
    DesktopDelivery delivery;
    std::optional<bool> copied;
    delivery.copyToClipboard("GIF89a", [&](bool ok) { copied = ok; });
    QCoreApplication::processEvents();
    ASSERT_TRUE(copied.has_value());
    EXPECT_FALSE(*copied);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
