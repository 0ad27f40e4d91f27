#include "capture/x11/X11Grabber.h"

#include "capture/CaptureLogging.h"

#include <algorithm>
#include <cstring>
#include <xcb/shm.h>
#include <xcb/xfixes.h>

namespace kinetta::x11
{

namespace
{

// Segments kept for reuse; more are only out while the frame queue lags.
constexpr std::size_t kIdleSegments = 3;
static_assert(kIdleSegments <= X11Grabber::kMaxSegments);

} // namespace

struct X11Grabber::ShmPool {
    std::mutex mutex;
    std::vector<std::unique_ptr<ShmSegment>> idle;
    // Segments out of the pool: the last grab's and those of images held.
    std::size_t held = 0;
    bool closed = false;
};

X11Grabber::X11Grabber(const XcbConnection& connection)
    : m_connection(connection), m_pool(std::make_shared<ShmPool>())
{
}

X11Grabber::~X11Grabber()
{
    m_segment.reset();
    // Images still held past this point outlive the connection, and the server
    // detaches their segments when it closes.
    std::lock_guard lock(m_pool->mutex);
    m_pool->idle.clear();
    m_pool->closed = true;
}

std::shared_ptr<ShmSegment> X11Grabber::takeSegment(std::size_t bytes, bool& exhausted)
{
    exhausted = false;
    std::unique_ptr<ShmSegment> segment;
    {
        std::lock_guard lock(m_pool->mutex);
        while (!segment && !m_pool->idle.empty()) {
            std::unique_ptr<ShmSegment> candidate = std::move(m_pool->idle.back());
            m_pool->idle.pop_back();
            if (candidate->size() >= bytes)
                segment = std::move(candidate);
        }
        if (!segment && m_pool->held >= kMaxSegments) {
            exhausted = true;
            return nullptr;
        }
        ++m_pool->held;
    }
    if (!segment)
        segment = ShmSegment::create(m_connection.get(), bytes);
    if (!segment) {
        std::lock_guard lock(m_pool->mutex);
        --m_pool->held;
        return nullptr;
    }
    return {segment.release(), [pool = m_pool](ShmSegment* released) {
                std::unique_ptr<ShmSegment> owned(released);
                // Under the lock the grabber, and so the connection, is still there
                // unless closed says otherwise.
                std::lock_guard lock(pool->mutex);
                --pool->held;
                if (pool->closed)
                    owned->abandon();
                else if (pool->idle.size() < kIdleSegments)
                    pool->idle.push_back(std::move(owned));
                owned.reset();
            }};
}

Status<QString> X11Grabber::checkFormat(const XcbConnection& connection, std::uint8_t depth)
{
    const xcb_setup_t* setup = xcb_get_setup(connection.get());
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return Failure{QStringLiteral("The X display uses a byte order Kinetta cannot record.")};
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem > 0;
         xcb_format_next(&formats)) {
        if (formats.data->depth == depth && formats.data->bits_per_pixel == 32)
            return {};
    }
    return Failure{
        QStringLiteral("Only 24- and 32-bit X displays can be recorded (this one has depth %1).")
            .arg(depth)};
}

std::optional<GrabbedImage> X11Grabber::grab(xcb_drawable_t drawable, const QRect& rect)
{
    xcb_connection_t* c = m_connection.get();
    const std::size_t bytes = static_cast<std::size_t>(rect.width()) * rect.height() * 4;
    // Back to the pool unless its image was handed over.
    m_segment.reset();
    if (m_connection.hasShm() && !m_shmFailed) {
        bool exhausted = false;
        m_segment = takeSegment(bytes, exhausted);
        // Every segment is held by an image not yet stored: this grab is
        // skipped rather than pinning more memory.
        if (exhausted)
            return std::nullopt;
        if (!m_segment) {
            m_shmFailed = true;
            qCWarning(lcCapture,
                      "kinetta: X shared memory is not available; grabbing the slow way.");
        }
    }
    if (m_segment) {
        XcbReply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
            c,
            xcb_shm_get_image(c, drawable, static_cast<std::int16_t>(rect.x()),
                              static_cast<std::int16_t>(rect.y()),
                              static_cast<std::uint16_t>(rect.width()),
                              static_cast<std::uint16_t>(rect.height()), ~0u,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, m_segment->id(), 0),
            nullptr));
        if (!reply)
            return std::nullopt;
        return GrabbedImage{reinterpret_cast<std::uint32_t*>(m_segment->data()), rect.width(),
                            rect.height(), static_cast<std::size_t>(rect.width()), m_segment};
    }
    XcbReply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, static_cast<std::int16_t>(rect.x()),
                      static_cast<std::int16_t>(rect.y()), static_cast<std::uint16_t>(rect.width()),
                      static_cast<std::uint16_t>(rect.height()), ~0u),
        nullptr));
    if (!reply || static_cast<std::size_t>(xcb_get_image_data_length(reply.get())) < bytes)
        return std::nullopt;
    m_buffer.resize(bytes / 4);
    std::memcpy(m_buffer.data(), xcb_get_image_data(reply.get()), bytes);
    return GrabbedImage{m_buffer.data(), rect.width(), rect.height(),
                        static_cast<std::size_t>(rect.width()), nullptr};
}

void X11Grabber::drawPointer(const GrabbedImage& image, QPoint imageOrigin)
{
    if (!m_connection.hasXfixes())
        return;
    xcb_connection_t* c = m_connection.get();
    XcbReply<xcb_xfixes_get_cursor_image_reply_t> cursor(
        xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr));
    if (!cursor)
        return;
    const std::uint32_t* source = xcb_xfixes_get_cursor_image_cursor_image(cursor.get());
    const int left = cursor->x - cursor->xhot - imageOrigin.x();
    const int top = cursor->y - cursor->yhot - imageOrigin.y();
    const int firstRow = std::max(0, -top);
    const int lastRow = std::min<int>(cursor->height, image.height - top);
    const int firstColumn = std::max(0, -left);
    const int lastColumn = std::min<int>(cursor->width, image.width - left);
    for (int row = firstRow; row < lastRow; ++row) {
        std::uint32_t* target =
            image.pixels + static_cast<std::size_t>(top + row) * image.stride + left;
        const std::uint32_t* from = source + static_cast<std::size_t>(row) * cursor->width;
        for (int column = firstColumn; column < lastColumn; ++column) {
            // The cursor is premultiplied ARGB: over = source + target * (1 - alpha).
            const std::uint32_t pixel = from[column];
            const std::uint32_t alpha = pixel >> 24;
            if (alpha == 0)
                continue;
            const std::uint32_t under = target[column];
            std::uint32_t result = 0xff000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const std::uint32_t top8 = (pixel >> shift) & 0xffu;
                const std::uint32_t below = (under >> shift) & 0xffu;
                const std::uint32_t blended = top8 + (below * (255 - alpha) + 127) / 255;
                result |= std::min<std::uint32_t>(blended, 255) << shift;
            }
            target[column] = result;
        }
    }
}

void fillRect(const GrabbedImage& image, const QRect& rect, std::uint32_t colour)
{
    const QRect clipped = rect.intersected(QRect(0, 0, image.width, image.height));
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        std::uint32_t* row = image.pixels + static_cast<std::size_t>(y) * image.stride;
        std::fill(row + clipped.left(), row + clipped.left() + clipped.width(), colour);
    }
}

void copyOpaque(const GrabbedImage& image, std::uint32_t* out)
{
    for (int y = 0; y < image.height; ++y) {
        const std::uint32_t* __restrict row =
            image.pixels + static_cast<std::size_t>(y) * image.stride;
        std::uint32_t* __restrict target = out + static_cast<std::size_t>(y) * image.width;
        for (int x = 0; x < image.width; ++x)
            target[x] = row[x] | 0xff000000u;
    }
}

} // namespace kinetta::x11
