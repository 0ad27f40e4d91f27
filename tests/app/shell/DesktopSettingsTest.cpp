#include "app/shell/DesktopSettings.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

// A PATH holding just these programs.
ProgramFinder installed(const QStringList& programs)
{
    return [programs](const QString& name) {
        return programs.contains(name) ? "/usr/bin/" + name : QString();
    };
}

// The running desktop's own program first, else any known one, else none.
TEST(DesktopSettingsTest, PrefersTheRunningDesktopsProgram)
{
    const QStringList both{"gnome-control-center", "systemsettings"};
    EXPECT_EQ(desktopSettingsProgram("KDE", installed(both)), "/usr/bin/systemsettings");
    EXPECT_EQ(desktopSettingsProgram("ubuntu:GNOME", installed(both)),
              "/usr/bin/gnome-control-center");
    // The desktop's own is not installed: another one still helps.
    EXPECT_EQ(desktopSettingsProgram("XFCE", installed({"systemsettings"})),
              "/usr/bin/systemsettings");
    EXPECT_EQ(desktopSettingsProgram("", installed({"xfce4-settings-manager"})),
              "/usr/bin/xfce4-settings-manager");
    EXPECT_EQ(desktopSettingsProgram("openbox", installed({})), QString());
}

} // namespace
} // namespace kinetta
