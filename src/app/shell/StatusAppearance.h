#pragma once

#include <QString>
#include <QtGlobal>

namespace kinetta
{

// What the tray icon shows in each state of a recording: one value per state,
// with the texts that go with it. The picture is drawn from it by StatusIcon.
struct StatusAppearance {
    enum class State { idle, recording, countingDown, countdownEnded };
    State state = State::idle;
    qint64 seconds = 0;   // recording: elapsed seconds
    qint64 countdown = 0; // countingDown: the number

    [[nodiscard]] static StatusAppearance idle();
    [[nodiscard]] static StatusAppearance recording(qint64 elapsedSeconds);
    [[nodiscard]] static StatusAppearance countingDown(qint64 value);
    [[nodiscard]] static StatusAppearance countdownEnded();

    // Recording: a space and the elapsed time; counting down: the number; otherwise empty.
    [[nodiscard]] QString title() const;
    // The spoken label; empty where it is cleared (idle, countdown ended).
    [[nodiscard]] QString accessibilityLabel() const;
    // The picture's description; empty while counting down, when only the number shows.
    [[nodiscard]] QString imageDescription() const;
    // The accessibility label, else the picture's description.
    [[nodiscard]] QString toolTip() const;

    friend bool operator==(const StatusAppearance&, const StatusAppearance&) = default;
};

} // namespace kinetta
