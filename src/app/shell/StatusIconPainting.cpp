#include "app/shell/StatusIconPainting.h"

#include "app/shell/StatusTexts.h"
#include "ui/common/Symbols.h"
#include "ui/overlays/OverlayPainting.h"
#include "ui/panel/Theme.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace kinetta::statusicon
{
namespace
{

// Below this height (device-independent pixels) digits blur into blobs at a
// tray's viewing distance.
constexpr qreal legibleDigitHeight = 8;
// The elapsed time's digits against the side, in the layout that shows it.
constexpr qreal timeDigitShare = 0.27;

// A dark that reads on a light panel, outlined in white to read on a dark one.
const QColor badgeFill(28, 28, 30);
const QColor badgeOutline(255, 255, 255, 220);

QRectF square(QPointF centre, qreal side)
{
    return {centre.x() - side / 2, centre.y() - side / 2, side, side};
}

// Times and minutes are set condensed: "10:00" in a regular width needs a
// third more room than a 48-pixel icon has.
enum class Width { regular, condensed };

QPainterPath boldText(const QString& text, Width width)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    font.setPixelSize(100);
    if (width == Width::condensed)
        font.setStretch(QFont::Condensed);
    QPainterPath path;
    path.addText(0, 0, font, text);
    return path;
}

// text's ink scaled to height (less when it would be wider than maxWidth),
// centred on centre.
QPainterPath fittedText(const QString& text, Width width, qreal height, qreal maxWidth,
                        QPointF centre)
{
    const QPainterPath ink = boldText(text, width);
    const QRectF bounds = ink.boundingRect();
    if (bounds.isEmpty())
        return {};
    const qreal scale = std::min(height / bounds.height(), maxWidth / bounds.width());
    QTransform place;
    place.translate(centre.x(), centre.y());
    place.scale(scale, scale);
    place.translate(-bounds.center().x(), -bounds.center().y());
    return place.map(ink);
}

// Width of condensed text's ink when its digits are height tall.
qreal condensedWidth(const QString& text, qreal height)
{
    const QRectF bounds = boldText(text, Width::condensed).boundingRect();
    return bounds.isEmpty() ? 0 : bounds.width() * height / bounds.height();
}

void paintDisc(QPainter& painter, const QRectF& box, const QBrush& fill)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
}

// Room the rounded ends of a label take from its text.
qreal labelInset(qreal height)
{
    return height * 0.35;
}

// A rounded label with white condensed text: the minutes badge and the elapsed time.
void paintLabel(QPainter& painter, const QRectF& box, const QString& text, qreal digitHeight)
{
    const qreal radius = box.height() * 0.3;
    painter.setPen(QPen(badgeOutline, 1));
    painter.setBrush(badgeFill);
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.fillPath(fittedText(text, Width::condensed, digitHeight,
                                box.width() - labelInset(box.height()), box.center()),
                     Qt::white);
}

// The stop symbol in a ring whose red arc has gone round the seconds of the
// current minute, from the top, clockwise.
void paintDial(QPainter& painter, const QRectF& box, qint64 seconds)
{
    const qreal side = box.width();
    const qreal ringWidth = std::max(1.5, side * 0.12);
    const QRectF ringBox =
        box.adjusted(ringWidth / 2, ringWidth / 2, -ringWidth / 2, -ringWidth / 2);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(128, 128, 128, 150), ringWidth));
    painter.drawEllipse(ringBox);
    const qint64 intoMinute = std::max<qint64>(0, seconds) % 60;
    if (intoMinute > 0) {
        painter.setPen(QPen(overlaypaint::systemRed(), ringWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawArc(ringBox, 90 * 16, -int(intoMinute * 360 * 16 / 60));
    }

    const qreal gap = std::max(1.0, side * 0.06);
    const qreal discRadius = side / 2 - ringWidth - gap;
    // The symbol's square is cut out of its disc; white behind it keeps the
    // square white on any panel.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(box.center(), discRadius * 0.7, discRadius * 0.7);
    // The symbol's disc has a radius of 10.5 in its 24-unit square.
    const qreal symbolSide = discRadius * Symbols::designSize / 10.5;
    Symbols::paint(painter, square(box.center(), symbolSide), u"stop.circle.fill",
                   overlaypaint::systemRed());
}

} // namespace

bool showsElapsedTime(qreal side, qint64 seconds)
{
    const qreal digitHeight = side * timeDigitShare;
    if (digitHeight < legibleDigitHeight)
        return false;
    const qreal labelHeight = digitHeight / 0.7;
    return condensedWidth(elapsedTimeText(seconds), digitHeight) <= side - labelInset(labelHeight);
}

void paintIdle(QPainter& painter, qreal side)
{
    const QRectF box(0, 0, side, side);
    paintDisc(painter, box, Theme::ktPurple());
    Symbols::paint(painter, square(box.center(), side * 0.8), u"record.circle", Qt::white);
}

void paintCountdown(QPainter& painter, qreal side, qint64 value)
{
    const QRectF box(0, 0, side, side);
    paintDisc(painter, box, Theme::kinettaGradient(box));
    painter.fillPath(
        fittedText(QString::number(value), Width::regular, side * 0.56, side * 0.74, box.center()),
        Qt::white);
}

void paintRecording(QPainter& painter, qreal side, qint64 seconds)
{
    if (showsElapsedTime(side, seconds)) {
        const qreal digitHeight = side * timeDigitShare;
        const qreal labelHeight = digitHeight / 0.7;
        const qreal dialSide = side - labelHeight - side * 0.04;
        paintDial(painter, QRectF((side - dialSide) / 2, 0, dialSide, dialSide), seconds);
        paintLabel(painter, QRectF(0, side - labelHeight, side, labelHeight),
                   elapsedTimeText(seconds), digitHeight);
        return;
    }
    paintDial(painter, QRectF(0, 0, side, side), seconds);
    const qint64 minutes = std::max<qint64>(0, seconds) / 60;
    if (minutes == 0)
        return;
    const QString text = QString::number(minutes);
    const qreal badgeHeight = std::max(10.0, side * 0.5);
    const qreal digitHeight = badgeHeight * 0.72;
    const qreal badgeWidth = std::min(
        side, std::max(badgeHeight, condensedWidth(text, digitHeight) + labelInset(badgeHeight)));
    paintLabel(painter, QRectF(side - badgeWidth, side - badgeHeight, badgeWidth, badgeHeight),
               text, digitHeight);
}

} // namespace kinetta::statusicon
