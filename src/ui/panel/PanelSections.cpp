#include "ui/panel/PanelSections.h"

#include "ui/common/Symbols.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelStyle.h"
#include "ui/panel/Theme.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>

namespace kinetta
{
namespace
{

constexpr qreal kHeaderHorizontalPadding = 14;
constexpr qreal kHeaderVerticalPadding = 11;
constexpr qreal kLogoSize = 24;
constexpr qreal kLogoDot = 8;
constexpr qreal kHeaderSpacing = 8;

const QFont& titleFont()
{
    static const QFont font = panel::font(14, QFont::DemiBold);
    return font;
}

const QFont& badgeFont()
{
    static const QFont font = panel::font(9, QFont::DemiBold, panel::Face::monospaced);
    return font;
}

const QFont& sizeFont()
{
    static const QFont font = panel::font(10, QFont::Normal, panel::Face::monospaced);
    return font;
}

} // namespace

PanelHeader::PanelHeader(QWidget* parent)
    : QWidget(parent),
      m_menu(new panel::TextButton({QString(), 11, QStringLiteral("Menu"),
                                    panel::font(11, QFont::Medium), panel::white(0.55),
                                    panel::white(0.06), 7, 5, 5},
                                   this)),
      m_quit(new panel::TextButton(
                           {QStringLiteral("power"), 11, QString(), panel::font(11, QFont::Medium),
                            panel::white(0.4), panel::white(0.06), 5, 5, 5},
                           this))
{
    m_quit->setAccessibleName(QStringLiteral("Quit Kinetta"));
    m_quit->setToolTip(QStringLiteral("Quit Kinetta (Ctrl+Q)"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, qRound(kHeaderHorizontalPadding), 0);
    layout->setSpacing(qRound(kHeaderSpacing) / 2);
    layout->addStretch(1);
    m_menu->setAccessibleName(QStringLiteral("Kinetta menu"));
    m_menu->setVisible(false);
    layout->addWidget(m_menu, 0, Qt::AlignVCenter);
    layout->addWidget(m_quit, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize PanelHeader::sizeHint() const
{
    return {300, qRound(kLogoSize + 2 * kHeaderVerticalPadding)};
}

void PanelHeader::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal middle = height() / 2.0;
    const QRectF logo(kHeaderHorizontalPadding, middle - kLogoSize / 2, kLogoSize, kLogoSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::kinettaGradient(logo));
    painter.drawEllipse(logo);
    painter.setBrush(Qt::white);
    painter.drawEllipse(
        QRectF(logo.center() - QPointF(kLogoDot / 2, kLogoDot / 2), QSizeF(kLogoDot, kLogoDot)));

    const QString name = QStringLiteral("Kinetta");
    const qreal nameLeft = logo.right() + kHeaderSpacing;
    const qreal nameWidth = panel::textWidth(name, titleFont()) + 1;
    panel::paintElidedText(painter, QRectF(nameLeft, 0, nameWidth, height()), name, titleFont(),
                           Qt::white);

    const QFontMetricsF badgeMetrics(badgeFont());
    const QRectF badge(nameLeft + nameWidth + kHeaderSpacing,
                       middle - (badgeMetrics.height() + 6) / 2,
                       badgeMetrics.horizontalAdvance(kHotKeyText) + 12, badgeMetrics.height() + 6);
    panel::paintCard(painter, badge, 4, panel::white(0.06), Qt::transparent);
    panel::paintElidedText(painter, badge, kHotKeyText, badgeFont(), panel::white(0.28),
                           Qt::AlignCenter);
}

OutputSizeLine::OutputSizeLine(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void OutputSizeLine::setSizeText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(QStringLiteral("Output dimensions: ") + text);
    update();
}

QSize OutputSizeLine::sizeHint() const
{
    return {200, qRound(QFontMetricsF(sizeFont()).height())};
}

void OutputSizeLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    constexpr qreal symbolSize = 9;
    Symbols::paint(painter, QRectF(0, (height() - symbolSize) / 2, symbolSize, symbolSize),
                   QStringLiteral("arrow.up.left.and.arrow.down.right"),
                   panel::withOpacity(Theme::ktPurple(), 0.75));
    panel::paintElidedText(painter, QRectF(symbolSize + 5, 0, width() - symbolSize - 5, height()),
                           m_text, sizeFont(), panel::white(0.38));
}

AccessibleGroup::AccessibleGroup(const QString& name, QWidget* parent) : QWidget(parent)
{
    setAccessibleName(name);
}

} // namespace kinetta
