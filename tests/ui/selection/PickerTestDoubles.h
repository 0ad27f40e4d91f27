#pragma once

#include "model/WindowInfo.h"
#include "model/WindowListSource.h"
#include "ui/common/Announcer.h"

#include <QCoreApplication>
#include <QImage>
#include <QStringList>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <vector>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace kinetta::test
{

// A window list the test edits; each listing is counted.
struct FakeWindowSource final : WindowListSource {
    std::optional<std::vector<WindowListEntry>> listWindows() override
    {
        ++listings;
        return entries;
    }
    void setChangeHandler(std::function<void()> handler) override { changed = std::move(handler); }

    void add(std::uint32_t id, QString app, QString title, QRectF bounds = {0, 0, 800, 600})
    {
        entries.push_back({id, QCoreApplication::applicationPid() + 1, true, bounds, std::move(app),
                           std::move(title), std::nullopt});
    }

    std::vector<WindowListEntry> entries;
    std::function<void()> changed;
    int listings = 0;
};

struct Spoken {
    QString text;
    int priority = 0;
};

struct RecordingAnnouncer final : Announcer {
    void announceFrom(QObject* /*source*/, const QString& text, int priority) override
    {
        spoken.push_back({text, priority});
    }
    [[nodiscard]] QStringList texts() const
    {
        QStringList result;
        for (const Spoken& s : spoken)
            result << s.text;
        return result;
    }
    std::vector<Spoken> spoken;
};

// Window snapshots that wait until the test lets each one through, so a test
// decides when every capture returns and what it gives. Counts how many run
// at once. Lets everything through when destroyed.
class GatedSnapshots final
{
public:
    ~GatedSnapshots() { releaseAll(); }

    std::optional<QImage> capture(std::uint32_t windowID)
    {
        std::unique_lock lock(m_mutex);
        m_requested.push_back(windowID);
        ++m_running;
        m_mostRunning = std::max(m_mostRunning, m_running);
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_open || m_results.count(windowID) > 0; });
        std::optional<QImage> result;
        if (m_results.count(windowID)) {
            result = m_results[windowID];
            m_results.erase(windowID);
        } else {
            result = imageOf(windowID);
        }
        --m_running;
        m_changed.notify_all();
        return result;
    }

    // The next capture of windowID returns result (a capture already waiting
    // returns it now).
    void release(std::uint32_t windowID, std::optional<QImage> result)
    {
        std::lock_guard lock(m_mutex);
        m_results[windowID] = std::move(result);
        m_changed.notify_all();
    }
    void release(std::uint32_t windowID) { release(windowID, imageOf(windowID)); }
    void releaseAll()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    // Waits (a worker's hand-over, not a feature) until count captures run.
    bool waitForRunning(int count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return m_running >= count; });
    }
    [[nodiscard]] std::vector<std::uint32_t> requested() const
    {
        std::lock_guard lock(m_mutex);
        return m_requested;
    }
    [[nodiscard]] int mostRunning() const
    {
        std::lock_guard lock(m_mutex);
        return m_mostRunning;
    }

    // A small image whose colour names the window.
    static QImage imageOf(std::uint32_t windowID)
    {
        QImage image(32, 18, QImage::Format_RGB32);
        image.fill(QColor::fromRgb(0xff000000u | (windowID * 0x3F1A7u & 0xffffffu)));
        return image;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::uint32_t, std::optional<QImage>> m_results;
    std::vector<std::uint32_t> m_requested;
    int m_running = 0;
    int m_mostRunning = 0;
    bool m_open = false;
};

} // namespace kinetta::test
