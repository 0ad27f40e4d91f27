// The area selector over a made-up desktop: before a drag, during one, a
// rectangle built with the arrow keys, and the still that stands in for the
// screen where no compositor shows what lies beneath.
#include "Screenshots.h"
#include "support/VirtualScheduler.h"
#include "ui/common/Announcer.h"
#include "ui/selection/AreaSelectorView.h"

#include <QApplication>
#include <QKeyEvent>
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
    const QImage beneath = kinetta::screenshots::madeUpDesktop(kScreen);
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
