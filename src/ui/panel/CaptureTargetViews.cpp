#include "ui/panel/CaptureTargetViews.h"

#include "ui/common/Symbols.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelStyle.h"
#include "ui/panel/Theme.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace kinetta
{
namespace
{

constexpr qreal kCardRadius = 10;

void paintPanelCard(QPainter& painter, const QRectF& rect, qreal radius = kCardRadius)
{
    panel::paintCard(painter, rect, radius, Theme::panelSurface(), Theme::panelBorder());
}

const QFont& promptFont()
{
    static const QFont font = panel::font(13, QFont::Medium);
    return font;
}

// Symbol, text and chevron across a card, as the empty window and area
// states show them.
void paintPromptCard(QPainter& painter, const QRectF& bounds, const QString& symbol,
                     const QString& text)
{
    paintPanelCard(painter, bounds);
    constexpr qreal symbolSize = 15;
    constexpr qreal chevronSize = 10;
    const qreal left = 12;
    Symbols::paint(painter,
                   QRectF(left, (bounds.height() - symbolSize) / 2, symbolSize, symbolSize), symbol,
                   Theme::ktPurple());
    const qreal textLeft = left + symbolSize + 8;
    const qreal chevronLeft = bounds.width() - 12 - chevronSize;
    panel::paintElidedText(painter,
                           QRectF(textLeft, 0, chevronLeft - textLeft - 8, bounds.height()), text,
                           promptFont(), panel::white(0.7));
    Symbols::paint(
        painter, QRectF(chevronLeft, (bounds.height() - chevronSize) / 2, chevronSize, chevronSize),
        QStringLiteral("chevron.right"), panel::white(0.2));
}

int promptCardHeight(qreal verticalPadding)
{
    return qRound(std::max(15.0, QFontMetricsF(promptFont()).height()) + 2 * verticalPadding);
}

panel::TextButton* pinkTextButton(const QString& text, QWidget* parent)
{
    return new panel::TextButton(
        {QString(), 0, text, panel::font(11, QFont::DemiBold), Theme::ktPink()}, parent);
}

} // namespace

ChosenWindowCard::ChosenWindowCard(QWidget* parent)
    : QWidget(parent), m_change(pinkTextButton(QStringLiteral("Change"), this))
{
    m_change->setAccessibleName(QStringLiteral("Change window"));
    m_change->setAccessibleDescription(
        QStringLiteral("Opens window picker to choose a different window"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12 + kIconSize + 10, 10, 12, 10);
    layout->addStretch(1);
    layout->addWidget(m_change, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_change, &QAbstractButton::clicked, this, &ChosenWindowCard::changeRequested);
}

void ChosenWindowCard::setWindow(const WindowInfo& window, const QImage& icon)
{
    m_window = window;
    m_icon = icon;
    setAccessibleName(window.appName);
    setAccessibleDescription(window.title);
    update();
}

QSize ChosenWindowCard::sizeHint() const
{
    const qreal lines = QFontMetricsF(panel::font(12, QFont::DemiBold)).height() +
                        QFontMetricsF(panel::font(10)).height();
    return {268, qRound(std::max<qreal>(kIconSize, lines) + 20)};
}

void ChosenWindowCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds = QRectF(rect());
    paintPanelCard(painter, bounds);

    const QRectF icon(12, (bounds.height() - kIconSize) / 2, kIconSize, kIconSize);
    if (!m_icon.isNull()) {
        painter.save();
        QPainterPath clip;
        clip.addRoundedRect(icon, 6, 6);
        painter.setClipPath(clip);
        painter.drawImage(icon, m_icon);
        painter.restore();
    }
    const QFont nameFont = panel::font(12, QFont::DemiBold);
    const QFont titleFont = panel::font(10);
    const qreal nameHeight = QFontMetricsF(nameFont).height();
    const qreal titleHeight = QFontMetricsF(titleFont).height();
    const qreal left = icon.right() + 10;
    const qreal right = m_change->geometry().left() - 10;
    const qreal top = (bounds.height() - nameHeight - titleHeight) / 2;
    panel::paintElidedText(painter, QRectF(left, top, right - left, nameHeight), m_window.appName,
                           nameFont, Qt::white);
    panel::paintElidedText(painter, QRectF(left, top + nameHeight, right - left, titleHeight),
                           m_window.title, titleFont, panel::white(0.4));
}

ChooseWindowButton::ChooseWindowButton(QWidget* parent) : QAbstractButton(parent)
{
    setText(QStringLiteral("Choose Window…"));
    setAccessibleName(QStringLiteral("Choose a window to record"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize ChooseWindowButton::sizeHint() const
{
    return {268, promptCardHeight(13)};
}

void ChooseWindowButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown())
        painter.setOpacity(0.75);
    paintPromptCard(painter, QRectF(rect()), QStringLiteral("macwindow.badge.plus"), text());
    if (hasFocus()) {
        painter.setPen(QPen(Theme::ktPink(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), kCardRadius - 1.5,
                                kCardRadius - 1.5);
    }
}

AreaHintCard::AreaHintCard(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(
        QStringLiteral("No area selected. Press Start Recording to draw a capture area."));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize AreaHintCard::sizeHint() const
{
    return {268, promptCardHeight(13)};
}

void AreaHintCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintPromptCard(painter, QRectF(rect()), QStringLiteral("crop"),
                    QStringLiteral("Draw a capture area"));
}

SavedAreaRow::SavedAreaRow(QWidget* parent)
    : QWidget(parent), m_reuse(pinkTextButton(QStringLiteral("Re-use"), this))
{
    m_reuse->setAccessibleName(QStringLiteral("Re-use last selected area"));
    setAccessibleName(QStringLiteral("Last selection saved"));
    auto* layout = new QHBoxLayout(this);
    // Room on the left for the painted symbol and text.
    const qreal textWidth =
        panel::textWidth(QStringLiteral("Last selection saved"), panel::font(11));
    layout->setContentsMargins(10 + 11 + 8 + qRound(textWidth) + 8, 7, 10, 7);
    layout->addStretch(1);
    layout->addWidget(m_reuse, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_reuse, &QAbstractButton::clicked, this, &SavedAreaRow::reuseRequested);
}

void SavedAreaRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect());
    paintPanelCard(painter, bounds, 8);
    constexpr qreal symbolSize = 11;
    Symbols::paint(painter, QRectF(10, (bounds.height() - symbolSize) / 2, symbolSize, symbolSize),
                   QStringLiteral("crop"), panel::white(0.5));
    const qreal left = 10 + symbolSize + 8;
    panel::paintElidedText(
        painter, QRectF(left, 0, m_reuse->geometry().left() - left - 8, bounds.height()),
        QStringLiteral("Last selection saved"), panel::font(11), panel::white(0.5));
}

} // namespace kinetta
