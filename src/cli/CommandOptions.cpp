#include "cli/CommandOptions.h"

#include <algorithm>

namespace kinetta::cli
{
namespace
{

bool isFlag(const QList<QCommandLineOption>& options, const QString& name)
{
    return std::any_of(options.begin(), options.end(), [&](const QCommandLineOption& option) {
        return option.valueName().isEmpty() && option.names().contains(name);
    });
}

QString dashed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

Status<QString> parseCommandOptions(QCommandLineParser& parser, const QString& command,
                                    const QList<QCommandLineOption>& options,
                                    const QStringList& args)
{
    parser.addOptions(options);
    // Qt's parser takes the first argument for the program's name.
    if (parser.parse(QStringList{command} + args))
        return {};
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty())
        return Failure{QStringLiteral("unknown option '%1' (see 'kinetta %2 --help')")
                           .arg(dashed(unknown.front()), command)};
    for (const QString& arg : args) {
        if (arg == QLatin1String("--"))
            break;
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        if (arg.startsWith(QLatin1Char('-')) && name.size() < arg.size() &&
            isFlag(options, name.mid(name.startsWith(QLatin1String("--")) ? 2 : 1)))
            return Failure{takesNoValueMessage(name)};
    }
    // The parser's one other complaint: an option that takes a value came last, without one.
    if (!args.isEmpty() && args.last().startsWith(QLatin1Char('-')))
        return Failure{QStringLiteral("%1 needs a value").arg(args.last())};
    return Failure{parser.errorText()};
}

} // namespace kinetta::cli
