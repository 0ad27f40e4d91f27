#include "app/shell/LaunchRequest.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace kinetta
{
namespace
{

QString seeHelp(const QString& problem)
{
    return problem + QStringLiteral(" (see 'kinetta --help')");
}

// The argument as the user typed it, for the option the parser did not know by
// the name it read from it.
QString spelledAsGiven(const QStringList& arguments, const QString& unknownName)
{
    for (const QString& argument : arguments) {
        QString name = argument.section(QLatin1Char('='), 0, 0);
        while (name.startsWith(QLatin1Char('-')))
            name.remove(0, 1);
        if (argument.startsWith(QLatin1Char('-')) && name == unknownName)
            return argument;
    }
    return QStringLiteral("--") + unknownName;
}

} // namespace

std::variant<InstanceRequest, QString> desktopRequestFrom(const QStringList& arguments)
{
    const QCommandLineOption toggle(QStringLiteral("toggle"));
    QCommandLineParser parser;
    parser.addOption(toggle);
    // "-abc" is one unknown option, not three.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Qt's parser takes the first argument for the program's name. Its own
    // messages are not shown: ours name the program and where help is.
    if (!parser.parse(QStringList{QStringLiteral("kinetta")} + arguments)) {
        if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty())
            return seeHelp(QStringLiteral("unknown command or option '%1'")
                               .arg(spelledAsGiven(arguments, unknown.front())));
        // The parser's one other complaint with a flag alone: a value given to it.
        return seeHelp(QStringLiteral("--toggle takes no value"));
    }
    if (const QStringList extra = parser.positionalArguments(); !extra.isEmpty()) {
        if (parser.isSet(toggle))
            return seeHelp(
                QStringLiteral("unexpected argument '%1' after --toggle").arg(extra.front()));
        return seeHelp(QStringLiteral("unknown command or option '%1'").arg(extra.front()));
    }
    return parser.isSet(toggle) ? InstanceRequest::toggleRecording : InstanceRequest::showPanel;
}

} // namespace kinetta
