#include "app/shell/DesktopSettings.h"

#include <QStringList>
#include <array>

namespace kinetta
{
namespace
{

struct KnownSettings {
    const char* desktop; // as XDG_CURRENT_DESKTOP names it
    const char* program;
};

constexpr std::array<KnownSettings, 6> kKnownSettings{{
    {"GNOME", "gnome-control-center"},
    {"KDE", "systemsettings"},
    {"XFCE", "xfce4-settings-manager"},
    {"MATE", "mate-control-center"},
    {"X-Cinnamon", "cinnamon-settings"},
    {"LXQt", "lxqt-config"},
}};

} // namespace

QString desktopSettingsProgram(const QString& currentDesktop, const ProgramFinder& find)
{
    const QStringList desktops = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& desktop : desktops)
        for (const KnownSettings& known : kKnownSettings)
            if (desktop.compare(QLatin1String(known.desktop), Qt::CaseInsensitive) == 0)
                if (QString found = find(QLatin1String(known.program)); !found.isEmpty())
                    return found;
    for (const KnownSettings& known : kKnownSettings)
        if (QString found = find(QLatin1String(known.program)); !found.isEmpty())
            return found;
    return {};
}

} // namespace kinetta
