#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <type_traits>

namespace kinetta
{

// One worker thread running queued tasks in order. Whatever only the tasks
// touch needs no lock.
class SerialQueue final
{
public:
    SerialQueue();
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(std::function<void()> task);

    // Runs task after everything queued before it and returns its result.
    template <typename F> auto sync(F&& task) -> std::invoke_result_t<F>
    {
        if (isCurrent())
            return task();
        std::packaged_task<std::invoke_result_t<F>()> packaged(std::forward<F>(task));
        auto result = packaged.get_future();
        async([&packaged] { packaged(); });
        return result.get();
    }

    // True on the queue's own thread.
    [[nodiscard]] bool isCurrent() const { return std::this_thread::get_id() == m_thread.get_id(); }

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace kinetta
