#include "capture/x11/X11CaptureStream.h"

#include "capture/FrameCadence.h"
#include "capture/x11/X11Windows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <pthread.h>

namespace kinetta::x11
{

CaptureResult<std::unique_ptr<CaptureStream>>
X11CaptureStream::start(const std::string& displayName, const StreamConfiguration& configuration,
                        const QRect& displayRect, CaptureStreamOutput& output)
{
    auto connection = XcbConnection::open(displayName);
    if (!connection.ok())
        return CaptureError{connection.message()};
    std::unique_ptr<X11CaptureStream> stream(
        new X11CaptureStream(std::move(connection).value(), configuration, output));
    const Status<CaptureError> prepared =
        configuration.content == StreamConfiguration::Content::window
            ? stream->prepareWindow()
            : stream->prepareDisplay(displayRect);
    if (!prepared.ok())
        return prepared.message();
    stream->m_thread = std::thread([raw = stream.get()] { raw->run(); });
    return std::unique_ptr<CaptureStream>(std::move(stream));
}

X11CaptureStream::X11CaptureStream(std::unique_ptr<XcbConnection> connection,
                                   const StreamConfiguration& configuration,
                                   CaptureStreamOutput& output)
    : m_connection(std::move(connection)), m_configuration(configuration), m_output(output),
      m_grabber(*m_connection)
{
}

X11CaptureStream::~X11CaptureStream()
{
    stop();
    releaseWindow();
}

void X11CaptureStream::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    // An error handler that stops the stream from the capture thread must not
    // wait for itself.
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

Status<CaptureError> X11CaptureStream::prepareDisplay(const QRect& displayRect)
{
    if (const auto format =
            X11Grabber::checkFormat(*m_connection, m_connection->screen()->root_depth);
        !format.ok())
        return Failure{CaptureError{format.message()}};
    const QRect screen(0, 0, m_connection->screen()->width_in_pixels,
                       m_connection->screen()->height_in_pixels);
    QRect rect = displayRect.intersected(screen);
    if (m_configuration.sourceRect)
        rect = m_configuration.sourceRect->toAlignedRect()
                   .translated(displayRect.topLeft())
                   .intersected(rect);
    if (rect.width() < 1 || rect.height() < 1)
        return Failure{
            CaptureError{QStringLiteral("The area to record lies outside the display.")}};
    m_grabRect = rect;
    if (m_configuration.excludedPid) {
        // Window changes move our own windows; property changes may bring a new wallpaper.
        const std::uint32_t mask =
            XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(m_connection->get(), m_connection->root(), XCB_CW_EVENT_MASK,
                                     &mask);
    }
    xcb_flush(m_connection->get());
    return {};
}

Status<CaptureError> X11CaptureStream::prepareWindow()
{
    xcb_connection_t* c = m_connection->get();
    m_window = m_configuration.targetID;
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, m_window), nullptr));
    if (!geometry)
        return Failure{CaptureError{QStringLiteral("The window to record has closed.")}};
    if (const auto format = X11Grabber::checkFormat(*m_connection, geometry->depth); !format.ok())
        return Failure{CaptureError{format.message()}};
    m_windowSize = QSize(geometry->width, geometry->height);
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, m_window, XCB_CW_EVENT_MASK, &mask);
    m_composite.emplace(*m_connection, m_window);
    nameWindowPixmap();
    return {};
}

void X11CaptureStream::nameWindowPixmap()
{
    if (m_windowMapped)
        m_composite->nameWindowPixmap();
    else
        m_composite->freePixmap();
}

void X11CaptureStream::releaseWindow()
{
    if (m_window == XCB_NONE || m_connection->broken())
        return;
    m_composite.reset();
    xcb_connection_t* c = m_connection->get();
    const std::uint32_t mask = XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(c, m_window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    m_window = XCB_NONE;
}

bool X11CaptureStream::waitUntil(Clock::time_point when)
{
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_until(lock, when, [this] { return m_stopRequested; });
}

Status<CaptureError> X11CaptureStream::handleEvents()
{
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection->get())}) {
        const auto type = event->response_type & 0x7f;
        if (m_configuration.content == StreamConfiguration::Content::display) {
            // Any window may turn out to be ours once mapped; a move only
            // matters for the ones we already know.
            if (type == XCB_MAP_NOTIFY || type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY ||
                type == XCB_REPARENT_NOTIFY)
                m_ownWindowsDirty = true;
            else if (type == XCB_CONFIGURE_NOTIFY &&
                     isOwnWindow(
                         reinterpret_cast<xcb_configure_notify_event_t*>(event.get())->window))
                m_ownWindowsDirty = true;
            else if (type == XCB_PROPERTY_NOTIFY &&
                     reinterpret_cast<xcb_property_notify_event_t*>(event.get())->atom ==
                         m_connection->atoms().rootPixmap)
                m_backgroundPixmap = rootBackgroundPixmap();
            continue;
        }
        if (type == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<xcb_destroy_notify_event_t*>(event.get())->window == m_window) {
            m_window = XCB_NONE;
            m_composite->abandon();
            return Failure{CaptureError{QStringLiteral("The recorded window was closed.")}};
        }
        if (type == XCB_UNMAP_NOTIFY) {
            // Minimised or moved to another desktop: no frames until it is back.
            m_windowMapped = false;
            nameWindowPixmap();
        } else if (type == XCB_MAP_NOTIFY) {
            m_windowMapped = true;
            nameWindowPixmap();
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            const auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event.get());
            const QSize size(configure->width, configure->height);
            if (configure->window == m_window && size != m_windowSize) {
                // A resized window gets a new pixmap of the new size.
                m_windowSize = size;
                nameWindowPixmap();
            }
        }
    }
    if (m_connection->broken())
        return Failure{CaptureError{QStringLiteral("The connection to the X display was lost.")}};
    return {};
}

std::optional<CapturedImage> X11CaptureStream::grabFrame()
{
    std::optional<GrabbedImage> image;
    QPoint origin;
    if (m_configuration.content == StreamConfiguration::Content::display) {
        image = m_grabber.grab(m_connection->root(), m_grabRect);
        origin = m_grabRect.topLeft();
        if (!image)
            return std::nullopt;
        if (m_configuration.excludedPid) {
            // The server sends events before the image reply, so whatever moved
            // our windows before the grab is queued now.
            (void)handleEvents();
            if (m_ownWindowsDirty) {
                m_ownWindows = windowsOfProcess(*m_connection, *m_configuration.excludedPid);
                m_ownWindowsDirty = false;
                m_backgroundPixmap = rootBackgroundPixmap();
            }
        }
        // What lies under our own windows cannot be read on X11; show the
        // desktop background there instead.
        for (const TopLevelWindow& own : m_ownWindows)
            paintBackground(*image, own.bounds.intersected(m_grabRect), origin);
    } else {
        if (!m_windowMapped || m_windowSize.isEmpty())
            return std::nullopt;
        image = m_grabber.grab(m_composite->drawable(), QRect(QPoint(0, 0), m_windowSize));
        if (!image)
            return std::nullopt;
        if (m_configuration.showsCursor) {
            const auto bounds = windowRootBounds(*m_connection, m_window);
            if (!bounds)
                return std::nullopt;
            origin = bounds->topLeft();
        }
    }
    if (m_configuration.showsCursor)
        m_grabber.drawPointer(*image, origin);
    return scaleToOutput(*image);
}

bool X11CaptureStream::isOwnWindow(xcb_window_t window) const
{
    return std::any_of(m_ownWindows.begin(), m_ownWindows.end(),
                       [&](const TopLevelWindow& own) { return own.id == window; });
}

xcb_pixmap_t X11CaptureStream::rootBackgroundPixmap() const
{
    // Set by most wallpaper setters; desktops that draw their own background
    // window publish none.
    const auto ids = readCardinals(m_connection->get(), m_connection->root(),
                                   m_connection->atoms().rootPixmap, XCB_ATOM_PIXMAP);
    return ids.empty() ? XCB_NONE : ids.front();
}

void X11CaptureStream::paintBackground(const GrabbedImage& image, const QRect& rect, QPoint origin)
{
    if (rect.isEmpty())
        return;
    const QRect local = rect.translated(-origin);
    if (m_backgroundPixmap != XCB_NONE) {
        xcb_connection_t* c = m_connection->get();
        XcbReply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_backgroundPixmap,
                          static_cast<std::int16_t>(rect.x()), static_cast<std::int16_t>(rect.y()),
                          static_cast<std::uint16_t>(rect.width()),
                          static_cast<std::uint16_t>(rect.height()), ~0u),
            nullptr));
        const auto rowBytes = static_cast<std::size_t>(rect.width()) * 4;
        if (reply && reply->depth == m_connection->screen()->root_depth &&
            static_cast<std::size_t>(xcb_get_image_data_length(reply.get())) >=
                rowBytes * static_cast<std::size_t>(rect.height())) {
            const std::uint8_t* data = xcb_get_image_data(reply.get());
            for (int y = 0; y < rect.height(); ++y)
                std::memcpy(image.pixels + static_cast<std::size_t>(local.y() + y) * image.stride +
                                local.x(),
                            data + static_cast<std::size_t>(y) * rowBytes, rowBytes);
            return;
        }
    }
    fillRect(image, local, 0xff000000u);
}

CapturedImage X11CaptureStream::scaleToOutput(const GrabbedImage& image)
{
    const QSize output = m_configuration.outputSize;
    CapturedImage result{output.width(), output.height(), {}};
    const auto count = static_cast<std::size_t>(output.width()) * output.height();
    if (image.width == output.width() && image.height == output.height() && image.owner &&
        image.stride == static_cast<std::size_t>(image.width)) {
        // The grabbed memory itself becomes the frame: no copy of the image, and
        // the top byte the server leaves there is ignored downstream.
        result.shared = SharedPixels{{image.pixels, count}, image.owner, true};
        return result;
    }
    result.pixels.resize(count);
    if (image.width == output.width() && image.height == output.height()) {
        copyOpaque(image, result.pixels.data());
        return result;
    }
    if (!m_scaler || m_scaler->sourceWidth() != image.width ||
        m_scaler->sourceHeight() != image.height)
        m_scaler = std::make_unique<AreaScaler>(image.width, image.height, output.width(),
                                                output.height());
    m_scaler->scale(image.pixels, image.stride, result.pixels.data());
    for (std::uint32_t& pixel : result.pixels)
        pixel |= 0xff000000u;
    return result;
}

void X11CaptureStream::run()
{
    pthread_setname_np(pthread_self(), "kinetta-grab");
    // A slot missed (a grab too late, an image not made) gets no delivery;
    // the recorder repeats the frame before it.
    FrameCadence cadence(m_configuration.frameRate);
    Clock::time_point due = Clock::now();
    Clock::duration grabLead{};
    const auto nextDue = [&] { return cadence.next(Clock::now()); };
    for (;;) {
        // Start grabbing early by about as long as a grab takes, so that the
        // image is ready when its slot is due.
        if (!waitUntil(due - grabLead))
            return;
        if (const Status<CaptureError> events = handleEvents(); !events.ok()) {
            m_output.streamDidStop(events.message());
            return;
        }
        const auto grabStart = Clock::now();
        std::optional<CapturedImage> image = grabFrame();
        const auto grabTime = Clock::now() - grabStart;
        grabLead = std::max<Clock::duration>(grabTime + grabTime / 4, grabLead * 15 / 16);
        if (!image) {
            if (m_connection->broken()) {
                m_output.streamDidStop(
                    CaptureError{QStringLiteral("The connection to the X display was lost.")});
                return;
            }
            due = nextDue();
            continue;
        }
        if (!waitUntil(due))
            return;
        const auto delivered = Clock::now();
        m_output.streamDidOutput(std::move(*image));
        if (!cadence.begun())
            cadence.begin(delivered);
        due = nextDue();
    }
}

} // namespace kinetta::x11
