#pragma once

#include "model/Frame.h"
#include "ui/preview/ScaledFrameLoader.h"

#include <QImage>
#include <QObject>
#include <QRectF>
#include <vector>

class QPainter;

namespace kinetta
{

// The thumbnails behind the trim bar: one per 30 points of its width, from the
// first frame to the last. Only the frames shown are decoded, off the GUI
// thread, so a long recording opens as fast as a short one. They are loaded
// again only when the frame count or the strip's size changes, never while
// the handles move.
class Filmstrip final : public QObject
{
    Q_OBJECT

public:
    explicit Filmstrip(QObject* parent = nullptr);

    // The frames and the strip's size in points at a device pixel ratio.
    void setFrames(const FrameList& frames);
    void setSize(QSizeF size, qreal devicePixelRatio);

    [[nodiscard]] int thumbnailCount() const { return static_cast<int>(m_thumbnails.size()); }
    // Thumbnails decoded so far.
    [[nodiscard]] int readyCount() const { return m_ready; }
    [[nodiscard]] bool isComplete() const { return m_ready == thumbnailCount(); }
    // The frame index each thumbnail shows, left to right.
    [[nodiscard]] std::vector<int> frameIndices() const;

    // Draws the thumbnails ready so far into rect (the strip's own box); a
    // cell still loading is left for the caller's backdrop.
    void paint(QPainter& painter, const QRectF& rect) const;

Q_SIGNALS:
    // A thumbnail arrived.
    void thumbnailsChanged();

private:
    void reload();

    ScaledFrameLoader m_loader;
    FrameList m_frames;
    QSizeF m_size;
    qreal m_devicePixelRatio = 1;
    std::vector<QImage> m_thumbnails;
    std::vector<int> m_indices;
    int m_ready = 0;
};

} // namespace kinetta
