#include "app/shell/LaunchRequest.h"

#include <gtest/gtest.h>

using kinetta::desktopRequestFrom;
using kinetta::InstanceRequest;

namespace
{

// The request, or the error text, as one string to compare.
std::string outcome(const QStringList& arguments)
{
    const auto result = desktopRequestFrom(arguments);
    if (const auto* request = std::get_if<InstanceRequest>(&result))
        return *request == InstanceRequest::toggleRecording ? "toggle" : "show";
    return std::get<QString>(result).toStdString();
}

} // namespace

TEST(DesktopRequest, BareStartShowsThePanelAndToggleTogglesTheRecording)
{
    EXPECT_EQ(outcome({}), "show");
    EXPECT_EQ(outcome({"--toggle"}), "toggle");
    // Said twice it is still one request.
    EXPECT_EQ(outcome({"--toggle", "--toggle"}), "toggle");
}

TEST(DesktopRequest, AnythingElseIsAnErrorNamingWhatWasTyped)
{
    EXPECT_EQ(outcome({"--x"}), "unknown command or option '--x' (see 'kinetta --help')");
    EXPECT_EQ(outcome({"-x"}), "unknown command or option '-x' (see 'kinetta --help')");
    // One unknown option as typed, not its letters one by one.
    EXPECT_EQ(outcome({"-abc"}), "unknown command or option '-abc' (see 'kinetta --help')");
    EXPECT_EQ(outcome({"--toggle", "--verbose=2"}),
              "unknown command or option '--verbose=2' (see 'kinetta --help')");
    EXPECT_EQ(outcome({"recrod"}), "unknown command or option 'recrod' (see 'kinetta --help')");
    EXPECT_EQ(outcome({"--toggle", "now"}),
              "unexpected argument 'now' after --toggle (see 'kinetta --help')");
    EXPECT_EQ(outcome({"--toggle=yes"}), "--toggle takes no value (see 'kinetta --help')");
}
