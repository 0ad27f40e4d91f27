#include "ui/icons/WindowIconLookup.h"

#include "ui/icons/DefaultAppIcon.h"

#include <QPixmap>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace kinetta
{
namespace
{

int devicePixels(int logicalSize, qreal devicePixelRatio)
{
    return std::max(1, static_cast<int>(std::ceil(logicalSize * devicePixelRatio)));
}

} // namespace

WindowIconLookup::WindowIconLookup(std::shared_ptr<WindowIconReader> reader,
                                   ThemeIconFunction theme)
    : m_reader(std::move(reader)), m_theme(std::move(theme))
{
    if (!m_theme)
        m_theme = [](const QString& name) { return QIcon::fromTheme(name); };
}

WindowIcon WindowIconLookup::icon(const WindowInfo& window, int logicalSize, qreal devicePixelRatio)
{
    return icons({window}, logicalSize, devicePixelRatio).front();
}

std::vector<WindowIcon> WindowIconLookup::icons(const std::vector<WindowInfo>& windows,
                                                int logicalSize, qreal devicePixelRatio)
{
    readUnknown(windows);
    const std::pair<int, qreal> key{logicalSize, devicePixelRatio};
    std::vector<WindowIcon> result;
    result.reserve(windows.size());
    for (const WindowInfo& window : windows) {
        KnownWindow& known = m_known.at(window.windowID);
        auto shown = known.shown.find(key);
        if (shown == known.shown.end())
            shown = known.shown
                        .emplace(key, make(known, window.className, logicalSize, devicePixelRatio))
                        .first;
        result.push_back(shown->second);
    }
    return result;
}

void WindowIconLookup::forget(std::uint32_t windowID)
{
    m_known.erase(windowID);
}

void WindowIconLookup::readUnknown(const std::vector<WindowInfo>& windows)
{
    std::vector<std::uint32_t> unknown;
    for (const WindowInfo& window : windows)
        if (!m_known.contains(window.windowID) &&
            std::find(unknown.begin(), unknown.end(), window.windowID) == unknown.end())
            unknown.push_back(window.windowID);
    if (unknown.empty())
        return;
    std::vector<std::vector<std::uint32_t>> read = m_reader->readIcons(unknown);
    read.resize(unknown.size()); // a reader that answers short has nothing for the rest
    for (std::size_t i = 0; i < unknown.size(); ++i) {
        KnownWindow& known = m_known[unknown[i]];
        known.values = std::move(read[i]);
        known.entries = netWmIconEntries(known.values);
    }
}

WindowIcon WindowIconLookup::make(const KnownWindow& known, const QString& className,
                                  int logicalSize, qreal devicePixelRatio) const
{
    const int pixels = devicePixels(logicalSize, devicePixelRatio);
    WindowIcon icon;
    if (const auto chosen = chooseNetWmIcon(known.entries, pixels)) {
        icon = {netWmIconImage(known.values, known.entries[*chosen]), WindowIconOrigin::Window};
    } else if (QImage themed = themeImage(className, logicalSize, devicePixelRatio);
               !themed.isNull()) {
        icon = {std::move(themed), WindowIconOrigin::Theme};
    } else {
        icon = {drawDefaultAppIcon(pixels), WindowIconOrigin::Drawn};
    }
    icon.image.setDevicePixelRatio(devicePixelRatio);
    return icon;
}

QImage WindowIconLookup::themeImage(const QString& className, int logicalSize,
                                    qreal devicePixelRatio) const
{
    if (className.isEmpty())
        return {};
    // Themes name applications in lower case; some classes are capitalised.
    QStringList names{className};
    if (className.toLower() != className)
        names << className.toLower();
    for (const QString& name : names) {
        const QIcon themed = m_theme(name);
        if (themed.isNull())
            continue;
        const QImage image =
            themed.pixmap(QSize(logicalSize, logicalSize), devicePixelRatio).toImage();
        if (!image.isNull())
            return image;
    }
    return {};
}

} // namespace kinetta
