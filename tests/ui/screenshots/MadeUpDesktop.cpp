#include "Screenshots.h"

#include <QLinearGradient>
#include <QPainter>

namespace kinetta::screenshots
{

QImage madeUpDesktop(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient wallpaper(0, 0, size.width(), size.height());
    wallpaper.setColorAt(0, QColor(46, 84, 120));
    wallpaper.setColorAt(1, QColor(120, 150, 110));
    painter.fillRect(image.rect(), wallpaper);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect windows[] = {{60, 50, 420, 300}, {size.width() - 460, 200, 400, 320}};
    for (const QRect& window : windows) {
        painter.fillRect(window, QColor(245, 245, 245));
        painter.fillRect(QRect(window.topLeft(), QSize(window.width(), 28)), QColor(210, 210, 215));
        for (int line = 0; line < 8; ++line)
            painter.fillRect(QRect(window.left() + 20, window.top() + 48 + line * 26,
                                   window.width() - 60 - (line % 3) * 50, 10),
                             QColor(190, 190, 196));
    }
    return image;
}

} // namespace kinetta::screenshots
