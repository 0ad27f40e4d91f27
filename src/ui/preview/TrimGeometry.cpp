#include "ui/preview/TrimGeometry.h"

#include <algorithm>
#include <cmath>

namespace kinetta
{

qreal TrimBarGeometry::x(int index) const
{
    if (m_frameCount < 2)
        return 0;
    return qreal(index) / qreal(m_frameCount - 1) * m_width;
}

int TrimBarGeometry::indexAt(qreal x) const
{
    if (m_width <= 0 || m_frameCount < 2)
        return 0;
    const qreal clamped = std::clamp(x, qreal(0), m_width);
    // Truncated, not rounded: a frame owns the span up to the next one.
    const auto index = static_cast<int>(std::trunc(clamped / m_width * (m_frameCount - 1)));
    return std::clamp(index, 0, m_frameCount - 1);
}

DragTarget TrimBarGeometry::pickTarget(qreal x, const TrimSelection& selection) const
{
    const qreal at = std::clamp(x, qreal(0), std::max(m_width, qreal(0)));
    const qreal ds = std::abs(at - this->x(selection.trimStart));
    const qreal de = std::abs(at - this->x(selection.trimEnd));
    const qreal dp = std::abs(at - this->x(selection.currentFrame));
    if (ds < handleReach && ds <= de)
        return DragTarget::start;
    if (de < handleReach)
        return DragTarget::end;
    if (dp < ds && dp < de)
        return DragTarget::playhead;
    return de >= ds ? DragTarget::start : DragTarget::end;
}

TrimSelection TrimBarGeometry::drag(DragTarget target, qreal x, TrimSelection selection) const
{
    const int index = indexAt(x);
    switch (target) {
    case DragTarget::start:
        selection.trimStart = std::max(std::min(index, selection.trimEnd - 1), 0);
        selection.currentFrame = std::max(selection.currentFrame, selection.trimStart);
        break;
    case DragTarget::end:
        selection.trimEnd = std::min(std::max(index, selection.trimStart + 1), m_frameCount - 1);
        selection.trimEnd = std::max(selection.trimEnd, 0);
        selection.currentFrame = std::min(selection.currentFrame, selection.trimEnd);
        break;
    case DragTarget::playhead:
        selection.currentFrame = std::max(std::min(index, selection.trimEnd), selection.trimStart);
        break;
    }
    return selection;
}

int filmstripThumbnailCount(qreal width)
{
    return std::max(static_cast<int>(std::trunc(width / filmstripCellWidth)), 1);
}

int filmstripFrameIndex(int thumbnail, int thumbnailCount, int frameCount)
{
    if (frameCount < 2)
        return 0;
    // In 64 bits: thumbnail × frames outgrows an int on a very long recording.
    const qint64 index = qint64(thumbnail) * (frameCount - 1) / std::max(thumbnailCount - 1, 1);
    return static_cast<int>(std::min<qint64>(index, frameCount - 1));
}

TrimSelection stepCurrentFrame(TrimSelection selection, int delta)
{
    selection.currentFrame = std::clamp(selection.currentFrame + delta, selection.trimStart,
                                        std::max(selection.trimEnd, selection.trimStart));
    return selection;
}

TrimSelection moveTrimStart(TrimSelection selection, int delta)
{
    if (delta < 0 && selection.trimStart > 0) {
        --selection.trimStart;
    } else if (delta > 0 && selection.trimStart < selection.trimEnd - 1) {
        ++selection.trimStart;
        selection.currentFrame = std::max(selection.currentFrame, selection.trimStart);
    }
    return selection;
}

TrimSelection moveTrimEnd(TrimSelection selection, int delta, int frameCount)
{
    if (delta < 0 && selection.trimStart + 1 < selection.trimEnd) {
        --selection.trimEnd;
        selection.currentFrame = std::min(selection.currentFrame, selection.trimEnd);
    } else if (delta > 0 && selection.trimEnd < frameCount - 1) {
        ++selection.trimEnd;
    }
    return selection;
}

QString trimBarLabel(const TrimSelection& selection, int frameCount)
{
    return QStringLiteral("Frame scrubber. Trim start at frame %1, end at frame %2 of %3.")
        .arg(selection.trimStart + 1)
        .arg(selection.trimEnd + 1)
        .arg(frameCount);
}

QString trimBarValue(const TrimSelection& selection)
{
    const int position = std::max(selection.currentFrame - selection.trimStart + 1, 1);
    const int selected = std::max(selection.trimEnd - selection.trimStart + 1, 0);
    return QStringLiteral("Frame %1 of %2").arg(position).arg(selected);
}

} // namespace kinetta
