#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <vector>

namespace kinetta::screenshots
{

// One picture of a view in one state, saved as <name>.png.
struct Shot
{
    QString name;
    QImage image;
};

using Renderer = std::function<std::vector<Shot>()>;

// Each view's file registers its renderer at start-up, so views add their
// pictures without touching a shared list:
//   static const bool registered = kinetta::screenshots::add("panel", renderPanel);
bool add(const char* view, Renderer renderer);

struct Entry
{
    const char* view;
    Renderer renderer;
};
const std::vector<Entry>& all();

// A made-up desktop to show what lies under the overlays: a wallpaper and
// two windows.
QImage madeUpDesktop(QSize size);

} // namespace kinetta::screenshots
