#include "ui/common/ReduceMotion.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace kinetta;

TEST(ReduceMotion, ForcedFirstThenEitherDesktopTurningAnimationsOff)
{
    struct Case {
        const char* forced;
        std::optional<bool> gnome;
        std::optional<double> kde;
        bool reduced;
    };
    const Case cases[] = {
        {"", std::nullopt, std::nullopt, false}, // nothing readable: full motion
        {"1", true, 1.0, true},                  // forced on over both desktops
        {" 1\n", std::nullopt, std::nullopt, true},
        {"0", false, 0.0, false},                // forced off over both desktops
        {"yes", false, std::nullopt, true},      // not a forcing value: the desktop decides
        {"", false, std::nullopt, true},
        {"", true, std::nullopt, false},
        {"", std::nullopt, 0.0, true},
        {"", std::nullopt, 0.5, false},          // slower or faster is still motion
        {"", std::nullopt, 2.0, false},
        {"", true, 0.0, true},
        {"", false, 1.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("forced '") + c.forced + "' gnome " +
                     (c.gnome ? (*c.gnome ? "true" : "false") : "unread") + " kde " +
                     (c.kde ? std::to_string(*c.kde) : "unread"));
        EXPECT_EQ(reduceMotionFor({c.forced, c.gnome, c.kde}), c.reduced);
    }
}

TEST(ReduceMotion, ReadsWhatTheDesktopsWrite)
{
    EXPECT_EQ(parseGnomeAnimations("true\n"), true);
    EXPECT_EQ(parseGnomeAnimations("false\n"), false);
    EXPECT_EQ(parseGnomeAnimations("No such schema “org.gnome.desktop.interface”\n"),
              std::nullopt);
    EXPECT_EQ(parseGnomeAnimations(""), std::nullopt);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto kdeglobals = [&](const char* text) {
        const QString path = dir.filePath(QStringLiteral("kdeglobals"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        return readKdeAnimationFactor(path);
    };
    EXPECT_EQ(kdeglobals("[General]\nColorScheme=BreezeDark\n\n[KDE]\nAnimationDurationFactor=0\n"
                         "LookAndFeelPackage=org.kde.breezedark.desktop\n"),
              0.0);
    EXPECT_EQ(kdeglobals("[KDE]\nAnimationDurationFactor=0.5\n"), 0.5);
    EXPECT_EQ(kdeglobals("[KDE]\nAnimationDurationFactor=fast\n"), std::nullopt);
    EXPECT_EQ(kdeglobals("[General]\nAnimationDurationFactor=0\n"), std::nullopt);
    EXPECT_EQ(readKdeAnimationFactor(dir.filePath(QStringLiteral("missing"))), std::nullopt);
}

TEST(ReduceMotion, TheEnvironmentForcesItWithoutAskingTheDesktop)
{
    qputenv("KINETTA_REDUCE_MOTION", "1");
    const MotionSettings forced = readMotionSettings();
    EXPECT_EQ(forced.forced, "1");
    EXPECT_EQ(forced.gnomeAnimations, std::nullopt);
    EXPECT_EQ(forced.kdeAnimationFactor, std::nullopt);
    EXPECT_TRUE(reduceMotion());
    qunsetenv("KINETTA_REDUCE_MOTION");
}
