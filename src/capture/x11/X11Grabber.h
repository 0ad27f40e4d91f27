#pragma once

#include "capture/x11/XcbConnection.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace kinetta::x11
{

// A grabbed image in memory the grabber owns, valid until the next grab.
// Pixels are 0x??RRGGBB; the top byte is whatever the drawable holds.
struct GrabbedImage {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0; // in pixels
    // Set when the memory may be handed over: it stays as it is, and out of
    // the grabber's use, while any copy of owner lives.
    std::shared_ptr<const void> owner = {};
};

// Reads rectangles of windows and pixmaps, through shared memory when the
// server offers it, and paints the pointer into them.
class X11Grabber final
{
public:
    explicit X11Grabber(const XcbConnection& connection);
    ~X11Grabber();
    X11Grabber(const X11Grabber&) = delete;
    X11Grabber& operator=(const X11Grabber&) = delete;

    // Checks that the server's pixel layout is one this grabber reads.
    [[nodiscard]] static Status<QString> checkFormat(const XcbConnection& connection,
                                                     std::uint8_t depth);

    // Shared-memory segments in existence at once, idle or held by images.
    // Images the frame queue has not stored yet hold theirs; past this many,
    // a grab is skipped (nothing returned) instead of pinning more memory.
    static constexpr std::size_t kMaxSegments = 6;

    // rect is in the drawable's coordinates and must lie inside it. Through
    // shared memory each grab goes to a segment nobody holds, so an earlier
    // image whose owner was kept stays intact.
    [[nodiscard]] std::optional<GrabbedImage> grab(xcb_drawable_t drawable, const QRect& rect);

    // Composites the current pointer image over image, whose top-left pixel
    // sits at imageOrigin in root coordinates. Does nothing without XFixes.
    void drawPointer(const GrabbedImage& image, QPoint imageOrigin);

    [[nodiscard]] bool usesSharedMemory() const { return m_connection.hasShm() && !m_shmFailed; }

private:
    struct ShmPool;
    // A segment no one else holds, of at least bytes; null when none can be
    // made, with exhausted set when kMaxSegments are held.
    [[nodiscard]] std::shared_ptr<ShmSegment> takeSegment(std::size_t bytes, bool& exhausted);

    const XcbConnection& m_connection;
    // Segments come back here when their images are let go, on any thread.
    std::shared_ptr<ShmPool> m_pool;
    std::shared_ptr<ShmSegment> m_segment; // the last grab's
    bool m_shmFailed = false;
    std::vector<std::uint32_t> m_buffer;
};

// Fills rect of image (in image coordinates, clipped) with colour.
void fillRect(const GrabbedImage& image, const QRect& rect, std::uint32_t colour);

// Copies image into packed pixels with the top byte set to opaque.
void copyOpaque(const GrabbedImage& image, std::uint32_t* out);

} // namespace kinetta::x11
