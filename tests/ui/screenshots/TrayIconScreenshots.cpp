// The tray icon in every state on a dark and a light panel, enlarged without
// smoothing so each pixel can be judged, and the tray menu in each state.
#include "Screenshots.h"
#include "app/shell/StatusIcon.h"
#include "app/shell/StatusTexts.h"
#include "app/shell/TrayMenu.h"

#include <QFont>
#include <QMenu>
#include <QPainter>

namespace
{

using namespace kinetta;

struct Sample {
    StatusAppearance appearance;
    QString caption;
};

const std::vector<Sample>& samples()
{
    static const std::vector<Sample> all = {
        {StatusAppearance::idle(), QStringLiteral("idle")},
        {StatusAppearance::countingDown(3), QStringLiteral("countdown 3")},
        {StatusAppearance::countingDown(10), QStringLiteral("countdown 10")},
        {StatusAppearance::recording(5), QStringLiteral("0:05")},
        {StatusAppearance::recording(83), QStringLiteral("1:23")},
        {StatusAppearance::recording(600), QStringLiteral("10:00")},
        {StatusAppearance::countdownEnded(), QStringLiteral("countdown ended")},
    };
    return all;
}

// Panel colours of common desktop themes, one dark and one light.
const QColor darkPanel(40, 40, 44);
const QColor lightPanel(236, 236, 238);

// One panel strip at the icon's real size: the icons side by side with the
// spacing a tray gives them.
QImage panelStrip(int size, qreal ratio, const QColor& panel)
{
    const int gap = 8;
    const int count = int(samples().size());
    QImage strip(int((gap + count * (size + gap)) * ratio), int((size + 2 * gap) * ratio),
                 QImage::Format_ARGB32_Premultiplied);
    strip.fill(panel);
    QPainter painter(&strip);
    for (int i = 0; i < count; ++i) {
        const QImage icon = statusIconImage(samples()[size_t(i)].appearance, size, ratio);
        // The strip counts device pixels; the icon covers size * ratio of them.
        painter.drawImage(
            QRectF((gap + i * (size + gap)) * ratio, gap * ratio, size * ratio, size * ratio),
            icon);
    }
    return strip;
}

// Both strips enlarged by zoom (nearest neighbour), with a caption per state.
QImage enlargedSheet(int size, qreal ratio, int zoom)
{
    const QImage dark = panelStrip(size, ratio, darkPanel);
    const QImage light = panelStrip(size, ratio, lightPanel);
    const QSize big = dark.size() * zoom;
    const int captionHeight = 22;
    QImage sheet(big.width(), 2 * big.height() + captionHeight,
                 QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.drawImage(QPoint(0, 0),
                      dark.scaled(big, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    painter.drawImage(QPoint(0, big.height()),
                      light.scaled(big, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    painter.setPen(Qt::black);
    painter.setFont(QFont(QStringLiteral("Sans"), 9));
    const qreal step = (size + 8) * ratio * zoom;
    for (size_t i = 0; i < samples().size(); ++i)
        painter.drawText(QRectF(8 * ratio * zoom + qreal(i) * step - 4 * ratio * zoom,
                                2 * big.height(), step, captionHeight),
                         Qt::AlignCenter, samples()[i].caption);
    return sheet;
}

// The strips at their real size for every size a tray asks for, as a person
// sees them on the screen.
QImage actualSizes()
{
    std::vector<QImage> strips;
    for (const int size : {16, 22, 24, 32, 48}) {
        strips.push_back(panelStrip(size, 1, darkPanel));
        strips.push_back(panelStrip(size, 1, lightPanel));
    }
    int width = 0;
    int height = 0;
    for (const QImage& strip : strips) {
        width = std::max(width, strip.width());
        height += strip.height();
    }
    QImage sheet(width, height, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    int y = 0;
    for (const QImage& strip : strips) {
        painter.drawImage(QPoint(0, y), strip);
        y += strip.height();
    }
    return sheet;
}

QImage menuIn(const TrayMenuState& state)
{
    QMenu menu;
    fillTrayMenu(
        menu,
        trayMenuEntries(state, versionLine(QStringLiteral("0.1.0"), QStringLiteral("2467d44"))),
        [](TrayAction) {});
    menu.adjustSize();
    return menu.grab().toImage();
}

const bool registered = screenshots::add("tray-icon", [] {
    using Phase = TrayMenuState::Phase;
    return std::vector<screenshots::Shot>{
        {QStringLiteral("tray-icon-22px"), enlargedSheet(22, 1, 6)},
        {QStringLiteral("tray-icon-22px-ratio2"), enlargedSheet(22, 2, 3)},
        {QStringLiteral("tray-icon-48px"), enlargedSheet(48, 1, 3)},
        {QStringLiteral("tray-icon-actual-size"), actualSizes()},
        {QStringLiteral("tray-menu-idle"), menuIn({Phase::idle, false})},
        {QStringLiteral("tray-menu-idle-after-recording"), menuIn({Phase::idle, true})},
        {QStringLiteral("tray-menu-counting-down"), menuIn({Phase::countingDown, false})},
        {QStringLiteral("tray-menu-recording"), menuIn({Phase::recording, false})},
    };
});

} // namespace
