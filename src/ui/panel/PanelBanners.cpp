#include "ui/panel/PanelBanners.h"

#include "ui/common/Symbols.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelStyle.h"
#include "ui/panel/PanelTexts.h"
#include "ui/panel/Theme.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace kinetta
{
namespace
{

constexpr qreal kBannerSymbolSize = 11;
constexpr qreal kErrorSymbolSize = 12;

QString keyWatcherCaption()
{
    return QStringLiteral("The global Ctrl+Shift+G hotkey is not reaching Kinetta: it could not "
                          "start watching the keyboard. If you just updated Kinetta, its old key "
                          "watcher may be stale — this sets it up afresh for you.");
}

} // namespace

HotKeyBanner::HotKeyBanner(QWidget* parent)
    : QWidget(parent),
      m_caption(new panel::PanelLabel(keyWatcherCaption(), panel::font(panel::kCaptionSize),
                                      panel::white(0.8), this, panel::PanelLabel::Wrap::words)),
      m_repair(new panel::TextButton({QStringLiteral("arrow.clockwise"), 11,
                                      QStringLiteral("Reset & Enable Hotkey"),
                                      panel::font(11, QFont::Medium), Theme::ktPurple()},
                                     this))
{
    m_repair->setAccessibleName(
        QStringLiteral("Reset and enable the key watcher for the global hotkey"));
    m_repair->setAccessibleDescription(QStringLiteral(
        "Removes Kinetta's key watcher and installs it afresh, so the hotkey works again"));
    auto* layout = new QVBoxLayout(this);
    // Room on the left for the painted key symbol; one point for the top divider.
    layout->setContentsMargins(14 + qRound(kBannerSymbolSize) + 8, 10 + 1, 14, 10);
    layout->setSpacing(6);
    layout->addWidget(m_caption);
    layout->addWidget(m_repair, 0, Qt::AlignLeft);
    connect(m_repair, &QAbstractButton::clicked, this, &HotKeyBanner::repairRequested);
}

QString HotKeyBanner::caption() const
{
    return m_caption->text();
}

void HotKeyBanner::setCaption(const QString& text)
{
    m_caption->setText(text.isEmpty() ? keyWatcherCaption() : text);
}

void HotKeyBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), panel::withOpacity(Theme::ktPurple(), 0.08));
    panel::paintDivider(painter, 0, width(), 0);
    const qreal lineHeight = QFontMetricsF(panel::font(panel::kCaptionSize)).height();
    Symbols::paint(
        painter,
        QRectF(14, 11 + (lineHeight - kBannerSymbolSize) / 2, kBannerSymbolSize, kBannerSymbolSize),
        QStringLiteral("key.fill"), Theme::ktPurple());
}

QColor ErrorBanner::yellow()
{
    return {255, 214, 10};
}

ErrorBanner::ErrorBanner(QWidget* parent)
    : QWidget(parent),
      m_text(new panel::PanelLabel(QString(), panel::font(panel::kCaptionSize), panel::white(0.8),
                                   this, panel::PanelLabel::Wrap::words)),
      m_dismiss(new panel::TextButton({QStringLiteral("xmark"), 10, QString(), panel::font(10),
                                       panel::white(0.55), Qt::transparent, 2, 2},
                                      this)),
      m_fixRow(new QWidget(this)),
      m_settings(new panel::TextButton({QStringLiteral("arrow.up.right.square"), 11,
                                        QStringLiteral("Open Settings"),
                                        panel::font(11, QFont::Medium), yellow()},
                                       m_fixRow)),
      m_relaunch(new panel::TextButton({QString(), 0, QStringLiteral("Relaunch"),
                                        panel::font(11, QFont::DemiBold), Qt::white,
                                        panel::withOpacity(yellow(), 0.25), 10, 4, 4},
                                       m_fixRow))
{
    m_dismiss->setAccessibleName(QStringLiteral("Dismiss error"));
    m_settings->setAccessibleDescription(
        QStringLiteral("Opens your desktop's settings to allow screen capture"));
    m_relaunch->setAccessibleDescription(
        QStringLiteral("Starts Kinetta again so that it can capture the screen"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    // Room for the painted warning symbol.
    top->addSpacing(qRound(kErrorSymbolSize) + 8); // a spacer gets no spacing of its own
    top->addWidget(m_text, 1, Qt::AlignTop);
    top->addWidget(m_dismiss, 0, Qt::AlignTop);
    layout->addLayout(top);
    auto* fixes = new QHBoxLayout(m_fixRow);
    fixes->setContentsMargins(0, 0, 0, 0);
    fixes->setSpacing(8);
    fixes->addWidget(m_settings);
    fixes->addWidget(m_relaunch);
    fixes->addStretch(1);
    layout->addWidget(m_fixRow);

    connect(m_dismiss, &QAbstractButton::clicked, this, &ErrorBanner::dismissRequested);
    connect(m_settings, &QAbstractButton::clicked, this, &ErrorBanner::openSettingsRequested);
    connect(m_relaunch, &QAbstractButton::clicked, this, &ErrorBanner::relaunchRequested);
}

void ErrorBanner::setMessage(const QString& message)
{
    m_text->setText(errorBannerText(message));
    m_fixRow->setVisible(isScreenCaptureRefusal(message));
}

QString ErrorBanner::text() const
{
    return m_text->text();
}

void ErrorBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), panel::withOpacity(yellow(), 0.12));
    const qreal lineHeight = QFontMetricsF(panel::font(panel::kCaptionSize)).height();
    Symbols::paint(
        painter,
        QRectF(10, 10 + (lineHeight - kErrorSymbolSize) / 2, kErrorSymbolSize, kErrorSymbolSize),
        QStringLiteral("exclamationmark.triangle.fill"), yellow());
}

} // namespace kinetta
