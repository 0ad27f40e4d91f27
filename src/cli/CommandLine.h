#pragma once

namespace kinetta::cli {

// Runs `kinetta SUBCOMMAND ...` when argv names a subcommand or a global option
// (--version, --help), or reports a usage error. Returns the process exit status,
// or -1 when argv asks for the desktop program instead: no arguments, or one of
// its requests (--toggle); desktopRequestFrom() then says which.
[[nodiscard]] int runCommandLine(int argc, char** argv);

} // namespace kinetta::cli
