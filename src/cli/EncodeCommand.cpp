#include "cli/EncodeCommand.h"

#include "cli/OptionValues.h"
#include "cli/PngFrameSource.h"
#include "gif/GifEncoder.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <variant>
#include <vector>

namespace kinetta::cli
{
namespace
{

namespace fs = std::filesystem;

constexpr int kExitFailure = 1;
// Any stride past the frame count keeps just the first frame.
constexpr OptionRange<std::int64_t> kSkipOption{1, std::numeric_limits<std::int64_t>::max(),
                                                "a whole number from 1 up"};

constexpr const char* kHelp =
    "Usage: kinetta encode [--fps N] [--loop N] [--skip N] [--boomerang] -o OUT.gif INPUT...\n"
    "Encodes PNG images into an animated GIF. Each INPUT is a PNG file or a folder\n"
    "whose PNG files are taken in name order.\n\n"
    "  --fps N       frame rate the images were captured at, 1 to 60 (default 10)\n"
    "  --loop N      times to repeat, 0 for without end (default 0, at most 65535)\n"
    "  --skip N      keep one image in every N, each shown N times as long (default 1)\n"
    "  --boomerang   play forward, then backward\n"
    "  -o, --output  the GIF file to write\n";

struct Request {
    gif::GifEncoder::Options options;
    std::string output;
    std::vector<std::string> inputs;
};

// A failure: the exit status and the one line that explains it.
struct Failure {
    int status = kExitFailure;
    std::string message;
};

std::string localPath(const QString& arg)
{
    return QFile::encodeName(arg).toStdString();
}

std::variant<Request, Failure> parse(const QStringList& args)
{
    Request request;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        std::string arg = localPath(args[i]);
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            request.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        if (arg == "--boomerang") {
            if (inlineValue)
                return Failure{kUsageExitStatus,
                               takesNoValueMessage(QStringLiteral("--boomerang")).toStdString()};
            request.options.boomerang = true;
            continue;
        }
        const bool takesValue = arg == "--fps" || arg == "--loop" || arg == "--skip" ||
                                arg == "-o" || arg == "--output";
        if (!takesValue)
            return Failure{kUsageExitStatus, "unknown option '" + arg + "'"};
        if (!inlineValue && i + 1 >= args.size())
            return Failure{kUsageExitStatus, "option '" + arg + "' needs a value"};
        const std::string value = inlineValue ? *inlineValue : localPath(args[++i]);
        if (arg == "-o" || arg == "--output") {
            if (value.empty())
                return Failure{kUsageExitStatus, "option '" + arg + "' needs a file name"};
            request.output = value;
            continue;
        }
        const QString option = QString::fromStdString(arg);
        const QString text = QFile::decodeName(QByteArray::fromStdString(value));
        if (arg == "--fps") {
            const auto fps = readOption(option, text, kFpsOption);
            if (const auto* message = std::get_if<QString>(&fps))
                return Failure{kUsageExitStatus, message->toStdString()};
            request.options.fps = std::get<double>(fps);
        } else if (arg == "--loop") {
            const auto loop = readOption(option, text, kLoopOption);
            if (const auto* message = std::get_if<QString>(&loop))
                return Failure{kUsageExitStatus, message->toStdString()};
            request.options.loopCount = std::get<std::int64_t>(loop);
        } else {
            const auto skip = readOption(option, text, kSkipOption);
            if (const auto* message = std::get_if<QString>(&skip))
                return Failure{kUsageExitStatus, message->toStdString()};
            request.options.skipFrames = std::get<std::int64_t>(skip);
        }
    }
    if (request.output.empty())
        return Failure{kUsageExitStatus, "no output file: give one with -o OUT.gif"};
    if (request.inputs.empty())
        return Failure{kUsageExitStatus, "no input: give PNG files or folders of PNG files"};
    return request;
}

bool isPngName(const fs::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".png";
}

std::variant<std::vector<std::string>, Failure> expandInputs(const std::vector<std::string>& inputs)
{
    std::vector<std::string> files;
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (!fs::is_directory(input, ec)) {
            files.push_back(input); // opening it reports what is wrong
            continue;
        }
        std::vector<std::string> inFolder;
        for (fs::directory_iterator it(input, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (isPngName(it->path()) && it->is_regular_file(typeError))
                inFolder.push_back(it->path().string());
        }
        if (ec)
            return Failure{kExitFailure, "cannot read folder '" + input + "': " + ec.message()};
        if (inFolder.empty())
            return Failure{kExitFailure, "no PNG files in folder '" + input + "'"};
        std::sort(inFolder.begin(), inFolder.end());
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

// The GIF is written to a temporary file beside the output and renamed over
// it only when complete, so a failure never leaves a partial file behind.
class OutputFile final
{
public:
    ~OutputFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed && !m_tempPath.empty())
            ::unlink(m_tempPath.c_str());
    }

    [[nodiscard]] std::optional<std::string> create(const std::string& path)
    {
        m_path = path;
        std::string pattern = path + ".XXXXXX";
        m_fd = ::mkstemp(pattern.data());
        if (m_fd < 0)
            return "cannot write '" + path + "': " + std::strerror(errno);
        m_tempPath = pattern;
        return std::nullopt;
    }

    [[nodiscard]] std::optional<std::string> commit(const std::vector<std::uint8_t>& bytes)
    {
        const std::string failed = "cannot write '" + m_path + "': ";
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.data() + written, bytes.size() - written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return failed + std::strerror(errno);
            written += static_cast<std::size_t>(n);
        }
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(m_fd, 0666 & ~mask) != 0 || ::close(m_fd) != 0) {
            m_fd = -1;
            return failed + std::strerror(errno);
        }
        m_fd = -1;
        if (::rename(m_tempPath.c_str(), m_path.c_str()) != 0)
            return failed + std::strerror(errno);
        m_committed = true;
        return std::nullopt;
    }

private:
    std::string m_path;
    std::string m_tempPath;
    int m_fd = -1;
    bool m_committed = false;
};

// Shows how far the encode is on a terminal, rewriting one line. Its steps are
// not all frames written (a survey of the colours may come first), so only
// the share is shown.
class TerminalProgress final
{
public:
    explicit TerminalProgress(bool enabled) : m_enabled(enabled) {}
    ~TerminalProgress() { clear(); }

    void show(std::size_t done, std::size_t total)
    {
        if (!m_enabled)
            return;
        const std::size_t percent = total ? done * 100 / total : 100;
        if (m_shown && percent == m_percent)
            return;
        m_percent = percent;
        m_shown = true;
        std::fprintf(stderr, "\rkinetta encode: %zu%%", percent);
        std::fflush(stderr);
    }

    void clear()
    {
        if (m_shown)
            std::fprintf(stderr, "\r\033[K");
        m_shown = false;
    }

private:
    bool m_enabled;
    bool m_shown = false;
    std::size_t m_percent = 0;
};

int fail(const Failure& failure)
{
    std::fprintf(stderr, "kinetta encode: %s\n", failure.message.c_str());
    return failure.status;
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

} // namespace

int runEncodeCommand(const QStringList& args)
{
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    auto parsed = parse(args);
    if (auto* failure = std::get_if<Failure>(&parsed))
        return fail(*failure);
    const Request& request = std::get<Request>(parsed);

    auto expanded = expandInputs(request.inputs);
    if (auto* failure = std::get_if<Failure>(&expanded))
        return fail(*failure);
    auto& files = std::get<std::vector<std::string>>(expanded);
    for (const std::string& file : files) {
        if (sameFile(file, request.output))
            return fail({kExitFailure, "the output '" + request.output + "' is also an input"});
    }

    auto opened = PngFrameSource::open(std::move(files));
    if (auto* error = std::get_if<std::string>(&opened))
        return fail({kExitFailure, *error});
    const PngFrameSource& source = std::get<PngFrameSource>(opened);
    for (std::size_t i = 1; i < source.frameCount(); ++i) {
        const gif::FrameSize first = source.frameSize(0);
        const gif::FrameSize other = source.frameSize(i);
        if (other != first)
            return fail({kExitFailure,
                         "'" + source.path(i) + "' is " + std::to_string(other.width) + "x" +
                             std::to_string(other.height) + " but '" + source.path(0) + "' is " +
                             std::to_string(first.width) + "x" + std::to_string(first.height)});
    }

    OutputFile output;
    if (auto error = output.create(request.output))
        return fail({kExitFailure, *error});

    TerminalProgress progress(::isatty(STDERR_FILENO) == 1);
    gif::EncodeResult result = gif::GifEncoder::encode(
        source, request.options, [&progress](std::size_t done, std::size_t total) {
            progress.show(done, total);
            return true;
        });
    progress.clear();
    if (!result.ok())
        return fail({kExitFailure, result.message()});
    if (auto error = output.commit(result.bytes()))
        return fail({kExitFailure, *error});
    return 0;
}

} // namespace kinetta::cli
