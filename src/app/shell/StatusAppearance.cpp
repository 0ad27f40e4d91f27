#include "app/shell/StatusAppearance.h"

#include "app/shell/StatusTexts.h"

namespace kinetta
{

StatusAppearance StatusAppearance::idle()
{
    return {};
}

StatusAppearance StatusAppearance::recording(qint64 elapsedSeconds)
{
    return {State::recording, elapsedSeconds, 0};
}

StatusAppearance StatusAppearance::countingDown(qint64 value)
{
    return {State::countingDown, 0, value};
}

StatusAppearance StatusAppearance::countdownEnded()
{
    return {State::countdownEnded, 0, 0};
}

// Only a running recording and a countdown carry words; the other states
// clear them.

QString StatusAppearance::title() const
{
    if (state == State::recording)
        return QLatin1Char(' ') + elapsedTimeText(seconds);
    if (state == State::countingDown)
        return QString::number(countdown);
    return {};
}

QString StatusAppearance::accessibilityLabel() const
{
    if (state == State::recording)
        return recordingStatusLabel(seconds);
    if (state == State::countingDown)
        return countdownStatusLabel(countdown);
    return {};
}

QString StatusAppearance::imageDescription() const
{
    switch (state) {
    case State::idle:
        return QStringLiteral("Kinetta — start recording");
    case State::recording:
        return QStringLiteral("Stop recording");
    case State::countdownEnded:
        return QStringLiteral("Kinetta");
    case State::countingDown:
        break;
    }
    return {};
}

QString StatusAppearance::toolTip() const
{
    const QString label = accessibilityLabel();
    return label.isEmpty() ? imageDescription() : label;
}

} // namespace kinetta
