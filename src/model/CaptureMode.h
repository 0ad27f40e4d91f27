#pragma once

#include <QString>

#include <array>
#include <optional>

namespace kinetta {

// What the next recording captures. The raw values are what the settings store
// holds, so they must never change.
enum class CaptureMode { fullScreen, window, area };

inline constexpr std::array<CaptureMode, 3> kAllCaptureModes{CaptureMode::fullScreen,
                                                             CaptureMode::window, CaptureMode::area};

[[nodiscard]] QString rawValue(CaptureMode mode);
// The drawn symbol that stands for the mode wherever a view shows it.
[[nodiscard]] QString symbolName(CaptureMode mode);
// Exactly "Screen", "Window" or "Area" (case-sensitive); anything else is no mode.
[[nodiscard]] std::optional<CaptureMode> captureModeFromRaw(const QString& raw);

} // namespace kinetta
