#include "app/shell/TrayProgram.h"
#include "cli/CommandLine.h"

int main(int argc, char** argv)
{
    const int status = kinetta::cli::runCommandLine(argc, argv);
    if (status >= 0)
        return status;
    // Not a command: the desktop program.
    return kinetta::runTrayProgram(argc, argv);
}
