#include "ui/selection/ThumbnailLoader.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>

namespace kinetta
{
namespace
{

// Thumbnails have a pool of their own, so a picker full of windows never
// holds up the encoder's work on the global pool. A capture mostly waits for
// the X server, so every card the grid shows at once may have its thread.
QThreadPool* thumbnailPool()
{
    static QThreadPool* const pool = [] {
        auto* created = new QThreadPool(QCoreApplication::instance());
        created->setMaxThreadCount(std::max(8, QThread::idealThreadCount()));
        return created;
    }();
    return pool;
}

QImage covering(const QImage& image, QSize pixelSize)
{
    if (image.isNull() || !pixelSize.isValid())
        return image;
    const QImage scaled =
        image.scaled(pixelSize, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const QPoint offset((scaled.width() - pixelSize.width()) / 2,
                        (scaled.height() - pixelSize.height()) / 2);
    return scaled.copy(QRect(offset, pixelSize));
}

} // namespace

ThumbnailLoader::ThumbnailLoader(WindowSnapshotFunction snapshot, QSize pixelSize,
                                 QThreadPool* pool, QObject* parent)
    : QObject(parent), m_snapshot(std::move(snapshot)), m_pixelSize(pixelSize),
      m_pool(pool ? pool : thumbnailPool())
{
}

ThumbnailLoader::~ThumbnailLoader() = default;

void ThumbnailLoader::setVisibleWindows(const std::vector<std::uint32_t>& windowIDs)
{
    m_visible = windowIDs;
    // A card that left gives up its job: a capture already running cannot be
    // stopped, so it still counts as running, but its result is dropped.
    for (auto it = m_wanted.begin(); it != m_wanted.end();) {
        const bool inView =
            std::find(m_visible.begin(), m_visible.end(), it.key()) != m_visible.end();
        it = inView ? std::next(it) : m_wanted.erase(it);
    }
    startJobs();
}

void ThumbnailLoader::forget(std::uint32_t windowID)
{
    m_wanted.remove(windowID);
    m_done.remove(windowID);
    m_visible.erase(std::remove(m_visible.begin(), m_visible.end(), windowID), m_visible.end());
    startJobs();
}

void ThumbnailLoader::clear()
{
    m_visible.clear();
    m_wanted.clear();
    m_done.clear();
}

std::optional<QImage> ThumbnailLoader::image(std::uint32_t windowID) const
{
    const auto it = m_done.constFind(windowID);
    return it == m_done.cend() ? std::nullopt : *it;
}

int ThumbnailLoader::waitingWindows() const
{
    return static_cast<int>(std::count_if(m_visible.begin(), m_visible.end(), [this](auto id) {
        return !m_done.contains(id) && !m_wanted.contains(id);
    }));
}

void ThumbnailLoader::startJobs()
{
    for (const std::uint32_t windowID : m_visible) {
        if (runningJobs() >= static_cast<int>(m_visible.size()))
            return;
        if (!m_done.contains(windowID) && !m_wanted.contains(windowID))
            start(windowID);
    }
}

void ThumbnailLoader::start(std::uint32_t windowID)
{
    const std::uint64_t ticket = m_nextTicket++;
    m_wanted.insert(windowID, ticket);
    m_running.emplace(ticket, windowID);
    // The loader may be gone when the capture returns: the result goes to the
    // application object and finds the loader through a guard checked on the
    // GUI thread.
    m_pool->start([snapshot = m_snapshot, size = m_pixelSize,
                   guard = QPointer<ThumbnailLoader>(this), ticket, windowID] {
        std::optional<QImage> image = snapshot(windowID);
        if (image)
            image = covering(*image, size);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, ticket, windowID, image = std::move(image)]() mutable {
                if (guard)
                    guard->finish(ticket, windowID, std::move(image));
            },
            Qt::QueuedConnection);
    });
}

void ThumbnailLoader::finish(std::uint64_t ticket, std::uint32_t windowID,
                             std::optional<QImage> image)
{
    m_running.erase(ticket);
    const auto wanted = m_wanted.constFind(windowID);
    if (wanted != m_wanted.cend() && *wanted == ticket) {
        m_wanted.erase(wanted);
        m_done.insert(windowID, std::move(image));
        Q_EMIT thumbnailReady(windowID);
    }
    startJobs();
}

} // namespace kinetta
