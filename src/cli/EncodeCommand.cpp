#include "cli/EncodeCommand.h"

#include "app/AtomicFileWriter.h"
#include "cli/OptionValues.h"
#include "cli/PngFrameSource.h"
#include "gif/GifEncoder.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
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
// As a shell reports a command ended by Ctrl-C.
constexpr int kExitInterrupted = 130;
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

// Written by the handler, which may only do async-signal-safe things.
volatile std::sig_atomic_t g_interrupted = 0;

void noteInterrupt(int /*signalNumber*/)
{
    g_interrupted = 1;
}

// While it lives, Ctrl-C, a termination request or a closed terminal ask the
// encode to stop instead of killing the process, so it can end cleanly
// without leaving a file. The previous handlers come back when it goes.
class InterruptRequest final
{
public:
    InterruptRequest()
    {
        g_interrupted = 0;
        struct sigaction action {
        };
        action.sa_handler = &noteInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &action, &m_old[i]);
    }
    InterruptRequest(const InterruptRequest&) = delete;
    InterruptRequest& operator=(const InterruptRequest&) = delete;
    ~InterruptRequest()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &m_old[i], nullptr);
    }

    [[nodiscard]] static bool raised() { return g_interrupted != 0; }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_old[std::size(kSignals)]{};
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

    // Refused now rather than after the whole encode; nothing is left behind.
    const QString output = QFile::decodeName(QByteArray::fromStdString(request.output));
    if (auto error = AtomicFileWriter::checkWritable(output))
        return fail({kExitFailure, error->toStdString()});

    const InterruptRequest interrupt;
    TerminalProgress progress(::isatty(STDERR_FILENO) == 1);
    gif::EncodeResult result = gif::GifEncoder::encode(
        source, request.options, [&progress](std::size_t done, std::size_t total) {
            progress.show(done, total);
            return !InterruptRequest::raised();
        });
    progress.clear();
    if (InterruptRequest::raised())
        return fail({kExitInterrupted, "interrupted; no file was written"});
    if (!result.ok())
        return fail({kExitFailure, result.message()});
    const auto& bytes = result.bytes();
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    if (auto error = AtomicFileWriter::instance().write(output, data))
        return fail({kExitFailure, error->toStdString()});
    return 0;
}

} // namespace kinetta::cli
