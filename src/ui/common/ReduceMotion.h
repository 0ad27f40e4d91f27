#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace kinetta
{

// What the desktop says about animations, each part absent where it cannot
// be read.
struct MotionSettings {
    // KINETTA_REDUCE_MOTION: "1" forces reduced motion, "0" forces full
    // motion, anything else leaves the choice to the desktop.
    QByteArray forced;
    // GNOME's org.gnome.desktop.interface enable-animations.
    std::optional<bool> gnomeAnimations;
    // KDE's AnimationDurationFactor in kdeglobals (0 turns animations off).
    std::optional<double> kdeAnimationFactor;
};

// Reduced motion when forced, else when either desktop turns animations off.
[[nodiscard]] bool reduceMotionFor(const MotionSettings& settings);

// GNOME's answer as `gsettings get` prints it ("true", "false").
[[nodiscard]] std::optional<bool> parseGnomeAnimations(const QByteArray& gsettingsOutput);
// The factor from a kdeglobals file ([KDE] AnimationDurationFactor).
[[nodiscard]] std::optional<double> readKdeAnimationFactor(const QString& kdeglobalsPath);

// The settings of this session: the environment, gsettings (a child process,
// given a short time) and the user's kdeglobals.
[[nodiscard]] MotionSettings readMotionSettings();

// Whether views leave out their animations. Read once on first use (the
// desktop's settings cost a child process) and kept for the program's life.
[[nodiscard]] bool reduceMotion();

} // namespace kinetta
