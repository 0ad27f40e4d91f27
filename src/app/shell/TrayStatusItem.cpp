#include "app/shell/TrayStatusItem.h"

#include "app/shell/StatusIcon.h"

#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWindow>

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
    // A menu opened just after another window of the program let go of the
    // focus (the panel, as a recording starts) is closed by the toolkit a
    // moment later, when it sees the application turn inactive; the user
    // closes it by a press, a key or a choice, which only hide it.
    m_menu->installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
        if (window && window == m_menu->windowHandle())
            m_menuHeldFocus = true;
    });
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

bool TrayStatusItem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_menu.get())
        return false;
    if (event->type() == QEvent::Show)
        m_menuHeldFocus = false;
    if (event->type() == QEvent::Close && !m_menuHeldFocus) {
        // Opened again where it was, once the close is over.
        QMetaObject::invokeMethod(
            this, [this, at = m_menu->pos()] { m_menu->popup(at); }, Qt::QueuedConnection);
    }
    return false;
}

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
