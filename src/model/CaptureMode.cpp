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

QString symbolName(CaptureMode mode)
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

std::optional<CaptureMode> captureModeFromRaw(const QString& raw)
{
    for (CaptureMode mode : kAllCaptureModes) {
        if (rawValue(mode) == raw)
            return mode;
    }
    return std::nullopt;
}

} // namespace kinetta
