#pragma once

#include "capture/AreaScaler.h"
#include "capture/CaptureSource.h"
#include "capture/x11/CompositeRedirect.h"
#include "gif/Result.h"
#include "capture/x11/X11Grabber.h"
#include "capture/x11/X11Windows.h"
#include "capture/x11/XcbConnection.h"

#include <QRect>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kinetta::x11
{

// Grabs a display area or one window on its own thread on a fixed cadence at
// the configured rate and hands each image, scaled to the output size, to the
// output.
class X11CaptureStream final : public CaptureStream
{
public:
    // displayRect: the display's bounds in root coordinates (display captures).
    [[nodiscard]] static CaptureResult<std::unique_ptr<CaptureStream>>
    start(const std::string& displayName, const StreamConfiguration& configuration,
          const QRect& displayRect, CaptureStreamOutput& output);
    ~X11CaptureStream() override;
    void stop() override;

private:
    using Clock = std::chrono::steady_clock;

    X11CaptureStream(std::unique_ptr<XcbConnection> connection,
                     const StreamConfiguration& configuration, CaptureStreamOutput& output);
    [[nodiscard]] Status<CaptureError> prepareDisplay(const QRect& displayRect);
    [[nodiscard]] Status<CaptureError> prepareWindow();
    void run();
    // False when asked to stop while waiting.
    [[nodiscard]] bool waitUntil(Clock::time_point when);
    // Reads pending events; an error when the capture cannot go on.
    [[nodiscard]] Status<CaptureError> handleEvents();
    [[nodiscard]] std::optional<CapturedImage> grabFrame();
    void nameWindowPixmap();
    void releaseWindow();
    [[nodiscard]] CapturedImage scaleToOutput(const GrabbedImage& image);
    [[nodiscard]] xcb_pixmap_t rootBackgroundPixmap() const;
    [[nodiscard]] bool isOwnWindow(xcb_window_t window) const;
    // Paints the desktop background (black when none is published) over rect,
    // given in root coordinates, of an image whose top-left is at origin.
    void paintBackground(const GrabbedImage& image, const QRect& rect, QPoint origin);

    std::unique_ptr<XcbConnection> m_connection;
    StreamConfiguration m_configuration;
    CaptureStreamOutput& m_output;
    X11Grabber m_grabber;
    std::unique_ptr<AreaScaler> m_scaler;

    // Display captures.
    QRect m_grabRect;
    std::vector<TopLevelWindow> m_ownWindows;
    bool m_ownWindowsDirty = true;
    xcb_pixmap_t m_backgroundPixmap = XCB_NONE;

    // Window captures.
    xcb_window_t m_window = XCB_NONE;
    std::optional<CompositeRedirect> m_composite;
    bool m_windowMapped = true;
    QSize m_windowSize;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopRequested = false;
    std::thread m_thread;
};

} // namespace kinetta::x11
