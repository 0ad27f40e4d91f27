#pragma once

#include "model/WindowInfo.h"

#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

namespace kinetta
{

// The picker's logic without widgets: which windows a query keeps, where the
// arrow keys move the keyboard focus, and the texts it shows and speaks.

// The windows whose application name, or else title, contains the query
// (trimmed, compared case-insensitively), in their order; all of them for a
// query that is empty once trimmed.
[[nodiscard]] std::vector<WindowInfo> filterWindows(const std::vector<WindowInfo>& windows,
                                                    const QString& query);

// The keyboard focus after a move by step (−1 Left, +1 Right, −columns Up,
// +columns Down) among count cards. Without focus, a forward move starts just
// before the first card and a backward one just after the last. Moves stop at
// the ends; nothing is focused when there are no cards.
[[nodiscard]] std::optional<int> moveKeyboardIndex(std::optional<int> current, int step, int count);

// The keys the picker takes from every widget of its window, the search field
// included; every other key passes on.
enum class GridKey { escape, enter, left, right, up, down };
[[nodiscard]] std::optional<GridKey> gridKeyFor(int qtKey);

// "3 windows available.", "1 window available.", or "No windows found.".
[[nodiscard]] QString windowCountAnnouncement(int count);
// "Application — Title", or the application alone for an untitled window.
[[nodiscard]] QString windowLabel(const WindowInfo& window);
// The size as whole points, "1440×900" (truncated, not rounded).
[[nodiscard]] QString windowSizeText(const QRectF& frame);

} // namespace kinetta
