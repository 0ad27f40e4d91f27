#include "app/shell/TrayStatusItem.h"

#include "app/shell/StatusIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace kinetta
{

TrayStatusItem::TrayStatusItem(bool trayAvailable, EntriesFunction entries, QObject* parent)
    : QObject(parent), m_entries(std::move(entries))
{
    if (!trayAvailable)
        return;
    m_menu = std::make_unique<QMenu>();
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    // Built at every opening, so that its entries match the state of the moment.
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] { fillMenu(*m_menu); });
    m_icon = std::make_unique<QSystemTrayIcon>();
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    Q_EMIT leftClicked();
            });
    setAppearance(m_appearance);
}

TrayStatusItem::~TrayStatusItem() = default;

void TrayStatusItem::show()
{
    if (m_icon)
        m_icon->show();
}

void TrayStatusItem::setAppearance(const StatusAppearance& appearance)
{
    const bool changed = !(appearance == m_appearance);
    m_appearance = appearance;
    if (!m_icon || (!changed && !m_icon->icon().isNull()))
        return;
    m_icon->setIcon(statusIcon(appearance));
    m_icon->setToolTip(appearance.toolTip());
}

QRect TrayStatusItem::geometry() const
{
    return m_icon ? m_icon->geometry() : QRect();
}

QString TrayStatusItem::toolTip() const
{
    return m_icon ? m_icon->toolTip() : m_appearance.toolTip();
}

void TrayStatusItem::fillMenu(QMenu& menu)
{
    fillTrayMenu(menu, m_entries(),
                 [this](TrayAction action) { Q_EMIT menuActionTriggered(action); });
}

} // namespace kinetta
