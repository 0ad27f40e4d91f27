#include "ui/preview/Filmstrip.h"

#include "ui/preview/TrimGeometry.h"

#include <QPainter>
#include <QThread>
#include <cmath>

namespace kinetta
{

Filmstrip::Filmstrip(QObject* parent)
    // Leaves a core to the GUI thread.
    : QObject(parent), m_loader(std::max(QThread::idealThreadCount() - 1, 1))
{
}

void Filmstrip::setFrames(const FrameList& frames)
{
    // Equal when the counts are: a new count comes with apply or undo trim.
    if (frames.size() == m_frames.size() && !m_frames.empty())
        return;
    m_frames = frames;
    reload();
}

void Filmstrip::setSize(QSizeF size, qreal devicePixelRatio)
{
    if (size == m_size && devicePixelRatio == m_devicePixelRatio)
        return;
    m_size = size;
    m_devicePixelRatio = devicePixelRatio;
    reload();
}

std::vector<int> Filmstrip::frameIndices() const
{
    return m_indices;
}

void Filmstrip::reload()
{
    m_loader.cancelAll();
    const int count = filmstripThumbnailCount(m_size.width());
    // Nothing to show until the strip has frames and a size.
    const bool shows = !m_frames.empty() && !m_size.isEmpty();
    m_thumbnails.assign(shows ? std::size_t(count) : 0, QImage());
    m_indices.clear();
    m_ready = 0;
    if (!shows)
        return;
    const QSize cellPixels(static_cast<int>(std::ceil(m_size.width() / count * m_devicePixelRatio)),
                           static_cast<int>(std::ceil(m_size.height() * m_devicePixelRatio)));
    const int frameCount = static_cast<int>(m_frames.size());
    for (int j = 0; j < count; ++j) {
        const int index = filmstripFrameIndex(j, count, frameCount);
        m_indices.push_back(index);
        m_loader.load(m_frames[std::size_t(index)], cellPixels, FrameFit::fill,
                      [this, j](QImage image) {
                          image.setDevicePixelRatio(m_devicePixelRatio);
                          m_thumbnails[std::size_t(j)] = std::move(image);
                          ++m_ready;
                          Q_EMIT thumbnailsChanged();
                      });
    }
}

void Filmstrip::paint(QPainter& painter, const QRectF& rect) const
{
    const int count = thumbnailCount();
    if (count == 0)
        return;
    const qreal cellWidth = rect.width() / count;
    for (int j = 0; j < count; ++j) {
        const QImage& image = m_thumbnails[std::size_t(j)];
        if (image.isNull())
            continue;
        const QRectF cell(rect.left() + j * cellWidth, rect.top(), cellWidth, rect.height());
        painter.save();
        painter.setClipRect(cell, Qt::IntersectClip);
        painter.drawImage(cell.topLeft(), image);
        painter.restore();
    }
}

} // namespace kinetta
