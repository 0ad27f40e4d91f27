#include "ui/common/ReduceMotion.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace kinetta
{
namespace
{

// Long enough for gsettings on a loaded machine, short enough not to be
// noticed at start-up; past it the desktop's setting counts as unreadable.
constexpr int gsettingsTimeoutMs = 500;

std::optional<bool> readGnomeAnimations()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (program.isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(program, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                            QStringLiteral("enable-animations")});
    if (!process.waitForFinished(gsettingsTimeoutMs)) {
        process.kill();
        process.waitForFinished(gsettingsTimeoutMs);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return parseGnomeAnimations(process.readAllStandardOutput());
}

} // namespace

bool reduceMotionFor(const MotionSettings& settings)
{
    const QByteArray forced = settings.forced.trimmed();
    if (forced == "1")
        return true;
    if (forced == "0")
        return false;
    if (settings.gnomeAnimations == false)
        return true;
    return settings.kdeAnimationFactor && *settings.kdeAnimationFactor <= 0.0;
}

std::optional<bool> parseGnomeAnimations(const QByteArray& gsettingsOutput)
{
    const QByteArray value = gsettingsOutput.trimmed();
    if (value == "true")
        return true;
    if (value == "false")
        return false;
    return std::nullopt;
}

std::optional<double> readKdeAnimationFactor(const QString& kdeglobalsPath)
{
    if (!QFile::exists(kdeglobalsPath))
        return std::nullopt;
    const QSettings kdeglobals(kdeglobalsPath, QSettings::IniFormat);
    bool ok = false;
    const double factor =
        kdeglobals.value(QStringLiteral("KDE/AnimationDurationFactor")).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return factor;
}

MotionSettings readMotionSettings()
{
    MotionSettings settings;
    settings.forced = qgetenv("KINETTA_REDUCE_MOTION");
    if (settings.forced.trimmed() == "1" || settings.forced.trimmed() == "0")
        return settings;
    settings.gnomeAnimations = readGnomeAnimations();
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    settings.kdeAnimationFactor = readKdeAnimationFactor(configHome + QStringLiteral("/kdeglobals"));
    return settings;
}

bool reduceMotion()
{
    static const bool reduced = reduceMotionFor(readMotionSettings());
    return reduced;
}

} // namespace kinetta
