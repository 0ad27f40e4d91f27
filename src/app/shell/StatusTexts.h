#pragma once

#include <QString>
#include <QtGlobal>

namespace kinetta
{

// The words the tray icon carries while recording and counting down, and the
// menu's version line.

// Elapsed time as minutes and two-digit seconds: 83 -> "1:23", 5 -> "0:05".
[[nodiscard]] QString elapsedTimeText(qint64 seconds);
// What a screen reader says about a running recording: 61 -> "Recording: 1 minute 1 second",
// 5 -> "Recording: 5 seconds" (no minutes before the first full one).
[[nodiscard]] QString recordingStatusLabel(qint64 seconds);
// "Recording countdown: 3".
[[nodiscard]] QString countdownStatusLabel(qint64 value);

// "Kinetta " + version + " (" + revision + ")"; an empty version or revision shows as "?".
[[nodiscard]] QString versionLine(const QString& version, const QString& revision);
// This build's line: the project version and the source revision the build was made from.
[[nodiscard]] QString buildVersionLine();

} // namespace kinetta
