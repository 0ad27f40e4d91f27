#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <utility>

namespace kinetta
{

// Runs work on the global thread pool and hands its result to done on the
// main thread through a queued call. done is dropped when owner (a main-thread
// object) is gone by then, so a late answer never reaches a destroyed owner.
// The pointer is only looked at on the main thread.
template <typename Work, typename Done> void runInBackground(QObject* owner, Work work, Done done)
{
    QThreadPool::globalInstance()->start([owner = QPointer<QObject>(owner), work = std::move(work),
                                          done = std::move(done)]() mutable {
        auto result = work();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [owner = std::move(owner), done = std::move(done),
             result = std::move(result)]() mutable {
                if (owner)
                    done(std::move(result));
            },
            Qt::QueuedConnection);
    });
}

} // namespace kinetta
