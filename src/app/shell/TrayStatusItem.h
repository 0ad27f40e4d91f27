#pragma once

#include "app/shell/StatusAppearance.h"
#include "app/shell/TrayMenu.h"

#include <QObject>
#include <QRect>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QSystemTrayIcon;

namespace kinetta
{

// The tray icon: its picture and tool tip follow the appearance it is given,
// a left click is reported, and the context menu is built afresh from the
// entries of the moment each time it opens. Without a tray nothing is shown,
// but the appearance is still kept (the menu then opens elsewhere).
class TrayStatusItem final : public QObject
{
    Q_OBJECT

public:
    using EntriesFunction = std::function<std::vector<TrayMenuEntry>()>;

    TrayStatusItem(bool trayAvailable, EntriesFunction entries, QObject* parent = nullptr);
    ~TrayStatusItem() override;

    void show();
    void setAppearance(const StatusAppearance& appearance);
    [[nodiscard]] const StatusAppearance& appearance() const { return m_appearance; }
    [[nodiscard]] bool hasTray() const { return m_icon != nullptr; }
    // The icon's rectangle on screen; empty without a tray or when the tray
    // does not tell.
    [[nodiscard]] QRect geometry() const;
    [[nodiscard]] QString toolTip() const;

    // Fills menu with the entries of the moment, wired to menuActionTriggered.
    void fillMenu(QMenu& menu);
    // The tray's context menu (null without a tray).
    [[nodiscard]] QMenu* contextMenu() const { return m_menu.get(); }

Q_SIGNALS:
    void leftClicked();
    void menuActionTriggered(kinetta::TrayAction action);

private:
    EntriesFunction m_entries;
    StatusAppearance m_appearance;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

} // namespace kinetta
