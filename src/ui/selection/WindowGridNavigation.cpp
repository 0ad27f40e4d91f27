#include "ui/selection/WindowGridNavigation.h"

#include <Qt>
#include <algorithm>
#include <cmath>

namespace kinetta
{

std::vector<WindowInfo> filterWindows(const std::vector<WindowInfo>& windows, const QString& query)
{
    const QString wanted = query.trimmed().toLower();
    if (wanted.isEmpty())
        return windows;
    std::vector<WindowInfo> kept;
    for (const WindowInfo& window : windows)
        if (window.appName.toLower().contains(wanted) || window.title.toLower().contains(wanted))
            kept.push_back(window);
    return kept;
}

std::optional<int> moveKeyboardIndex(std::optional<int> current, int step, int count)
{
    if (count <= 0)
        return current;
    const int from = current.value_or(step > 0 ? -1 : count);
    return std::clamp(from + step, 0, count - 1);
}

std::optional<GridKey> gridKeyFor(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Escape:
        return GridKey::escape;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return GridKey::enter;
    case Qt::Key_Left:
        return GridKey::left;
    case Qt::Key_Right:
        return GridKey::right;
    case Qt::Key_Up:
        return GridKey::up;
    case Qt::Key_Down:
        return GridKey::down;
    default:
        return std::nullopt;
    }
}

QString windowCountAnnouncement(int count)
{
    if (count <= 0)
        return QStringLiteral("No windows found.");
    return QString::number(count) + (count == 1 ? QStringLiteral(" window available.")
                                                : QStringLiteral(" windows available."));
}

QString windowLabel(const WindowInfo& window)
{
    if (window.title.isEmpty())
        return window.appName;
    return window.appName + QStringLiteral(" \u2014 ") + window.title;
}

QString windowSizeText(const QRectF& frame)
{
    const auto whole = [](qreal value) {
        return QString::number(static_cast<qint64>(std::trunc(value)));
    };
    return whole(frame.width()) + QChar(0x00D7) + whole(frame.height());
}

} // namespace kinetta
