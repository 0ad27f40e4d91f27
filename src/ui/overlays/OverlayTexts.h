#pragma once

#include "model/CaptureMode.h"

#include <QString>
#include <QtGlobal>
#include <optional>

namespace kinetta
{

// The words and numbers the countdown and the recording HUD show and speak,
// apart from the widgets so that each rule is tested on its own.
namespace overlaytexts
{

// "1 second", "2 seconds", "0 seconds".
[[nodiscard]] QString secondsPhrase(qint64 seconds);

// Countdown: "Recording starts in 3 seconds".
[[nodiscard]] QString countdownLabel(qint64 value);
// How much of the ring stands for value: value / max(1, total).
[[nodiscard]] qreal countdownFraction(qint64 value, qint64 totalSeconds);

// Elapsed time as the HUD shows it: "0:59", "12:05".
[[nodiscard]] QString elapsedText(qint64 seconds);
// "59 seconds"; from a minute on "1 minute 0 seconds".
[[nodiscard]] QString spokenElapsed(qint64 seconds);
[[nodiscard]] QString timerLabel(qint64 seconds);

// Frames captured so far, estimated from the rate: seconds × fps, truncated.
[[nodiscard]] qint64 estimatedFrames(qint64 seconds, double fps);
[[nodiscard]] QString framesText(qint64 frames);
[[nodiscard]] QString fpsText(double fps);
[[nodiscard]] QString framesLabel(qint64 frames, double fps);

[[nodiscard]] QString modeLabel(CaptureMode mode);

// Auto-stop: seconds left (never negative) and the share of the limit passed
// (0 for a limit of 0, at most 1).
[[nodiscard]] qint64 autoStopRemaining(qint64 limitSeconds, qint64 elapsedSeconds);
[[nodiscard]] qreal autoStopProgress(qint64 limitSeconds, qint64 elapsedSeconds);
// "Auto-stop in 10 seconds": the bar's text and accessible label.
[[nodiscard]] QString autoStopText(qint64 remaining);
// The spoken warning for the seconds worth announcing (10, 5, 3, 2, 1), else none.
[[nodiscard]] std::optional<QString> autoStopWarning(qint64 remaining);

inline const QString kDiscardConfirmation = QStringLiteral(
    "Discard confirmation. Tap Discard to delete recording, or Keep Recording to continue.");
inline const QString kShortcutBadge = QStringLiteral("Ctrl+Shift+G");

} // namespace overlaytexts
} // namespace kinetta
