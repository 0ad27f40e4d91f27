#include "ui/preview/PreviewTitleBar.h"

#include "model/RecordingSession.h"
#include "model/SizeText.h"
#include "ui/panel/Theme.h"
#include "ui/preview/PreviewModel.h"
#include "ui/preview/PreviewPainting.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace kinetta
{

namespace
{

constexpr qreal badgePadX = 8;
constexpr qreal badgeHeight = 22;
constexpr qreal badgeSpacing = 6;
constexpr qreal symbolSize = 9;
constexpr qreal busyWidth = 28;

} // namespace

std::vector<StatBadge> titleBadges(const PreviewModel& model)
{
    std::vector<StatBadge> badges;
    if (const std::optional<QString> dimensions = model.captureDimensions())
        badges.push_back({QStringLiteral("aspectratio"), *dimensions});
    badges.push_back({QStringLiteral("film"), QString::number(model.selectedFrameCount()) +
                                                  QStringLiteral(" frames")});
    badges.push_back({QStringLiteral("clock"), model.durationStr()});
    if (!model.isEncoding() && model.gifData())
        badges.push_back({QStringLiteral("doc.zipper"), formattedSize(model.gifData()->size())});
    return badges;
}

QString titleStatisticsLabel(const PreviewModel& model)
{
    QStringList parts;
    if (const std::optional<QString> dimensions = model.captureDimensions())
        parts << *dimensions;
    parts << QString::number(model.selectedFrameCount()) + QStringLiteral(" frames, ") +
                 model.durationStr();
    if (model.gifData() && !model.isEncoding())
        parts << formattedSize(model.gifData()->size());
    else if (model.isEncoding())
        parts << QStringLiteral("encoding");
    return parts.join(QStringLiteral("; "));
}

PreviewTitleBar::PreviewTitleBar(PreviewModel& model, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(&m_model, &PreviewModel::changed, this, &PreviewTitleBar::refresh);
    connect(&m_model, &PreviewModel::framesChanged, this, &PreviewTitleBar::refresh);
    refresh();
}

QSize PreviewTitleBar::sizeHint() const
{
    return {680, 13 + 22 + 13};
}

void PreviewTitleBar::refresh()
{
    setAccessibleName(titleStatisticsLabel(m_model));
    update();
}

void PreviewTitleBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), PreviewColors::bar);
    const qreal mid = height() / 2.0;

    // The logo: a brand-gradient disc with a white dot at its centre.
    const QRectF logo(16, mid - 11, 22, 22);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::kinettaGradient(logo));
    painter.drawEllipse(logo);
    painter.setBrush(Qt::white);
    painter.drawEllipse(logo.center(), 3.5, 3.5);

    qreal x = logo.right() + 10;
    x += paintSymbolAndText(painter, {x, mid}, {}, 0, QStringLiteral("Kinetta"),
                            previewFont(*this, 13, QFont::DemiBold), Qt::white, 0) +
         10;
    paintSymbolAndText(painter, {x, mid}, {}, 0, QStringLiteral("Preview"),
                       previewFont(*this, 13), withOpacity(Qt::white, 0.35), 0);

    // The figures, right-aligned.
    const QFont font = previewFont(*this, 11);
    const QColor ink = withOpacity(Qt::white, 0.55);
    const std::vector<StatBadge> badges = titleBadges(m_model);
    qreal right = width() - 16;
    if (m_model.isEncoding()) {
        right -= busyWidth;
        const QRectF ring(right + busyWidth / 2 - 5.5, mid - 5.5, 11, 11);
        paintBusyRing(painter, ring, Theme::ktPurple(), 1.6);
        right -= badgeSpacing;
    }
    for (auto badge = badges.rbegin(); badge != badges.rend(); ++badge) {
        const qreal inner = symbolAndTextWidth(badge->symbol, symbolSize, badge->text, font, 4);
        const QRectF box(right - inner - 2 * badgePadX, mid - badgeHeight / 2,
                         inner + 2 * badgePadX, badgeHeight);
        painter.setPen(Qt::NoPen);
        painter.setBrush(withOpacity(Qt::white, 0.06));
        painter.drawRoundedRect(box, badgeHeight / 2, badgeHeight / 2);
        paintSymbolAndText(painter, {box.left() + badgePadX, mid}, badge->symbol, symbolSize,
                           badge->text, font, ink, 4);
        right = box.left() - badgeSpacing;
    }
}

} // namespace kinetta
