#pragma once

#include "capture/CaptureSource.h"

#include <string>

namespace kinetta::x11
{

class XcbConnection;

// Screen capture on an X11 display: RandR monitors as displays, the window
// manager's client windows as windows, SHM grabs of the root window and
// Composite for single windows.
class X11CaptureSource final : public CaptureSource
{
public:
    // displayName empty: $DISPLAY.
    explicit X11CaptureSource(std::string displayName = {}) : m_displayName(std::move(displayName))
    {
    }

    // X11 has no screen-recording permission: whoever may connect may read.
    [[nodiscard]] bool preflightAccess() override { return true; }
    void requestAccess() override {}
    [[nodiscard]] CaptureResult<ShareableContent> shareableContent() override;
    [[nodiscard]] CaptureResult<std::unique_ptr<CaptureStream>>
    startStream(const StreamConfiguration& configuration, CaptureStreamOutput& output) override;
    [[nodiscard]] std::optional<QImage> windowSnapshot(std::uint32_t windowID) override;

private:
    std::string m_displayName;
};

// The displays of the connection, the primary one first.
[[nodiscard]] std::vector<DisplayInfo> listDisplays(const XcbConnection& connection);

} // namespace kinetta::x11
