#pragma once

#include "cli/OptionValues.h"
#include "gif/Result.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

namespace kinetta::cli
{

// Parses a command's arguments (those after its name) with Qt's parser but
// words each usage error ourselves, as one line for the command to print before
// it exits with kUsageExitStatus: "unknown option '--speed' (see 'kinetta encode
// --help')", "--fps needs a value", "--boomerang takes no value". Qt's process()
// is not used: it prints its own words and exits with 1.
[[nodiscard]] Status<QString> parseCommandOptions(QCommandLineParser& parser,
                                                  const QString& command,
                                                  const QList<QCommandLineOption>& options,
                                                  const QStringList& args);

// Reads every value given for the option named name (an option may be repeated;
// the last one counts, but each must be within range) into target.
template <typename T, typename Target>
[[nodiscard]] Status<QString> readRangedOption(const QCommandLineParser& parser,
                                               const QString& name, const OptionRange<T>& range,
                                               Target& target)
{
    for (const QString& text : parser.values(name)) {
        const auto read = readOption(QStringLiteral("--") + name, text, range);
        if (const auto* message = std::get_if<QString>(&read))
            return Failure{*message};
        target = std::get<T>(read);
    }
    return {};
}

} // namespace kinetta::cli
