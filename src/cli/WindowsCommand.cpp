#include "cli/WindowsCommand.h"

#include "capture/CaptureBackend.h"
#include "model/RecordableWindows.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdio>

namespace kinetta::cli
{
namespace
{

QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

QString whole(double value)
{
    return QString::number(static_cast<qint64>(std::trunc(value)));
}

} // namespace

QString formatWindowLine(const WindowInfo& window)
{
    return QStringList{QStringLiteral("0x%1").arg(window.windowID, 0, 16),
                       oneLine(window.appName),
                       oneLine(window.title),
                       whole(window.frame.x()),
                       whole(window.frame.y()),
                       whole(window.frame.width()),
                       whole(window.frame.height())}
        .join(QLatin1Char('\t'));
}

int runWindowsCommand(const QStringList& args)
{
    if (!args.isEmpty()) {
        const bool help =
            args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h");
        std::fprintf(help ? stdout : stderr,
                     "%sUsage: kinetta windows\n\nLists the windows that can be recorded, one a "
                     "line: id, application, title, x, y, width, height, separated by tabs.\n",
                     help ? "" : "kinetta windows: takes no arguments\n");
        return help ? 0 : 2;
    }
    // Before anything that would ask the desktop's screen-sharing prompt.
    if (desktopChoosesWindows()) {
        std::fputs("kinetta windows: this desktop lists no windows; 'kinetta record --mode "
                   "window' asks it which window to record.\n",
                   stderr);
        return 1;
    }
    if (const auto unavailable = windowCaptureUnavailable()) {
        std::fprintf(stderr, "kinetta windows: %s\n", unavailable->toLocal8Bit().constData());
        return 1;
    }
    const auto source = createCaptureSource();
    const auto content = source->shareableContent();
    if (!content.ok()) {
        std::fprintf(stderr, "kinetta windows: %s\n",
                     content.error().message.toLocal8Bit().constData());
        return 1;
    }
    const auto entries = createWindowListSource()->listWindows();
    if (!entries) {
        std::fprintf(stderr, "kinetta windows: the window list could not be read.\n");
        return 1;
    }
    for (const WindowInfo& window : recordableWindows(*entries, QCoreApplication::applicationPid()))
        std::printf("%s\n", formatWindowLine(window).toUtf8().constData());
    return 0;
}

} // namespace kinetta::cli
