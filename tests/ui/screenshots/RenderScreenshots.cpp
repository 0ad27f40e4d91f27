// Renders the views' pictures for a person to look at: one PNG per view and
// state, under the offscreen platform, into the folder given as argument.
// A second argument limits the run to the views whose name it names.
#include "Screenshots.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

namespace kinetta::screenshots
{

static std::vector<Entry>& registry()
{
    static std::vector<Entry> entries;
    return entries;
}

bool add(const char* view, Renderer renderer)
{
    registry().push_back({view, std::move(renderer)});
    return true;
}

const std::vector<Entry>& all()
{
    return registry();
}

} // namespace kinetta::screenshots

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FOLDER [VIEW]\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "screenshots: cannot make %s\n", argv[1]);
        return 1;
    }
    const QString only = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    bool ok = true;
    bool matched = false;
    for (const auto& entry : kinetta::screenshots::all()) {
        if (!only.isEmpty() && only != QLatin1String(entry.view))
            continue;
        matched = true;
        for (const auto& shot : entry.renderer()) {
            const QString path = folder.filePath(shot.name + QStringLiteral(".png"));
            if (shot.image.isNull() || !shot.image.save(path)) {
                std::fprintf(stderr, "screenshots: could not write %s\n", qPrintable(path));
                ok = false;
                continue;
            }
            std::printf("%s\n", qPrintable(path));
        }
    }
    if (!matched) {
        std::fprintf(stderr, "screenshots: no view named %s\n", qPrintable(only));
        return 2;
    }
    return ok ? 0 : 1;
}
