#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSize>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QThreadPool;

namespace kinetta
{

// A still image of one window at point resolution, or nothing when the window
// is gone or cannot be read. Called on a worker thread.
using WindowSnapshotFunction = std::function<std::optional<QImage>(std::uint32_t windowID)>;

// Captures the thumbnails of the picker's cards off the GUI thread: one job per
// card in view, started top to bottom, and never more jobs running at once
// than cards in view (a job whose card scrolled away still counts until its
// capture returns, since a capture cannot be stopped midway). A card that
// leaves the view before its job starts loses the job; a job whose card left,
// or whose window went away, finishes unseen. Each job carries a ticket, so a
// window id that comes back for another window never receives the image of
// the one before. The GUI thread only hands out jobs and takes results.
class ThumbnailLoader final : public QObject
{
    Q_OBJECT

public:
    // Images are scaled on the worker to cover pixelSize, aspect kept. pool:
    // where jobs run; the program's own thumbnail pool when null.
    ThumbnailLoader(WindowSnapshotFunction snapshot, QSize pixelSize, QThreadPool* pool = nullptr,
                    QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    // The windows whose cards are in view now, top to bottom.
    void setVisibleWindows(const std::vector<std::uint32_t>& windowIDs);
    // The window has gone: its image is dropped and a result on its way is
    // ignored; a window with this id later is captured anew.
    void forget(std::uint32_t windowID);
    // The picker closed: nothing in view, every image dropped.
    void clear();

    // The captured image; nothing while loading, or when the capture failed.
    [[nodiscard]] std::optional<QImage> image(std::uint32_t windowID) const;
    // Jobs started and not yet returned, those no longer wanted included.
    [[nodiscard]] int runningJobs() const { return static_cast<int>(m_running.size()); }
    // Windows in view still waiting for a job to start.
    [[nodiscard]] int waitingWindows() const;

Q_SIGNALS:
    // image(windowID) now holds the capture's result (nothing if it failed).
    void thumbnailReady(std::uint32_t windowID);

private:
    void startJobs();
    void start(std::uint32_t windowID);
    void finish(std::uint64_t ticket, std::uint32_t windowID, std::optional<QImage> image);

    WindowSnapshotFunction m_snapshot;
    QSize m_pixelSize;
    QThreadPool* m_pool;
    std::vector<std::uint32_t> m_visible;
    std::uint64_t m_nextTicket = 1;
    // The job whose result counts, by window.
    QHash<std::uint32_t, std::uint64_t> m_wanted;
    // Every job started and not returned, by ticket.
    std::map<std::uint64_t, std::uint32_t> m_running;
    // Finished captures; an absent image is a failed one.
    QHash<std::uint32_t, std::optional<QImage>> m_done;
};

} // namespace kinetta
