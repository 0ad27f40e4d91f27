#include "app/shell/StatusTexts.h"

#include "app/shell/StatusAppearance.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace kinetta;

TEST(StatusTexts, ElapsedTimeIsMinutesAndTwoDigitSeconds)
{
    const std::pair<qint64, const char*> cases[] = {
        {0, "0:00"},    {5, "0:05"},     {59, "0:59"},    {60, "1:00"}, {83, "1:23"},
        {600, "10:00"}, {3599, "59:59"}, {3600, "60:00"}, {-3, "0:00"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(elapsedTimeText(seconds), QLatin1String(text)) << seconds;
}

TEST(StatusTexts, SpokenTimeCountsMinutesOnlyOnceOneHasPassed)
{
    const std::pair<qint64, const char*> cases[] = {{0, "Recording: 0 seconds"},
                                                    {1, "Recording: 1 second"},
                                                    {5, "Recording: 5 seconds"},
                                                    {60, "Recording: 1 minute 0 seconds"},
                                                    {61, "Recording: 1 minute 1 second"},
                                                    {121, "Recording: 2 minutes 1 second"},
                                                    {600, "Recording: 10 minutes 0 seconds"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(recordingStatusLabel(seconds), QString::fromUtf8(text)) << seconds;
    EXPECT_EQ(countdownStatusLabel(3), QStringLiteral("Recording countdown: 3"));
}

TEST(StatusTexts, VersionLineShowsAQuestionMarkForWhatIsUnknown)
{
    EXPECT_EQ(versionLine(QStringLiteral("0.1.0"), QStringLiteral("2467d44")),
              QStringLiteral("Kinetta 0.1.0 (2467d44)"));
    EXPECT_EQ(versionLine(QStringLiteral("0.1.0"), QString()), QStringLiteral("Kinetta 0.1.0 (?)"));
    EXPECT_EQ(versionLine(QString(), QString()), QStringLiteral("Kinetta ? (?)"));
    // This build's line carries the configured values, not the template's placeholders.
    static const QRegularExpression built(
        QStringLiteral("^Kinetta \\d+\\.\\d+\\.\\d+ \\(([0-9a-f]{4,}|\\?)\\)$"));
    EXPECT_TRUE(built.match(buildVersionLine()).hasMatch()) << buildVersionLine().toStdString();
}

TEST(StatusAppearance, EachStateCarriesItsTitleLabelAndDescription)
{
    struct Case {
        StatusAppearance appearance;
        const char* title;
        const char* label;
        const char* description;
        const char* toolTip;
    };
    const Case cases[] = {
        {StatusAppearance::idle(), "", "", "Kinetta — start recording",
         "Kinetta — start recording"},
        {StatusAppearance::recording(600), " 10:00", "Recording: 10 minutes 0 seconds",
         "Stop recording", "Recording: 10 minutes 0 seconds"},
        {StatusAppearance::recording(5), " 0:05", "Recording: 5 seconds", "Stop recording",
         "Recording: 5 seconds"},
        {StatusAppearance::countingDown(3), "3", "Recording countdown: 3", "",
         "Recording countdown: 3"},
        {StatusAppearance::countdownEnded(), "", "", "Kinetta", "Kinetta"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toolTip);
        EXPECT_EQ(c.appearance.title(), QString::fromUtf8(c.title));
        EXPECT_EQ(c.appearance.accessibilityLabel(), QString::fromUtf8(c.label));
        EXPECT_EQ(c.appearance.imageDescription(), QString::fromUtf8(c.description));
        EXPECT_EQ(c.appearance.toolTip(), QString::fromUtf8(c.toolTip));
    }
}
