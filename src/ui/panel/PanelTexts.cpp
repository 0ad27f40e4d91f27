#include "ui/panel/PanelTexts.h"

#include <cmath>

namespace kinetta
{
namespace
{

const QString kScreenCaptureMarker = QStringLiteral("Screen Recording");

qint64 roundedAwayFromZero(double value)
{
    // std::llround rounds halves away from zero, unlike banker's rounding.
    return std::llround(value);
}

} // namespace

QString framesPerSecondText(double fps)
{
    return QString::number(roundedAwayFromZero(fps)) + QStringLiteral(" fps");
}

QString scalePercentText(double scale)
{
    return QString::number(roundedAwayFromZero(scale * 100.0)) + QLatin1Char('%');
}

std::optional<QString> outputSizeText(CaptureMode mode, const std::optional<ScreenMetrics>& screen,
                                      const std::optional<WindowInfo>& window,
                                      const std::optional<QRectF>& area, double scale)
{
    if (!screen)
        return std::nullopt;
    QSizeF base;
    switch (mode) {
    case CaptureMode::fullScreen:
        base = screen->size * screen->devicePixelRatio;
        break;
    case CaptureMode::window:
        if (!window)
            return std::nullopt;
        base = window->frame.size();
        break;
    case CaptureMode::area:
        if (!area)
            return std::nullopt;
        base = area->size();
        break;
    }
    return QStringLiteral("%1 × %2 px")
        .arg(roundedAwayFromZero(base.width() * scale))
        .arg(roundedAwayFromZero(base.height() * scale));
}

QString spokenCounterValue(qint64 value, const QString& unit)
{
    if (unit == QLatin1String("s"))
        return QString::number(value) +
               (value == 1 ? QStringLiteral(" second") : QStringLiteral(" seconds"));
    return QString::number(value) + QLatin1Char(' ') + unit;
}

QString loopChoiceLabel(qint64 count)
{
    return count == 0 ? QStringLiteral("∞") : QString::number(count) + QStringLiteral("×");
}

QString loopChoiceAccessibleName(qint64 count)
{
    if (count == 0)
        return QStringLiteral("Loop indefinitely");
    if (count == 1)
        return QStringLiteral("Loop once");
    return QStringLiteral("Loop %1 times").arg(count);
}

bool isScreenCaptureRefusal(const QString& errorMessage)
{
    return errorMessage.contains(kScreenCaptureMarker);
}

QString errorBannerText(const QString& errorMessage)
{
    return isScreenCaptureRefusal(errorMessage)
               ? QStringLiteral("Screen Recording permission denied.")
               : errorMessage;
}

QString errorAnnouncement(const QString& errorMessage)
{
    return isScreenCaptureRefusal(errorMessage)
               ? QStringLiteral("Screen Recording permission denied. Open your desktop's settings "
                                "to grant access.")
               : errorMessage;
}

} // namespace kinetta
