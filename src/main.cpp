#include "cli/CommandLine.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const int status = kinetta::cli::runCommandLine(argc, argv);
    if (status >= 0)
        return status;
    // The tray program is not built yet: say so rather than exit silently.
    std::fprintf(stderr, "kinetta: the desktop program is not available in this build; "
                         "run 'kinetta --help' for the commands.\n");
    return 1;
}
