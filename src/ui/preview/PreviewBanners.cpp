#include "ui/preview/PreviewBanners.h"

#include "model/SizeText.h"
#include "ui/common/Symbols.h"
#include "ui/preview/PreviewModel.h"
#include "ui/preview/PreviewPainting.h"
#include "ui/preview/SymbolButton.h"
#include "ui/preview/TextButton.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <algorithm>

namespace kinetta
{

namespace
{

constexpr int bannerHeight = 8 + 18 + 8;
constexpr qreal symbolSize = 12;

void paintMessage(QPainter& painter, const QWidget& banner, const QString& symbol,
                  const QColor& tint, const QString& text, double textOpacity, qreal rightLimit)
{
    const qreal mid = banner.height() / 2.0;
    Symbols::paint(painter, QRectF(14, mid - symbolSize / 2, symbolSize, symbolSize), symbol, tint);
    const QFont font = previewFont(banner, 11);
    const qreal left = 14 + symbolSize + 10;
    const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, rightLimit - left);
    paintSymbolAndText(painter, {left, mid}, {}, 0, shown, font,
                       withOpacity(Qt::white, textOpacity), 0);
}

} // namespace

SizeBannerState sizeBannerState(const PreviewModel& model)
{
    if (model.isOptimized())
        return SizeBannerState::optimized;
    return model.isLargeFile() ? SizeBannerState::large : SizeBannerState::hidden;
}

QString sizeBannerText(const PreviewModel& model)
{
    if (!model.gifData())
        return {};
    const qint64 size = model.gifData()->size();
    switch (sizeBannerState(model)) {
    case SizeBannerState::large:
        return QStringLiteral("GIF is ") + formattedSize(size) +
               QStringLiteral(" — click Optimize to reduce size.");
    case SizeBannerState::optimized:
        return QStringLiteral("Optimized — saved ") +
               formattedSize(std::max<qint64>(model.preOptimizeSize().value_or(size) - size, 0)) +
               QLatin1Char('.');
    case SizeBannerState::hidden:
        break;
    }
    return {};
}

PreviewSizeBanner::PreviewSizeBanner(PreviewModel& model, const PreviewMotion& motion,
                                     QWidget* parent)
    : QWidget(parent), m_model(model), m_motion(motion),
      m_open(motion.scheduler, 0.0, [this] { followOpenness(); }),
      m_green(motion.scheduler, 0.0, [this] { update(); })
{
    setFixedHeight(0);
    hide();
    m_button = new TextButton(QStringLiteral("Optimize"), 11, QFont::DemiBold,
                              PreviewColors::amber, this);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 0, 14, 0);
    row->addStretch(1);
    row->addWidget(m_button);
    connect(m_button, &TextButton::clicked, this, [this] {
        if (m_model.isOptimized())
            m_model.undoOptimize();
        else
            m_model.optimize();
    });
    connect(&m_model, &PreviewModel::changed, this, &PreviewSizeBanner::refresh);
    refresh();
}

void PreviewSizeBanner::refresh()
{
    m_state = sizeBannerState(m_model);
    const bool optimized = m_state == SizeBannerState::optimized;
    m_button->setText(optimized ? QStringLiteral("Undo") : QStringLiteral("Optimize"));
    m_button->setAccessibleName(optimized ? QStringLiteral("Undo optimization")
                                          : QStringLiteral("Optimize GIF by removing alternate frames"));
    setAccessibleName(text());
    if (m_state != SizeBannerState::hidden) {
        m_shownState = m_state;
        m_shownText = text();
        show();
    }
    m_motion.follow(m_open, m_state == SizeBannerState::hidden ? 0.0 : 1.0,
                    PreviewMotion::bannerChange, PreviewMotion::easeInOut());
    m_motion.follow(m_green, optimized ? 1.0 : 0.0, PreviewMotion::bannerChange,
                    PreviewMotion::easeInOut());
    update();
}

void PreviewSizeBanner::followOpenness()
{
    setFixedHeight(qRound(bannerHeight * m_open.value()));
    // Closed for good only once it has closed all the way.
    if (m_open.value() == 0.0 && m_open.target() == 0.0)
        hide();
    update();
}

void PreviewSizeBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool optimized = m_shownState == SizeBannerState::optimized;
    painter.fillRect(rect(), PreviewColors::background);
    const qreal green = m_green.value();
    painter.fillRect(rect(), withOpacity(PreviewColors::amber, 0.10 * (1.0 - green)));
    painter.fillRect(rect(), withOpacity(PreviewColors::green, 0.08 * green));
    paintMessage(painter, *this,
                 optimized ? QStringLiteral("checkmark.circle.fill")
                           : QStringLiteral("exclamationmark.triangle.fill"),
                 optimized ? PreviewColors::green : PreviewColors::amber, m_shownText, 0.75,
                 m_button->geometry().left() - 10);
}

PreviewErrorBanner::PreviewErrorBanner(PreviewModel& model, QWidget* parent)
    : QWidget(parent), m_model(model),
      m_dismiss(new SymbolButton(QStringLiteral("xmark"), QStringLiteral("Dismiss error"), 14, this))
{
    setFixedHeight(bannerHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 0, 14, 0);
    row->addStretch(1);
    row->addWidget(m_dismiss);
    connect(m_dismiss, &SymbolButton::clicked, &m_model, &PreviewModel::dismissEncodeError);
    connect(&m_model, &PreviewModel::changed, this, &PreviewErrorBanner::refresh);
    refresh();
}

void PreviewErrorBanner::refresh()
{
    setAccessibleName(m_model.encodeError().value_or(QString()));
    setVisible(m_model.encodeError().has_value());
    update();
}

void PreviewErrorBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), PreviewColors::background);
    painter.fillRect(rect(), withOpacity(PreviewColors::red, 0.12));
    paintMessage(painter, *this, QStringLiteral("xmark.octagon.fill"), PreviewColors::red,
                 m_model.encodeError().value_or(QString()), 0.8,
                 m_dismiss->geometry().left() - 10);
}

} // namespace kinetta
