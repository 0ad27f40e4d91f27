#pragma once

#include <QString>
#include <QStringList>
#include <variant>

namespace kinetta
{

// What a start of the desktop program asks for: handed to the running
// instance when there is one, done by this process when it is the first.
enum class InstanceRequest { showPanel, toggleRecording };

// Arguments after the program name: none -> showPanel, "--toggle" ->
// toggleRecording; anything else is an error text for the user, one line
// without the program's name in front ("unknown command or option '--x'
// (see 'kinetta --help')"). The command line handles its subcommands, --help
// and --version before this is asked.
[[nodiscard]] std::variant<InstanceRequest, QString>
desktopRequestFrom(const QStringList& arguments);

} // namespace kinetta
