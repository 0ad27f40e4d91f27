#include "ui/selection/DummyXorgServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kinetta::testing
{
namespace
{

const char* const kDriver = "/usr/lib/xorg/modules/drivers/dummy_drv.so";

// A dummy output takes any timings within the monitor's wide ranges.
const char* const kConfig = R"(Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoAddGPU" "false"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 4096 2048
    EndSubSection
EndSection
)";

// Runs arguments with DISPLAY set (when given) and no output; descriptors
// without close-on-exec stay open in the child.
pid_t spawn(const std::vector<std::string>& arguments, const std::string& display)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!display.empty())
            setenv("DISPLAY", display.c_str(), 1);
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDIN_FILENO);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

bool runToEnd(const std::vector<std::string>& arguments, const std::string& display)
{
    const pid_t pid = spawn(arguments, display);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

} // namespace

DummyXorgServer::DummyXorgServer(int firstWidth, int firstHeight, int secondWidth, int secondHeight)
{
    if (!start())
        return;
    if (!addOutput("DUMMY0", firstWidth, firstHeight, nullptr) ||
        !addOutput("DUMMY1", secondWidth, secondHeight, "DUMMY0")) {
        m_failure = "xrandr could not set up the two outputs of the dummy X server";
        m_display.clear();
    }
}

DummyXorgServer::~DummyXorgServer()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

bool DummyXorgServer::start()
{
    if (geteuid() != 0) {
        m_failure = "Xorg with the dummy driver runs as root only";
        return false;
    }
    if (access(kDriver, R_OK) != 0) {
        m_failure = "the dummy video driver is not installed (xserver-xorg-video-dummy)";
        return false;
    }
    char folder[] = "/tmp/kinetta-xorg-XXXXXX";
    if (!mkdtemp(folder)) {
        m_failure = "no temporary folder for the X server's configuration";
        return false;
    }
    m_folder = folder;
    std::filesystem::create_directory(m_folder + "/conf.d");
    std::ofstream(m_folder + "/xorg.conf") << kConfig;

    int fds[2];
    if (pipe(fds) != 0) {
        m_failure = "no pipe for the X server's display number";
        return false;
    }
    m_pid = spawn({"Xorg", "-displayfd", std::to_string(fds[1]), "-noreset", "-nolisten", "tcp",
                   "-config", m_folder + "/xorg.conf", "-configdir", m_folder + "/conf.d",
                   "-logfile", m_folder + "/Xorg.log"},
                  {});
    close(fds[1]);
    // Xorg writes its display number once it accepts connections.
    pollfd ready{fds[0], POLLIN, 0};
    int number = -1;
    if (poll(&ready, 1, 20000) > 0) {
        FILE* stream = fdopen(fds[0], "r");
        if (stream) {
            if (std::fscanf(stream, "%d", &number) != 1)
                number = -1;
            std::fclose(stream);
        }
    } else {
        close(fds[0]);
    }
    if (number < 0) {
        m_failure = "Xorg with the dummy driver did not start (see its log in " + m_folder + ")";
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        return false;
    }
    m_display = ":" + std::to_string(number);
    return true;
}

bool DummyXorgServer::addOutput(const char* output, int width, int height, const char* rightOf)
{
    const std::string mode = "kinetta" + std::to_string(width) + "x" + std::to_string(height);
    const int totalWidth = width + 320;
    const int totalHeight = height + 38;
    const double clock = totalWidth * double(totalHeight) * 60 / 1e6;
    char clockText[32];
    std::snprintf(clockText, sizeof clockText, "%.2f", clock);
    if (!runToEnd({"xrandr", "--newmode", mode, clockText, std::to_string(width),
                   std::to_string(width + 24), std::to_string(width + 160),
                   std::to_string(totalWidth), std::to_string(height), std::to_string(height + 3),
                   std::to_string(height + 9), std::to_string(totalHeight)},
                  m_display) ||
        !runToEnd({"xrandr", "--addmode", output, mode}, m_display))
        return false;
    std::vector<std::string> place = {"xrandr", "--output", output, "--mode", mode};
    if (rightOf) {
        place.push_back("--right-of");
        place.push_back(rightOf);
    } else {
        place.push_back("--pos");
        place.push_back("0x0");
        place.push_back("--primary");
    }
    return runToEnd(place, m_display);
}

} // namespace kinetta::testing
