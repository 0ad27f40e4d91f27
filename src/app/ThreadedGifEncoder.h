#pragma once

#include "app/FlowServices.h"

#include <QObject>
#include <QThreadPool>

namespace kinetta
{

// Encodes on a pool thread with the program's GIF encoder and hands the
// result back to the main thread. Destroying it cancels and waits for what runs.
class ThreadedGifEncoder final : public QObject, public FlowEncoder
{
    Q_OBJECT

public:
    explicit ThreadedGifEncoder(QObject* parent = nullptr);
    ~ThreadedGifEncoder() override;

    [[nodiscard]] std::shared_ptr<EncodeJob> encode(EncodeRequest request, Done done) override;

    // Runs on the calling thread; no GIF when encoding failed or job was cancelled.
    // request.progress, if any, is called on the calling thread too.
    [[nodiscard]] static EncodeOutcome encodeNow(const EncodeRequest& request,
                                                 const EncodeJob& job);

    // The niceness encodes run at, below the GUI thread's.
    static constexpr int encodeNiceness = 10;
    // Lowers the calling thread (and the threads it starts) to encodeNiceness.
    static void yieldToInteractiveThreads();

private:
    // told, called on this object's thread instead of the caller's, and not
    // once job is cancelled; empty when told is.
    template <typename Value>
    [[nodiscard]] std::function<void(Value)> onMainThread(std::function<void(Value)> told,
                                                          const std::shared_ptr<EncodeJob>& job);

    QThreadPool m_pool;
    std::vector<std::weak_ptr<EncodeJob>> m_jobs;
};

} // namespace kinetta
