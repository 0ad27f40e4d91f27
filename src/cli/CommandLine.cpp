#include "cli/CommandLine.h"

#include "app/shell/LaunchRequest.h"
#include "cli/EncodeCommand.h"
#include "cli/OptionValues.h"
#include "cli/RecordCommand.h"
#include "cli/WindowsCommand.h"

#include "kinetta/Version.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string_view>

namespace kinetta::cli {
namespace {

struct Subcommand {
    std::string_view name;
    std::string_view summary;
    std::function<int(const QStringList& args)> run;
};

const std::vector<Subcommand>& subcommands()
{
    static const std::vector<Subcommand> all = {
        {"encode", "encode PNG images into an animated GIF", runEncodeCommand},
        {"record", "record the screen, a window or an area into a GIF", runRecordCommand},
        {"windows", "list the windows that can be recorded", runWindowsCommand},
    };
    return all;
}

void printUsage(std::FILE* out)
{
    std::fprintf(out, "Usage: kinetta [--toggle]\n"
                      "       kinetta [--version | --help]\n"
                      "       kinetta COMMAND [OPTIONS]\n\n"
                      "Without a command, kinetta starts the tray program, or opens the control\n"
                      "panel of the one already running.\n"
                      "  --toggle   start or stop a recording in the running program, as Ctrl+Shift+G\n"
                      "             does (the program is started first when none runs)\n\n"
                      "Commands:\n");
    for (const Subcommand& command : subcommands()) {
        std::fprintf(out, "  %-10.*s %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
                     static_cast<int>(command.summary.size()), command.summary.data());
    }
    std::fprintf(out, "\nRun 'kinetta COMMAND --help' for a command's options.\n");
}

} // namespace

int runCommandLine(int argc, char** argv)
{
    if (argc < 2)
        return -1;
    const std::string_view first = argv[1];
    if (first == "--version" || first == "-v") {
        std::printf("kinetta %s\n", kVersion);
        return 0;
    }
    if (first == "--help" || first == "-h") {
        printUsage(stdout);
        return 0;
    }
    for (const Subcommand& command : subcommands()) {
        if (command.name == first) {
            QCoreApplication app(argc, argv);
            QCoreApplication::setApplicationName(QStringLiteral("kinetta"));
            QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
            QStringList args = QCoreApplication::arguments();
            args.removeFirst(); // the program
            args.removeFirst(); // the subcommand
            return command.run(args);
        }
    }
    // What is left is the desktop program's to do, if it is one of its requests.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const std::variant<InstanceRequest, QString> request = desktopRequestFrom(arguments);
    if (const QString* problem = std::get_if<QString>(&request)) {
        std::fprintf(stderr, "kinetta: %s\n", qPrintable(*problem));
        return kUsageExitStatus;
    }
    return -1;
}

} // namespace kinetta::cli
