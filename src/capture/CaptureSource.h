#pragma once

#include "capture/RecordingError.h"
#include "model/SharedPixels.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace kinetta
{

// A value or the platform's error.
template <typename T> class CaptureResult final
{
public:
    CaptureResult(T value) : m_value(std::move(value)) {}            // NOLINT
    CaptureResult(CaptureError error) : m_value(std::move(error)) {} // NOLINT

    [[nodiscard]] bool ok() const { return std::holds_alternative<T>(m_value); }
    [[nodiscard]] T& value() { return std::get<T>(m_value); }
    [[nodiscard]] const T& value() const { return std::get<T>(m_value); }
    [[nodiscard]] const CaptureError& error() const { return std::get<CaptureError>(m_value); }

private:
    std::variant<T, CaptureError> m_value;
};

struct DisplayInfo {
    std::uint32_t displayID = 0;
    QRect frame; // global coordinates, origin top-left
};

struct ShareableWindow {
    std::uint32_t windowID = 0;
    QRectF frame; // global coordinates, origin top-left
    std::optional<std::int64_t> pid;
};

// What can be captured right now. The first display is the one captured in
// screen and area mode.
struct ShareableContent {
    std::vector<DisplayInfo> displays;
    std::vector<ShareableWindow> windows;
};

struct StreamConfiguration {
    enum class Content { display, window };
    Content content = Content::display;
    // The display's or window's identifier, by content.
    std::uint32_t targetID = 0;
    // Display captures leave out the windows of this process, as far as the
    // platform allows.
    std::optional<std::int64_t> excludedPid;
    bool showsCursor = true;
    // Frames per second, not necessarily whole: the stream delivers frame n
    // as close after n / frameRate seconds from its first as it can, on a
    // fixed cadence that late frames do not shift.
    double frameRate = 10;
    QSize outputSize;
    // Part of the display to capture, relative to the display's origin.
    std::optional<QRectF> sourceRect;
};

// One image delivered by a stream, already at the output size: rows top to
// bottom without padding, pixels 0xAARRGGBB. Empty pixels mean the image could
// not be made.
struct CapturedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    // Instead of pixels (which are then empty): memory the image was grabbed
    // into, handed over as it is.
    SharedPixels shared = {};
};

// A picture of the display the next stream will record, for drawing an area
// on where the live screen cannot be covered and read (Wayland): the display
// as the platform reports it (its frame in the platform's logical pixels,
// which a scaled monitor's pictures exceed) and its picture.
struct DisplayStill {
    DisplayInfo display;
    QImage image;
};

// Receives what a running stream produces. Called on the stream's own thread.
class CaptureStreamOutput
{
public:
    virtual ~CaptureStreamOutput() = default;
    virtual void streamDidOutput(CapturedImage image) = 0;
    // The stream ended by itself (the window closed, the display went away).
    // Nothing is delivered after this.
    virtual void streamDidStop(const CaptureError& error) = 0;
};

class CaptureStream
{
public:
    virtual ~CaptureStream() = default;
    // Ends the capture and waits for the stream's thread; no output is called
    // once this returns. Safe to call more than once.
    virtual void stop() = 0;
};

// A platform's screen capture (X11 now; a portal later; a fake in tests).
class CaptureSource
{
public:
    virtual ~CaptureSource() = default;
    // Whether the process may capture the screen.
    [[nodiscard]] virtual bool preflightAccess() = 0;
    // Asks the user or the system for access where that is possible.
    virtual void requestAccess() = 0;
    [[nodiscard]] virtual CaptureResult<ShareableContent> shareableContent() = 0;
    // Starts delivering frames to output until stopped or an error ends it.
    [[nodiscard]] virtual CaptureResult<std::unique_ptr<CaptureStream>>
    startStream(const StreamConfiguration& configuration, CaptureStreamOutput& output) = 0;
    // A still image of one window's contents at point resolution, for the
    // window picker. Nothing when the window has closed or cannot be read (or
    // the platform cannot read single windows); never an error. Safe to call
    // from any thread.
    [[nodiscard]] virtual std::optional<QImage> windowSnapshot(std::uint32_t /*windowID*/)
    {
        return std::nullopt;
    }
    // Where the platform, not Kinetta, chooses the display (the desktop
    // portal's dialog): chooses it now and gives its current picture; the
    // next stream records that same display. Blocks; never on the GUI thread.
    // Nothing where areas are drawn on the live screen (X11).
    [[nodiscard]] virtual std::optional<CaptureResult<DisplayStill>>
    displayStill(bool /*showsCursor*/)
    {
        return std::nullopt;
    }
    // Where the platform, not Kinetta, chooses the window (the desktop
    // portal's chooser): asks now and gives the chosen window, sized in the
    // platform's logical pixels; the next window stream records it. Blocks;
    // never on the GUI thread. Nothing where windows are picked from
    // Kinetta's own list (X11).
    [[nodiscard]] virtual std::optional<CaptureResult<ShareableWindow>>
    chooseWindow(bool /*showsCursor*/)
    {
        return std::nullopt;
    }
};

} // namespace kinetta
