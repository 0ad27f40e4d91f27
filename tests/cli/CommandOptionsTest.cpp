#include "cli/CommandOptions.h"

#include <gtest/gtest.h>
#include <optional>

using namespace kinetta;
using namespace kinetta::cli;

namespace
{

constexpr OptionRange<double> kPercent{0, 100, "a number from 0 to 100"};

// The options of a small command: a flag, a number and a file, each under our words.
struct ParsedCommand {
    QCommandLineParser parser;
    QString error;
    std::optional<double> level;

    explicit ParsedCommand(const QStringList& args)
    {
        const QList<QCommandLineOption> options{
            QCommandLineOption(QStringLiteral("quiet")),
            QCommandLineOption(QStringLiteral("level"), QString(), QStringLiteral("N")),
            QCommandLineOption(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                               QString(), QStringLiteral("FILE"))};
        if (const auto parsed = parseCommandOptions(parser, QStringLiteral("try"), options, args);
            !parsed.ok()) {
            error = parsed.message();
            return;
        }
        if (const auto read = readRangedOption(parser, QStringLiteral("level"), kPercent, level);
            !read.ok())
            error = read.message();
    }
};

} // namespace

TEST(CommandOptionsTest, UsageErrorsAreWordedOurWay)
{
    EXPECT_EQ(ParsedCommand({"--quiet=1"}).error, "--quiet takes no value");
    EXPECT_EQ(ParsedCommand({"--speed", "2"}).error,
              "unknown option '--speed' (see 'kinetta try --help')");
    EXPECT_EQ(ParsedCommand({"-x"}).error, "unknown option '-x' (see 'kinetta try --help')");
    EXPECT_EQ(ParsedCommand({"a.png", "--level"}).error, "--level needs a value");
    EXPECT_EQ(ParsedCommand({"-o"}).error, "-o needs a value");
    EXPECT_EQ(ParsedCommand({"--level", "101"}).error,
              "--level must be a number from 0 to 100, not '101'");
}

TEST(CommandOptionsTest, RepeatsSpellingsAndPositionalsReadAsTheCommandsDid)
{
    // Each repeat is checked; the last one counts.
    EXPECT_EQ(ParsedCommand({"--level", "500", "--level", "5"}).error,
              "--level must be a number from 0 to 100, not '500'");
    const ParsedCommand repeated({"--level=5", "--level", "7.5"});
    EXPECT_EQ(repeated.error, "");
    EXPECT_EQ(repeated.level, 7.5);
    // A value that starts with a dash is still the option's value.
    EXPECT_EQ(ParsedCommand({"--level", "-5"}).error,
              "--level must be a number from 0 to 100, not '-5'");

    // -o and --output are one option.
    ParsedCommand output({"-o", "a.gif", "--output=b.gif", "in.png", "-", "--", "--quiet"});
    EXPECT_EQ(output.error, "");
    EXPECT_EQ(output.parser.values(QStringLiteral("o")), QStringList({"a.gif", "b.gif"}));
    EXPECT_EQ(output.parser.value(QStringLiteral("output")), "b.gif");
    // A lone dash is an input; after "--" everything is.
    EXPECT_EQ(output.parser.positionalArguments(), QStringList({"in.png", "-", "--quiet"}));
    EXPECT_FALSE(output.parser.isSet(QStringLiteral("quiet")));
}

TEST(CommandOptionsTest, SizesAreBytesOrKOrMInUnitsOf1024)
{
    for (const auto& [text, bytes] :
         std::vector<std::pair<QString, std::int64_t>>{{"1", 1},
                                                       {"2048", 2048},
                                                       {"2K", 2048},
                                                       {"2k", 2048},
                                                       {"2M", 2097152},
                                                       {"1.5m", 1572864},
                                                       {"0.5K", 512},
                                                       {"4096M", kMaxSizeLimit}})
        EXPECT_EQ(readByteSize(text), bytes) << text.toStdString();
    for (const QString text : {"", "0", "0K", "1.5", "2G", "2MB", "-1", " 2M", "2 M", "0x10", "M",
                               "1e6", "4097M", "0.0001K", "99999999999999999"})
        EXPECT_FALSE(readByteSize(text).has_value()) << text.toStdString();
    const auto refused = readSizeOption(QStringLiteral("--max-size"), QStringLiteral("2G"));
    ASSERT_TRUE(std::holds_alternative<QString>(refused));
    EXPECT_EQ(std::get<QString>(refused),
              "--max-size must be a size from 1 byte to 4096M, in bytes or with K or M "
              "(1K = 1024 bytes) such as 2M, not '2G'");
}
