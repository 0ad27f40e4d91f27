#pragma once

#include "model/WindowInfo.h"
#include "model/WindowListSource.h"

#include <QString>
#include <vector>

namespace kinetta
{

// Windows smaller than this (or exactly this size) are not worth recording.
inline constexpr double kMinRecordableWidth = 100.0;
inline constexpr double kMinRecordableHeight = 50.0;

// The windows of a front-to-back list that the user may record: ordinary
// windows of other processes than ownPid, larger than the minimum size. Each
// becomes a WindowInfo ("Unknown" for an unnamed owner, an empty title when it
// has none), sorted by application name, then title, in code-point order;
// equal entries keep the list's order.
[[nodiscard]] std::vector<WindowInfo> recordableWindows(const std::vector<WindowListEntry>& entries,
                                                        qint64 ownPid);

// Plain Unicode text order: canonically equivalent texts are equal, otherwise
// the first differing code point decides (case-sensitive, not locale-aware).
// Negative, zero or positive like strcmp.
[[nodiscard]] int compareUnicodeText(const QString& a, const QString& b);

} // namespace kinetta
