#pragma once

#include <QObject>
#include <QPointer>

class QScreen;

namespace kinetta
{

// The screen of the user's last press, click or key in one of Kinetta's own
// windows. Where the pointer cannot be read outside those windows (Wayland),
// what would open "at the pointer" opens on this screen instead; before any
// such event, and once that screen is gone, the primary screen. Watches the
// whole application's input from construction. Main thread only.
class InteractionScreen final : public QObject
{
    Q_OBJECT

public:
    explicit InteractionScreen(QObject* parent = nullptr);
    ~InteractionScreen() override;

    // Null only when the system reports no screen at all.
    [[nodiscard]] QScreen* screen() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QScreen> m_screen;
};

} // namespace kinetta
