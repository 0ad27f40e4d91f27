#include "cli/InterruptNotifier.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <csignal>
#include <gtest/gtest.h>
#include <vector>

namespace kinetta::test
{
namespace
{

TEST(InterruptNotifierTest, SignalsArriveOnTheEventLoopAndOldHandlersComeBack)
{
    int argc = 1;
    char name[] = "interrupt_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    struct sigaction before = {};
    ::sigaction(SIGHUP, nullptr, &before);
    std::vector<int> received;
    {
        cli::InterruptNotifier notifier;
        ASSERT_TRUE(notifier.isValid());
        QObject::connect(&notifier, &cli::InterruptNotifier::interrupted,
                         [&received](int signalNumber) { received.push_back(signalNumber); });
        ASSERT_EQ(::raise(SIGINT), 0);
        ASSERT_EQ(::raise(SIGTERM), 0);
        ASSERT_EQ(::raise(SIGHUP), 0);
        // Nothing is handled inside the signal handler itself.
        EXPECT_TRUE(received.empty());
        QDeadlineTimer deadline(10000);
        while (received.size() < 3 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    EXPECT_EQ(received, (std::vector<int>{SIGINT, SIGTERM, SIGHUP}));
    struct sigaction after = {};
    ::sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

} // namespace
} // namespace kinetta::test
