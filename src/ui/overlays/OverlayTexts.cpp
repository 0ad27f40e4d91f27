#include "ui/overlays/OverlayTexts.h"

#include <algorithm>
#include <cmath>

namespace kinetta::overlaytexts
{

QString secondsPhrase(qint64 seconds)
{
    return QString::number(seconds) +
           (seconds == 1 ? QStringLiteral(" second") : QStringLiteral(" seconds"));
}

QString countdownLabel(qint64 value)
{
    return QStringLiteral("Recording starts in ") + secondsPhrase(value);
}

qreal countdownFraction(qint64 value, qint64 totalSeconds)
{
    return qreal(value) / qreal(std::max<qint64>(1, totalSeconds));
}

QString elapsedText(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString spokenElapsed(qint64 seconds)
{
    const qint64 minutes = seconds / 60;
    const QString rest = secondsPhrase(seconds % 60);
    if (minutes == 0)
        return rest;
    return QString::number(minutes) +
           (minutes == 1 ? QStringLiteral(" minute ") : QStringLiteral(" minutes ")) + rest;
}

QString timerLabel(qint64 seconds)
{
    return QStringLiteral("Recording time: ") + spokenElapsed(seconds);
}

qint64 estimatedFrames(qint64 seconds, double fps)
{
    const double frames = double(seconds) * fps;
    return std::isfinite(frames) ? qint64(frames) : 0;
}

QString framesText(qint64 frames)
{
    return QStringLiteral("~%1 frames").arg(frames);
}

QString fpsText(double fps)
{
    return QStringLiteral("%1 fps").arg(qint64(fps));
}

QString framesLabel(qint64 frames, double fps)
{
    return QStringLiteral("Approximately %1 frames at %2 frames per second")
        .arg(frames)
        .arg(qint64(fps));
}

QString modeLabel(CaptureMode mode)
{
    return QStringLiteral("Recording ") + rawValue(mode);
}

qint64 autoStopRemaining(qint64 limitSeconds, qint64 elapsedSeconds)
{
    return std::max<qint64>(0, limitSeconds - elapsedSeconds);
}

qreal autoStopProgress(qint64 limitSeconds, qint64 elapsedSeconds)
{
    if (limitSeconds <= 0)
        return 0;
    return std::min<qreal>(1, qreal(elapsedSeconds) / qreal(limitSeconds));
}

QString autoStopText(qint64 remaining)
{
    return QStringLiteral("Auto-stop in ") + secondsPhrase(remaining);
}

std::optional<QString> autoStopWarning(qint64 remaining)
{
    static constexpr qint64 spoken[] = {10, 5, 3, 2, 1};
    if (std::find(std::begin(spoken), std::end(spoken), remaining) == std::end(spoken))
        return std::nullopt;
    return autoStopText(remaining) + QLatin1Char('.');
}

} // namespace kinetta::overlaytexts
