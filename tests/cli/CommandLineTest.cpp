#include "cli/CommandLine.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

struct CommandLineRun {
    int status = 0;
    std::string err;
};

CommandLineRun runWith(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "kinetta");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStderr();
    CommandLineRun run;
    run.status = kinetta::cli::runCommandLine(static_cast<int>(arguments.size()), argv.data());
    run.err = testing::internal::GetCapturedStderr();
    return run;
}

} // namespace

TEST(CommandLineTest, TheDesktopProgramsRequestsStartItAndOtherWordsAreUsageErrors)
{
    EXPECT_EQ(runWith({}).status, -1);
    const CommandLineRun toggle = runWith({"--toggle"});
    EXPECT_EQ(toggle.status, -1);
    EXPECT_EQ(toggle.err, "");

    const CommandLineRun unknown = runWith({"--x"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "kinetta: unknown command or option '--x' (see 'kinetta --help')\n");
    EXPECT_EQ(runWith({"--toggle", "now"}).status, 2);
}
