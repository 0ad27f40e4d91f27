#pragma once

#include <QString>
#include <QtGlobal>

namespace kinetta
{

// What one drag on the trim bar moves, chosen at its start.
enum class DragTarget { start, end, playhead };

// The three numbers the trim bar edits: the selection (inclusive) and the
// frame on screen.
struct TrimSelection {
    int trimStart = 0;
    int trimEnd = 0;
    int currentFrame = 0;

    friend bool operator==(const TrimSelection&, const TrimSelection&) = default;
};

// Where things are on a trim bar of a given width over frameCount frames, and
// what a press or a drag there does. The handles never cross: a recording of
// two or more frames keeps at least two selected.
class TrimBarGeometry final
{
public:
    static constexpr qreal trackHeight = 44;
    static constexpr qreal totalHeight = 50;
    // A press this close to a handle takes that handle.
    static constexpr qreal handleReach = 16;

    TrimBarGeometry(qreal width, int frameCount) : m_width(width), m_frameCount(frameCount) {}

    [[nodiscard]] qreal width() const { return m_width; }
    [[nodiscard]] int frameCount() const { return m_frameCount; }

    // Frame index to x: the first frame at 0, the last at the width.
    [[nodiscard]] qreal x(int index) const;
    // x to the frame index at or left of it, clamped to the frames.
    [[nodiscard]] int indexAt(qreal x) const;
    // What a drag starting at x moves: a handle within reach (the start one
    // when at least as close), else the playhead when nearer than both
    // handles, else the nearer handle.
    [[nodiscard]] DragTarget pickTarget(qreal x, const TrimSelection& selection) const;
    // The selection after target is dragged to x.
    [[nodiscard]] TrimSelection drag(DragTarget target, qreal x, TrimSelection selection) const;

private:
    qreal m_width;
    int m_frameCount;
};

// The filmstrip shows one thumbnail per this many points.
inline constexpr qreal filmstripCellWidth = 30;
// Thumbnails on a strip of that width (at least one).
[[nodiscard]] int filmstripThumbnailCount(qreal width);
// The frame thumbnail j of count shows: the first and the last thumbnail the
// first and the last frame, the rest evenly between.
[[nodiscard]] int filmstripFrameIndex(int thumbnail, int thumbnailCount, int frameCount);

// The trim bar's adjustments for assistive technology.
[[nodiscard]] TrimSelection stepCurrentFrame(TrimSelection selection, int delta);
[[nodiscard]] TrimSelection moveTrimStart(TrimSelection selection, int delta);
[[nodiscard]] TrimSelection moveTrimEnd(TrimSelection selection, int delta, int frameCount);
// "Frame scrubber. Trim start at frame 3, end at frame 8 of 20."
[[nodiscard]] QString trimBarLabel(const TrimSelection& selection, int frameCount);
// "Frame 2 of 6": the frame shown within the selection.
[[nodiscard]] QString trimBarValue(const TrimSelection& selection);

} // namespace kinetta
