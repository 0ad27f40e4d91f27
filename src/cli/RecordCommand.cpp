#include "cli/RecordCommand.h"

#include "app/AtomicFileWriter.h"
#include "capture/CaptureBackend.h"
#include "cli/CommandOptions.h"
#include "cli/TerminalRecording.h"
#include "model/IniPreferencesStore.h"
#include "model/MemoryPreferencesStore.h"
#include "model/RecordingSession.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cmath>
#include <cstdio>

namespace kinetta::cli
{
namespace
{

constexpr OptionRange<double> kScaleOption{0.05, 1.0, "a number from 0.05 to 1"};
constexpr OptionRange<std::int64_t> kDurationOption{1, 24 * 60 * 60,
                                                    "whole seconds from 1 to 86400"};
constexpr OptionRange<std::int64_t> kCountdownOption{0, 60, "whole seconds from 0 to 60"};

std::optional<QRectF> parseArea(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        const auto value = readDecimal(parts[i].trimmed());
        if (!value)
            return std::nullopt;
        values[i] = *value;
    }
    return QRectF(values[0], values[1], values[2], values[3]);
}

QString windowNeeded()
{
    return QStringLiteral("window mode needs --window ID (see 'kinetta windows')");
}

void printError(const QString& message)
{
    std::fprintf(stderr, "kinetta record: %s\n", message.toLocal8Bit().constData());
}

// The saved settings, copied so that what the options change stays in this run.
std::shared_ptr<MemoryPreferencesStore> savedSettings()
{
    IniPreferencesStore saved;
    auto copy = std::make_shared<MemoryPreferencesStore>(saved.filePath());
    for (const QString& key :
         {settings::kFps, settings::kScale, settings::kCaptureMode, settings::kUseCountdown,
          settings::kCountdownSeconds, settings::kShowCursor, settings::kUseAutoStop,
          settings::kAutoStopSeconds, settings::kLoopCount, settings::kAutoCopy}) {
        const QVariant value = saved.value(key);
        if (value.isValid())
            (void)copy->setValue(key, value);
    }
    return copy;
}

QString recordUsage()
{
    return QStringLiteral(
        "Usage: kinetta record [--mode screen|window|area] [--window ID] [--area X,Y,W,H]\n"
        "                     [--fps N] [--scale S] [--cursor|--no-cursor]\n"
        "                     [--duration SECONDS] [--loop N] [--countdown N|--no-countdown]\n"
        "                     [--quality N] [--max-size SIZE] -o OUT.gif\n\n"
        "Records the screen, one window or an area into an animated GIF. Without\n"
        "--duration it records until Ctrl-C. Options left out take the saved settings;\n"
        "given options are used for this recording only.\n\n"
        "  --mode MODE        screen, window (needs --window; on Wayland the desktop\n"
        "                     asks which) or area (needs --area)\n"
        "  --window ID        X window id, decimal or 0x hex (see 'kinetta windows')\n"
        "  --area X,Y,W,H     rectangle of the display, at least 2x2\n"
        "  --fps N            frames per second, 1 to 60\n"
        "  --scale S          output size relative to the screen, 0.05 to 1\n"
        "  --duration SECONDS stop after this many seconds, 1 to 86400\n"
        "  --loop N           GIF repeats, 0 (forever) to 65535\n"
        "  --countdown N      seconds of countdown before recording, 0 (none) to 60\n"
        "  --quality N        1 to 100: lower makes smaller files with colours further\n"
        "                     off (default 100; steps of 5 to 80, then 10)\n"
        "  --max-size SIZE    the largest file wanted, in bytes or with K or M\n"
        "                     (1K = 1024 bytes), such as 2M: the best quality up to\n"
        "                     --quality that fits; frames are dropped when even the\n"
        "                     lowest does not\n"
        "  -o, --output FILE  where the GIF is written\n");
}

} // namespace

std::optional<std::uint32_t> parseWindowID(const QString& text)
{
    bool ok = false;
    qulonglong value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) && text.size() > 2)
        value = text.mid(2).toULongLong(&ok, 16);
    else if (!text.isEmpty() && text.front().isDigit())
        value = text.toULongLong(&ok, 10);
    if (!ok || value == 0 || value > 0xffffffffULL)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::variant<RecordOptions, QString> parseRecordOptions(const QStringList& args)
{
    const auto valued = [](const QStringList& names, const QString& valueName) {
        return QCommandLineOption(names, QString(), valueName);
    };
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption cursor(QStringLiteral("cursor"));
    const QCommandLineOption noCursor(QStringLiteral("no-cursor"));
    const QCommandLineOption noCountdown(QStringLiteral("no-countdown"));
    const QCommandLineOption mode = valued({QStringLiteral("mode")}, QStringLiteral("MODE"));
    const QCommandLineOption window = valued({QStringLiteral("window")}, QStringLiteral("ID"));
    const QCommandLineOption area = valued({QStringLiteral("area")}, QStringLiteral("X,Y,W,H"));
    const QCommandLineOption output =
        valued({QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("FILE"));
    QList<QCommandLineOption> all{help, cursor, noCursor, noCountdown, mode, window, area, output};
    for (const char* name : {"fps", "scale", "duration", "loop", "countdown", "quality"})
        all.append(valued({QString::fromLatin1(name)}, QStringLiteral("N")));
    all.append(valued({QStringLiteral("max-size")}, QStringLiteral("SIZE")));
    QCommandLineParser parser;
    if (const auto parsed = parseCommandOptions(parser, QStringLiteral("record"), all, args);
        !parsed.ok())
        return parsed.message();

    RecordOptions options;
    options.help = parser.isSet(help);
    // Of two options that undo each other, the last given counts.
    const QStringList found = parser.optionNames();
    const auto lastAt = [&found](const char* name) {
        return found.lastIndexOf(QString::fromLatin1(name));
    };
    if (parser.isSet(cursor) || parser.isSet(noCursor))
        options.cursor = lastAt("cursor") > lastAt("no-cursor");
    for (const QString& text : parser.values(mode)) {
        if (text == QLatin1String("screen"))
            options.mode = CaptureMode::fullScreen;
        else if (text == QLatin1String("window"))
            options.mode = CaptureMode::window;
        else if (text == QLatin1String("area"))
            options.mode = CaptureMode::area;
        else
            return QStringLiteral("--mode must be screen, window or area, not '%1'").arg(text);
    }
    for (const QString& text : parser.values(window)) {
        options.windowID = parseWindowID(text);
        if (!options.windowID)
            return QStringLiteral("--window takes an X window id such as 0x1e00004 or "
                                  "31457284, not '%1'")
                .arg(text);
    }
    for (const QString& text : parser.values(area)) {
        options.area = parseArea(text);
        if (!options.area)
            return QStringLiteral("--area takes X,Y,WIDTH,HEIGHT, not '%1'").arg(text);
        if (options.area->width() < 2 || options.area->height() < 2)
            return QStringLiteral("--area must be at least 2x2 pixels");
    }
    std::int64_t quality = options.target.quality;
    for (const Status<QString>& read :
         {readRangedOption(parser, QStringLiteral("fps"), kFpsOption, options.fps),
          readRangedOption(parser, QStringLiteral("scale"), kScaleOption, options.scale),
          readRangedOption(parser, QStringLiteral("duration"), kDurationOption,
                           options.durationSeconds),
          readRangedOption(parser, QStringLiteral("loop"), kLoopOption, options.loopCount),
          readRangedOption(parser, QStringLiteral("countdown"), kCountdownOption,
                           options.countdownSeconds),
          readRangedOption(parser, QStringLiteral("quality"), kQualityOption, quality)}) {
        if (!read.ok())
            return read.message();
    }
    options.target.quality = static_cast<int>(quality);
    for (const QString& text : parser.values(QStringLiteral("max-size"))) {
        const auto bytes = readSizeOption(QStringLiteral("--max-size"), text);
        if (const auto* message = std::get_if<QString>(&bytes))
            return *message;
        options.target.maxBytes = static_cast<std::size_t>(std::get<std::int64_t>(bytes));
    }
    if (lastAt("no-countdown") > lastAt("countdown"))
        options.countdownSeconds = 0;
    for (const QString& text : parser.values(output)) {
        if (text.isEmpty())
            return QStringLiteral("-o needs a file name");
        options.output = text;
    }
    if (const QStringList extra = parser.positionalArguments(); !extra.isEmpty())
        return QStringLiteral("unexpected argument '%1' (see 'kinetta record --help')")
            .arg(extra.front());
    if (options.help)
        return options;
    // A window id or an area names the mode by itself.
    if (options.windowID && options.area)
        return QStringLiteral("--window and --area cannot be used together");
    if (options.windowID && options.mode && *options.mode != CaptureMode::window)
        return QStringLiteral("--window needs --mode window");
    if (options.area && options.mode && *options.mode != CaptureMode::area)
        return QStringLiteral("--area needs --mode area");
    if (options.windowID)
        options.mode = CaptureMode::window;
    if (options.area)
        options.mode = CaptureMode::area;
    if (options.output.isEmpty())
        return QStringLiteral("the output file is missing (-o OUT.gif)");
    return options;
}

std::optional<QString> checkTarget(CaptureMode mode, std::optional<std::uint32_t> windowID,
                                   std::optional<QRectF> area, const ShareableContent& content)
{
    if (content.displays.empty())
        return QStringLiteral("No display found.");
    const QRect display = content.displays.front().frame;
    if (mode == CaptureMode::window) {
        if (!windowID)
            return windowNeeded();
        const bool listed =
            std::any_of(content.windows.begin(), content.windows.end(),
                        [&](const auto& window) { return window.windowID == *windowID; });
        if (!listed)
            return QStringLiteral("no window 0x%1 is on screen (see 'kinetta windows')")
                .arg(*windowID, 0, 16);
    }
    if (mode == CaptureMode::area && area) {
        const QRectF bounds(0, 0, display.width(), display.height());
        if (!bounds.contains(*area))
            return QStringLiteral("the area %1,%2,%3,%4 lies outside the display (%5x%6)")
                .arg(area->x())
                .arg(area->y())
                .arg(area->width())
                .arg(area->height())
                .arg(display.width())
                .arg(display.height());
    }
    return std::nullopt;
}

int runRecordCommand(const QStringList& args)
{
    auto parsed = parseRecordOptions(args);
    if (const auto* error = std::get_if<QString>(&parsed)) {
        printError(*error);
        return kUsageExitStatus;
    }
    RecordOptions options = std::get<RecordOptions>(parsed);
    if (options.help) {
        std::fputs(recordUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }

    RecordingSession session(savedSettings());
    if (options.mode)
        session.setCaptureMode(*options.mode);
    if (options.fps)
        session.setFps(*options.fps);
    if (options.scale)
        session.setScale(*options.scale);
    if (options.cursor)
        session.setShowCursor(*options.cursor);
    if (options.loopCount)
        session.setLoopCount(*options.loopCount);
    if (options.countdownSeconds) {
        session.setUseCountdown(*options.countdownSeconds > 0);
        if (*options.countdownSeconds > 0)
            session.setCountdownSeconds(*options.countdownSeconds);
    }
    // Without a duration the recording runs until interrupted.
    session.setUseAutoStop(options.durationSeconds.has_value());
    if (options.durationSeconds)
        session.setAutoStopSeconds(*options.durationSeconds);
    // Options keep their own ranges; saved values are held to the panel's.
    for (const QString& held : session.holdStoredSettingsToControlRanges())
        printError(held);

    // A saved mode needs its target as much as a given one (no target is saved).
    const CaptureMode mode = session.captureMode();
    const QString savedNote =
        options.mode ? QString() : QStringLiteral(" (the saved mode; --mode chooses another)");
    if (mode == CaptureMode::window) {
        if (const auto unavailable = windowCaptureUnavailable()) {
            printError(*unavailable + savedNote);
            return 1;
        }
    }
    // Where the desktop's own chooser picks the window, there are no ids to give.
    const bool desktopChooses = mode == CaptureMode::window && desktopChoosesWindows();
    if (desktopChooses && options.windowID) {
        printError(QStringLiteral("this desktop asks which window to record: leave out --window"));
        return kUsageExitStatus;
    }
    if (mode == CaptureMode::window && !options.windowID && !desktopChooses) {
        printError(windowNeeded() + savedNote);
        return kUsageExitStatus;
    }
    if (mode == CaptureMode::area && !options.area) {
        printError(QStringLiteral("area mode needs --area X,Y,W,H") + savedNote);
        return kUsageExitStatus;
    }

    // Everything is checked before the first frame, so bad input costs nothing.
    // The same checks and the same temporary file as the write at the end.
    if (auto problem = AtomicFileWriter::checkWritable(options.output)) {
        printError(*problem);
        return 1;
    }
    const std::shared_ptr<CaptureSource> source = createCaptureSource();
    if (desktopChooses) {
        // The recording takes over the session of the window chosen here.
        const auto chosen = source->chooseWindow(session.showCursor());
        if (!chosen || !chosen->ok()) {
            printError(chosen ? chosen->error().message
                              : QStringLiteral("this desktop offers no single windows to record"));
            return 1;
        }
        options.windowID = chosen->value().windowID;
    }
    const auto content = source->shareableContent();
    if (!content.ok()) {
        printError(content.error().message);
        return 1;
    }
    if (auto problem = checkTarget(mode, options.windowID, options.area, content.value())) {
        printError(*problem);
        return 1;
    }
    if (mode == CaptureMode::window) {
        const auto& windows = content.value().windows;
        const auto found = std::find_if(windows.begin(), windows.end(), [&](const auto& window) {
            return window.windowID == *options.windowID;
        });
        WindowInfo info;
        info.windowID = found->windowID;
        info.frame = found->frame;
        info.pid = static_cast<std::int32_t>(found->pid.value_or(0));
        session.setSelectedWindow(info);
    }
    if (mode == CaptureMode::area)
        session.setSelectedRect(options.area);
    return runTerminalRecording(session, source, QFileInfo(options.output).absoluteFilePath(),
                                options.target);
}

} // namespace kinetta::cli
