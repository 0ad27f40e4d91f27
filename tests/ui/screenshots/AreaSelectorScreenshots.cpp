// The area selector over a made-up desktop: before a drag, during one, a
// rectangle built with the arrow keys, and the still that stands in for the
// screen where no compositor shows what lies beneath.
#include "Screenshots.h"
#include "support/VirtualScheduler.h"
#include "ui/common/Announcer.h"
#include "ui/selection/AreaSelectorView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace
{

using kinetta::AreaSelectorView;

const QSize kScreen(1280, 800);

class QuietAnnouncer final : public kinetta::Announcer
{
public:
    void announceFrom(QObject* /*source*/, const QString& /*text*/, int /*priority*/) override {}
};

// A wallpaper with two windows on it, as a compositor would show beneath the overlay.
QImage desktop()
{
    QImage image(kScreen, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient wallpaper(0, 0, kScreen.width(), kScreen.height());
    wallpaper.setColorAt(0, QColor(0x2B, 0x5F, 0x8C));
    wallpaper.setColorAt(1, QColor(0x6A, 0x3D, 0x8F));
    painter.fillRect(image.rect(), wallpaper);
    const auto window = [&](QRect frame, QColor body, const QString& title) {
        painter.fillRect(frame, body);
        painter.fillRect(QRect(frame.topLeft(), QSize(frame.width(), 28)),
                         QColor(0x30, 0x30, 0x36));
        painter.setPen(Qt::white);
        painter.drawText(frame.adjusted(12, 0, 0, 0).topLeft() + QPoint(0, 19), title);
        painter.setPen(QColor(0x55, 0x55, 0x60));
        for (int line = 0; line < (frame.height() - 60) / 22; ++line)
            painter.drawLine(frame.left() + 24, frame.top() + 56 + line * 22,
                             frame.left() + 24 + (frame.width() - 48) * (3 + line % 4) / 6,
                             frame.top() + 56 + line * 22);
    };
    window(QRect(90, 80, 620, 420), QColor(0xF4, 0xF4, 0xF0), QStringLiteral("Notes"));
    window(QRect(560, 300, 600, 400), QColor(0xE8, 0xEE, 0xF6), QStringLiteral("Terminal"));
    return image;
}

struct Stage {
    kinetta::VirtualScheduler scheduler;
    QuietAnnouncer announcer;
    AreaSelectorView view{{scheduler, announcer, false}, {}};

    Stage() { view.resize(kScreen); }

    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, at, button, held, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    }
    void key(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    }
    // The view drawn over what lies beneath it.
    QImage over(const QImage& beneath)
    {
        QImage image = beneath;
        view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }
};

std::vector<kinetta::screenshots::Shot> renderAreaSelector()
{
    const QImage beneath = desktop();
    std::vector<kinetta::screenshots::Shot> shots;
    {
        Stage stage;
        shots.push_back({QStringLiteral("area-before-drag"), stage.over(beneath)});
    }
    {
        Stage stage;
        stage.mouse(QEvent::MouseButtonPress, {240, 170}, Qt::LeftButton, Qt::LeftButton);
        stage.mouse(QEvent::MouseMove, {500, 400}, Qt::NoButton, Qt::LeftButton);
        stage.mouse(QEvent::MouseMove, {880, 560}, Qt::NoButton, Qt::LeftButton);
        // A few ticks of the marching border.
        stage.scheduler.advance(AreaSelectorView::marchInterval * 5);
        shots.push_back({QStringLiteral("area-dragging"), stage.over(beneath)});
    }
    {
        Stage stage;
        stage.key(Qt::Key_Right);
        stage.key(Qt::Key_Up);
        shots.push_back({QStringLiteral("area-keyboard"), stage.over(beneath)});
    }
    {
        // No compositor: the window itself is opaque black beneath, and the
        // still of the screen carries what the user sees.
        Stage stage;
        stage.view.setBackdrop(kinetta::OverlayBackdrop::still(beneath));
        stage.mouse(QEvent::MouseButtonPress, {600, 120}, Qt::LeftButton, Qt::LeftButton);
        stage.mouse(QEvent::MouseMove, {1100, 420}, Qt::NoButton, Qt::LeftButton);
        QImage black(kScreen, QImage::Format_ARGB32_Premultiplied);
        black.fill(Qt::black);
        shots.push_back({QStringLiteral("area-still-without-compositor"), stage.over(black)});
    }
    return shots;
}

const bool registered = kinetta::screenshots::add("area", renderAreaSelector);

} // namespace
