// The countdown overlay, the recording HUD and the toasts, in the states a
// person should look at.
#include "Screenshots.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/overlays/CountdownOverlayView.h"
#include "ui/overlays/DiscardRow.h"
#include "ui/overlays/PaintedButton.h"
#include "ui/overlays/RecordingHUDView.h"
#include "ui/overlays/ToastView.h"
#include "ui/panel/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace
{

using namespace kinetta;
using namespace std::chrono_literals;

QImage countdownAt(qint64 value)
{
    VirtualScheduler scheduler;
    RecordingSession session;
    session.setCountdownSeconds(3);
    session.setCountdownValue(3);
    const QSize size(1100, 700);
    CountdownOverlayView view(session, scheduler, false,
                              OverlayBackdrop::still(screenshots::madeUpDesktop(size)));
    view.resize(size);
    for (qint64 v = 2; v >= value; --v) {
        session.setCountdownValue(v);
        scheduler.advance(1000ms);
    }
    return view.grab().toImage();
}

struct HudState {
    qint64 seconds;
    bool autoStop;
    qint64 limit = 120;
    bool armDiscard = false;
};

// The HUD in a dark popover, as the shell frames it.
QImage hud(const HudState& state)
{
    VirtualScheduler scheduler;
    RecordingSession session;
    session.setFps(15);
    session.setCaptureMode(CaptureMode::area);
    session.setUseAutoStop(state.autoStop);
    session.setAutoStopSeconds(state.limit);
    session.setRecordingSeconds(state.seconds);
    RecordingHUDView view(
        session, scheduler, nullptr, false, [] {}, [] {});
    if (state.armDiscard) {
        view.discardRow()->discardRecordingButton()->click();
        scheduler.advance(1000ms);
    }
    const int margin = 24;
    QImage image(view.size() + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(70, 76, 90));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath popover;
    popover.addRoundedRect(QRectF(margin, margin, view.width(), view.height()), 12, 12);
    painter.fillPath(popover, QColor(28, 24, 36));
    painter.setPen(QPen(QColor(255, 255, 255, 30), 1));
    painter.drawPath(popover);
    view.render(&painter, QPoint(margin, margin), QRegion(), QWidget::DrawChildren);
    return image;
}

QImage toast(const Toast& shown, bool composited)
{
    ToastView view(shown, composited);
    const int margin = 20;
    const QSize size = view.size() + QSize(2 * margin, 2 * margin);
    QImage image = screenshots::madeUpDesktop(QSize(std::max(size.width(), 1000), 700))
                       .copy(QRect(QPoint(80, 30), size));
    QPainter painter(&image);
    view.render(&painter, QPoint(margin, margin), QRegion(), QWidget::DrawChildren);
    return image;
}

const Toast encoding{QStringLiteral("Encoding GIF…"), QStringLiteral("gearshape.fill"),
                     QStringLiteral("7C3AED"), false, ToastKind::encoding};
const Toast copied{QStringLiteral("GIF copied to clipboard · 2.4 MB"),
                   QStringLiteral("checkmark.circle.fill"), QString(), true, ToastKind::copied};
const Toast saved{QStringLiteral("Too big to copy (14.2 MB) — saved to Downloads"),
                  QStringLiteral("checkmark.circle.fill"), QString(), true,
                  ToastKind::savedToDownloads};

const bool registered = screenshots::add("overlays", [] {
    return std::vector<screenshots::Shot>{
        {QStringLiteral("countdown-3"), countdownAt(3)},
        {QStringLiteral("countdown-1"), countdownAt(1)},
        {QStringLiteral("hud-0-59"), hud({59, false})},
        {QStringLiteral("hud-1-00"), hud({60, false})},
        {QStringLiteral("hud-2-05"), hud({125, false})},
        {QStringLiteral("hud-0-59-auto-stop"), hud({59, true})},
        {QStringLiteral("hud-1-00-auto-stop"), hud({60, true})},
        {QStringLiteral("hud-2-05-auto-stop"), hud({125, true, 300})},
        {QStringLiteral("hud-auto-stop-warning"), hud({25, true, 30})},
        {QStringLiteral("hud-discard-armed"), hud({42, true, 120, true})},
        {QStringLiteral("toast-encoding"), toast(encoding, true)},
        {QStringLiteral("toast-copied"), toast(copied, true)},
        {QStringLiteral("toast-saved-to-downloads"), toast(saved, true)},
        {QStringLiteral("toast-copied-opaque"), toast(copied, false)},
    };
});

} // namespace
