#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

namespace kinetta::test
{

// Runs the event loop of the application that exists until done() holds;
// false if it never does within ten seconds.
template <typename Predicate> bool processUntil(Predicate done)
{
    QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

} // namespace kinetta::test
