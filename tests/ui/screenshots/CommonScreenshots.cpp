// The shared drawings: every symbol, and the glyph of a window without an icon.
#include "Screenshots.h"
#include "ui/common/Symbols.h"
#include "ui/icons/DefaultAppIcon.h"
#include "ui/panel/Theme.h"

#include <QFont>
#include <QPainter>

namespace
{

using kinetta::Symbols;
using kinetta::Theme;

// Every drawn symbol, large in white and small in pink, with its name, on the
// panel colour.
QImage symbolSheet()
{
    const QStringList names = Symbols::names();
    const int cell = 88;
    QImage sheet(cell * 8, cell * ((names.size() + 7) / 8), QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Theme::panelBG());
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < names.size(); ++i) {
        const QPointF origin(cell * (i % 8), cell * (i / 8));
        Symbols::paint(painter, QRectF(origin + QPointF(8, 4), QSizeF(48, 48)), names[i], Qt::white);
        Symbols::paint(painter, QRectF(origin + QPointF(62, 4), QSizeF(16, 16)), names[i],
                       Theme::ktPink());
        painter.setPen(QColor(255, 255, 255, 160));
        painter.setFont(QFont(QStringLiteral("Sans"), 6));
        painter.drawText(QRectF(origin + QPointF(0, 56), QSizeF(cell, 28)),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere, names[i]);
    }
    return sheet;
}

// The glyph shown for a window without an icon of its own, at the sizes the
// views ask for, on the panel surface.
QImage defaultAppIcons()
{
    const int sizes[] = {16, 26, 52, 128};
    QImage strip(16 + 26 + 52 + 128 + 5 * 12, 128 + 24, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Theme::panelSurface());
    QPainter painter(&strip);
    int x = 12;
    for (const int size : sizes) {
        painter.drawImage(QPoint(x, 12 + (128 - size) / 2), kinetta::drawDefaultAppIcon(size));
        x += size + 12;
    }
    return strip;
}

const bool registered = kinetta::screenshots::add("common", [] {
    return std::vector<kinetta::screenshots::Shot>{
        {QStringLiteral("symbols"), symbolSheet()},
        {QStringLiteral("default-app-icon"), defaultAppIcons()},
    };
});

} // namespace
