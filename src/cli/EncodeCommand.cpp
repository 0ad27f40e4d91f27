#include "cli/EncodeCommand.h"

#include "app/AtomicFileWriter.h"
#include "cli/CommandOptions.h"
#include "cli/InterruptHandlers.h"
#include "cli/PngFrameSource.h"
#include "gif/GifEncoder.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
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
    "Usage: kinetta encode [--fps N] [--loop N] [--skip N] [--boomerang] [--quality N]\n"
    "                      [--max-size SIZE] -o OUT.gif INPUT...\n"
    "Encodes PNG images into an animated GIF. Each INPUT is a PNG file or a folder\n"
    "whose PNG files are taken in name order.\n\n"
    "  --fps N       frame rate the images were captured at, 1 to 60 (default 10)\n"
    "  --loop N      times to repeat, 0 for without end (default 0, at most 65535)\n"
    "  --skip N      keep one image in every N, each shown N times as long (default 1)\n"
    "  --boomerang   play forward, then backward\n"
    "  --quality N   1 to 100: lower makes smaller files with colours further off\n"
    "                (default 100; steps of 5 to 80, then 10)\n"
    "  --max-size SIZE  the largest file wanted, in bytes or with K or M (1K = 1024\n"
    "                bytes), such as 2M: the best quality up to --quality that fits;\n"
    "                when even the lowest does not, frames are dropped\n"
    "  -o, --output  the GIF file to write\n";

struct Request {
    gif::GifEncoder::Options options;
    gif::EncodeSettings settings;
    std::string output;
    std::vector<std::string> inputs;
    bool help = false;
};

// A failure: the exit status and the one line that explains it.
struct CommandFailure {
    int status = kExitFailure;
    std::string message;
};

std::string localPath(const QString& arg)
{
    return QFile::encodeName(arg).toStdString();
}

// A usage error: its message, for exit status 2.
CommandFailure usageError(const QString& message)
{
    return {kUsageExitStatus, message.toStdString()};
}

std::variant<Request, CommandFailure> parse(const QStringList& args)
{
    const QCommandLineOption fps(QStringLiteral("fps"), QString(), QStringLiteral("N"));
    const QCommandLineOption loop(QStringLiteral("loop"), QString(), QStringLiteral("N"));
    const QCommandLineOption skip(QStringLiteral("skip"), QString(), QStringLiteral("N"));
    const QCommandLineOption boomerang(QStringLiteral("boomerang"));
    const QCommandLineOption quality(QStringLiteral("quality"), QString(), QStringLiteral("N"));
    const QCommandLineOption maxSize(QStringLiteral("max-size"), QString(), QStringLiteral("SIZE"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, QString(),
                                    QStringLiteral("OUT.gif"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    QCommandLineParser parser;
    const Status<QString> parsed =
        parseCommandOptions(parser, QStringLiteral("encode"),
                            {fps, loop, skip, boomerang, quality, maxSize, output, help}, args);
    if (!parsed.ok())
        return usageError(parsed.message());

    Request request;
    request.help = parser.isSet(help);
    if (request.help)
        return request;
    request.options.boomerang = parser.isSet(boomerang);
    std::int64_t qualityValue = request.settings.quality;
    for (const Status<QString>& read :
         {readRangedOption(parser, QStringLiteral("fps"), kFpsOption, request.options.fps),
          readRangedOption(parser, QStringLiteral("loop"), kLoopOption, request.options.loopCount),
          readRangedOption(parser, QStringLiteral("skip"), kSkipOption, request.options.skipFrames),
          readRangedOption(parser, QStringLiteral("quality"), kQualityOption, qualityValue)}) {
        if (!read.ok())
            return usageError(read.message());
    }
    request.settings.quality = static_cast<int>(qualityValue);
    for (const QString& text : parser.values(maxSize)) {
        const auto bytes = readSizeOption(QStringLiteral("--max-size"), text);
        if (const auto* message = std::get_if<QString>(&bytes))
            return usageError(*message);
        request.settings.maxBytes = static_cast<std::size_t>(std::get<std::int64_t>(bytes));
    }
    for (const QString& value : parser.values(output)) {
        if (value.isEmpty())
            return usageError(QStringLiteral("-o needs a file name"));
        request.output = localPath(value);
    }
    for (const QString& input : parser.positionalArguments())
        request.inputs.push_back(localPath(input));
    if (request.output.empty())
        return usageError(QStringLiteral("no output file: give one with -o OUT.gif"));
    if (request.inputs.empty())
        return usageError(QStringLiteral("no input: give PNG files or folders of PNG files"));
    return request;
}

bool isPngName(const fs::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".png";
}

std::variant<std::vector<std::string>, CommandFailure>
expandInputs(const std::vector<std::string>& inputs)
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
            return CommandFailure{kExitFailure,
                                  "cannot read folder '" + input + "': " + ec.message()};
        if (inFolder.empty())
            return CommandFailure{kExitFailure, "no PNG files in folder '" + input + "'"};
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
    InterruptRequest() { g_interrupted = 0; }

    [[nodiscard]] static bool raised() { return g_interrupted != 0; }

private:
    InterruptHandlers m_handlers{&noteInterrupt};
};

// Shows how far the encode is on a terminal, rewriting one line. Its steps are
// not all frames written (a survey of the colours may come first), so only
// the share is shown, after the pass when there are several.
class TerminalProgress final
{
public:
    explicit TerminalProgress(bool enabled) : m_enabled(enabled) {}
    ~TerminalProgress() { clear(); }

    void startPass(const gif::EncodePass& pass)
    {
        m_pass = pass.count > 1 ? gif::GifEncoder::passText(pass) + ": " : std::string();
        m_shown = false;
    }

    void show(std::size_t done, std::size_t total)
    {
        if (!m_enabled)
            return;
        const std::size_t percent = total ? done * 100 / total : 100;
        if (m_shown && percent == m_percent)
            return;
        m_percent = percent;
        m_shown = true;
        std::fprintf(stderr, "\r\033[Kkinetta encode: %s%zu%%", m_pass.c_str(), percent);
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
    std::string m_pass;
};

int fail(const CommandFailure& failure)
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
    auto parsed = parse(args);
    if (auto* failure = std::get_if<CommandFailure>(&parsed))
        return fail(*failure);
    const Request& request = std::get<Request>(parsed);
    if (request.help) {
        std::fputs(kHelp, stdout);
        return 0;
    }

    auto expanded = expandInputs(request.inputs);
    if (auto* failure = std::get_if<CommandFailure>(&expanded))
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
    gif::EncodeSettings settings = request.settings;
    settings.passStarted = [&progress](const gif::EncodePass& pass) { progress.startPass(pass); };
    gif::EncodeResult result = gif::GifEncoder::encode(
        source, request.options,
        [&progress](std::size_t done, std::size_t total) {
            progress.show(done, total);
            return !InterruptRequest::raised();
        },
        settings);
    progress.clear();
    if (InterruptRequest::raised())
        return fail({kExitInterrupted, "interrupted; no file was written"});
    if (!result.ok())
        return fail({kExitFailure, result.message()});
    if (settings.maxBytes != 0)
        std::fprintf(stderr, "kinetta encode: %s\n",
                     gif::GifEncoder::fitText(result, settings.maxBytes).c_str());
    const auto& bytes = result.bytes();
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    if (auto error = AtomicFileWriter::instance().write(output, data))
        return fail({kExitFailure, error->toStdString()});
    return 0;
}

} // namespace kinetta::cli
