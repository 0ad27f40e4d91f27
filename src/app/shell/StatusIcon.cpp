#include "app/shell/StatusIcon.h"

#include "app/shell/StatusIconPainting.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>

namespace kinetta
{
namespace
{

// Draws the picture afresh for each size the tray asks for, instead of
// scaling one drawing: each size gets the layout that reads at that size.
class StatusIconEngine final : public QIconEngine
{
public:
    explicit StatusIconEngine(StatusAppearance appearance) : m_appearance(appearance) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(rect.width(), rect.height());
        if (side <= 0)
            return;
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QRectF target(rect.x() + (rect.width() - side) / 2.0,
                            rect.y() + (rect.height() - side) / 2.0, side, side);
        painter->drawImage(target, statusIconImage(m_appearance, side, ratio));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // size is in device pixels; scale is the ratio they stand in.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override
    {
        const qreal ratio = scale > 0 ? scale : 1.0;
        const int side = int(std::lround(std::min(size.width(), size.height()) / ratio));
        if (side <= 0)
            return {};
        return QPixmap::fromImage(statusIconImage(m_appearance, side, ratio));
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
    }

    QString key() const override { return QStringLiteral("KinettaStatusIcon"); }

    QIconEngine* clone() const override { return new StatusIconEngine(m_appearance); }

private:
    StatusAppearance m_appearance;
};

} // namespace

QIcon statusIcon(const StatusAppearance& appearance)
{
    return QIcon(new StatusIconEngine(appearance));
}

QImage statusIconImage(const StatusAppearance& appearance, int sizePx, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int pixels = std::max(1, int(std::lround(sizePx * ratio)));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = pixels / ratio;
    switch (appearance.state) {
    case StatusAppearance::State::idle:
    case StatusAppearance::State::countdownEnded:
        statusicon::paintIdle(painter, side);
        break;
    case StatusAppearance::State::countingDown:
        statusicon::paintCountdown(painter, side, appearance.countdown);
        break;
    case StatusAppearance::State::recording:
        statusicon::paintRecording(painter, side, appearance.seconds);
        break;
    }
    return image;
}

} // namespace kinetta
