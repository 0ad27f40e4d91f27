#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

namespace kinetta::test
{

// xdotool's arguments for a drag with the left button: press at from, move
// through a point between (so that the press is seen as a drag at once) and
// release at to.
[[nodiscard]] inline QStringList xdotoolDrag(QPoint from, QPoint to)
{
    const QPoint middle = (from + to) / 2;
    return {QStringLiteral("mousemove"), QString::number(from.x()),   QString::number(from.y()),
            QStringLiteral("mousedown"), QStringLiteral("1"),         QStringLiteral("mousemove"),
            QString::number(middle.x()), QString::number(middle.y()), QStringLiteral("mousemove"),
            QString::number(to.x()),     QString::number(to.y()),     QStringLiteral("mouseup"),
            QStringLiteral("1")};
}

} // namespace kinetta::test
