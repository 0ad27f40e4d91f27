#pragma once

#include "model/CaptureMode.h"
#include "model/WindowInfo.h"

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

namespace kinetta
{

// The texts the control panel derives from the session, apart from the
// widgets so that each rule is tested on its own.

// "12 fps": the whole frames per second.
[[nodiscard]] QString framesPerSecondText(double fps);
// "75%": the output scale as a whole percentage.
[[nodiscard]] QString scalePercentText(double scale);

// The screen a full-screen recording covers, in points, and its device pixel
// ratio.
struct ScreenMetrics {
    QSizeF size;
    qreal devicePixelRatio = 1.0;
};

// "1440 × 900 px": the size of the GIF a recording would make. The full screen
// counts device pixels, a window or an area points; each side times scale,
// halves rounded away from zero. Nothing without a screen, or without the
// window or area the mode needs.
[[nodiscard]] std::optional<QString> outputSizeText(CaptureMode mode,
                                                    const std::optional<ScreenMetrics>& screen,
                                                    const std::optional<WindowInfo>& window,
                                                    const std::optional<QRectF>& area,
                                                    double scale);

// What a screen reader says for a counter value: "1 second", "30 seconds" for
// the unit "s", else the number, a space and the unit.
[[nodiscard]] QString spokenCounterValue(qint64 value, const QString& unit);

// The loop choices the panel offers, in order.
inline constexpr qint64 kLoopChoices[] = {0, 1, 3, 5};
// "∞", "1×", "3×".
[[nodiscard]] QString loopChoiceLabel(qint64 count);
// "Loop indefinitely", "Loop once", "Loop 3 times".
[[nodiscard]] QString loopChoiceAccessibleName(qint64 count);

// Whether a capture error is the refused screen capture, which gets its own
// short text and the buttons to fix it.
[[nodiscard]] bool isScreenCaptureRefusal(const QString& errorMessage);
// The banner's text for an error message.
[[nodiscard]] QString errorBannerText(const QString& errorMessage);
// What the panel announces when an error message appears.
[[nodiscard]] QString errorAnnouncement(const QString& errorMessage);

} // namespace kinetta
