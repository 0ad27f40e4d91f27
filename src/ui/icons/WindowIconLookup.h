#pragma once

#include "capture/NetWmIcon.h"
#include "capture/WindowIconReader.h"
#include "model/WindowInfo.h"

#include <QIcon>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kinetta
{

enum class WindowIconOrigin { Window, Theme, Drawn };

struct WindowIcon {
    QImage image; // its device pixel ratio set; draw it into the requested square
    WindowIconOrigin origin = WindowIconOrigin::Drawn;
};

// Looks a name up in the desktop's icon theme; empty: QIcon::fromTheme.
using ThemeIconFunction = std::function<QIcon(const QString& name)>;

// The application icon of a window, for every view that shows one: the icon
// the window carries (_NET_WM_ICON) at the best size, else the icon theme's
// entry for its WM_CLASS class (as given, then lower-cased), else our drawn
// glyph. Runs on the GUI thread: each window's property is read once and kept,
// and icons() reads every window not yet known in one round trip, so even a
// picker full of windows waits for the X server once.
class WindowIconLookup final
{
public:
    explicit WindowIconLookup(std::shared_ptr<WindowIconReader> reader,
                              ThemeIconFunction theme = {});

    // The icon for a square of logicalSize points at devicePixelRatio.
    [[nodiscard]] WindowIcon icon(const WindowInfo& window, int logicalSize,
                                  qreal devicePixelRatio);
    // The icons of many windows, in their order, with one read for all.
    [[nodiscard]] std::vector<WindowIcon> icons(const std::vector<WindowInfo>& windows,
                                                int logicalSize, qreal devicePixelRatio);
    // The window's icon is read again on the next request (it changed, or the
    // window is gone and its id may come back for another one).
    void forget(std::uint32_t windowID);

private:
    struct KnownWindow {
        std::vector<std::uint32_t> values; // the raw property
        std::vector<NetWmIconEntry> entries;
        std::map<std::pair<int, qreal>, WindowIcon> shown; // by logical size and ratio
    };

    void readUnknown(const std::vector<WindowInfo>& windows);
    [[nodiscard]] WindowIcon make(const KnownWindow& known, const QString& className,
                                  int logicalSize, qreal devicePixelRatio) const;
    [[nodiscard]] QImage themeImage(const QString& className, int logicalSize,
                                    qreal devicePixelRatio) const;

    std::shared_ptr<WindowIconReader> m_reader;
    ThemeIconFunction m_theme;
    std::unordered_map<std::uint32_t, KnownWindow> m_known;
};

} // namespace kinetta
