#include "model/CaptureMode.h"

namespace kinetta {

QString rawValue(CaptureMode mode)
{
    switch (mode) {
    case CaptureMode::fullScreen:
        return QStringLiteral("Screen");
    case CaptureMode::window:
        return QStringLiteral("Window");
    case CaptureMode::area:
        return QStringLiteral("Area");
    }
    return {};
}

std::optional<CaptureMode> captureModeFromRaw(const QString& raw)
{
    for (CaptureMode mode : kAllCaptureModes) {
        if (rawValue(mode) == raw)
            return mode;
    }
    return std::nullopt;
}

QString iconName(CaptureMode mode)
{
    switch (mode) {
    case CaptureMode::fullScreen:
        return QStringLiteral("display");
    case CaptureMode::window:
        return QStringLiteral("macwindow");
    case CaptureMode::area:
        return QStringLiteral("crop");
    }
    return {};
}

QString a11yLabel(CaptureMode mode)
{
    switch (mode) {
    case CaptureMode::fullScreen:
        return QStringLiteral("Record full screen");
    case CaptureMode::window:
        return QStringLiteral("Record a window");
    case CaptureMode::area:
        return QStringLiteral("Record a custom area");
    }
    return {};
}

} // namespace kinetta
