#include "model/RecordableWindows.h"

#include <QList>
#include <algorithm>
#include <cmath>
#include <limits>

namespace kinetta
{
namespace
{

// QString compares UTF-16 code units, which puts characters beyond the basic
// plane before U+E000..U+FFFF; comparing UCS-4 of the composed form does not.
QList<uint> sortKey(const QString& text)
{
    return text.normalized(QString::NormalizationForm_C).toUcs4();
}

int compareKeys(const QList<uint>& a, const QList<uint>& b)
{
    const auto [aEnd, bEnd] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (aEnd != a.end() && bEnd != b.end())
        return *aEnd < *bEnd ? -1 : 1;
    if (aEnd == a.end() && bEnd == b.end())
        return 0;
    return aEnd == a.end() ? -1 : 1;
}

bool isFinite(double value)
{
    return std::isfinite(value);
}

} // namespace

int compareUnicodeText(const QString& a, const QString& b)
{
    return compareKeys(sortKey(a), sortKey(b));
}

std::vector<WindowInfo> recordableWindows(const std::vector<WindowListEntry>& entries,
                                          qint64 ownPid)
{
    std::vector<WindowInfo> windows;
    for (const WindowListEntry& entry : entries) {
        // Tested in this order: owner, kind, bounds, size.
        if (!entry.pid || *entry.pid == ownPid || *entry.pid < std::numeric_limits<qint32>::min() ||
            *entry.pid > std::numeric_limits<qint32>::max())
            continue;
        if (!entry.ordinary)
            continue;
        if (!entry.bounds)
            continue;
        const QRectF& bounds = *entry.bounds;
        if (!isFinite(bounds.width()) || !isFinite(bounds.height()))
            continue;
        if (bounds.width() <= kMinRecordableWidth || bounds.height() <= kMinRecordableHeight)
            continue;

        WindowInfo info;
        info.windowID = entry.windowID;
        info.appName = entry.appName.value_or(QStringLiteral("Unknown"));
        info.className = entry.className.value_or(QString());
        info.title = entry.title.value_or(QString());
        info.frame =
            QRectF(isFinite(bounds.x()) ? bounds.x() : 0.0, isFinite(bounds.y()) ? bounds.y() : 0.0,
                   bounds.width(), bounds.height());
        info.pid = static_cast<std::int32_t>(*entry.pid);
        windows.push_back(std::move(info));
    }

    struct Keyed {
        QList<uint> app;
        QList<uint> title;
        std::size_t index;
    };
    std::vector<Keyed> keys;
    keys.reserve(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i)
        keys.push_back({sortKey(windows[i].appName), sortKey(windows[i].title), i});
    std::stable_sort(keys.begin(), keys.end(), [](const Keyed& a, const Keyed& b) {
        const int byApp = compareKeys(a.app, b.app);
        if (byApp != 0)
            return byApp < 0;
        return compareKeys(a.title, b.title) < 0;
    });

    std::vector<WindowInfo> sorted;
    sorted.reserve(windows.size());
    for (const Keyed& key : keys)
        sorted.push_back(std::move(windows[key.index]));
    return sorted;
}

} // namespace kinetta
