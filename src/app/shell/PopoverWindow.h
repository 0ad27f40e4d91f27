#pragma once

#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <functional>

class QScreen;

namespace kinetta
{

// The window around a view that belongs to the tray icon (the control panel,
// the recording HUD). Beside a tray it is a frameless popup: it closes on a
// click outside, takes the keyboard so Return and Escape reach the view, and
// its corners are rounded by translucency under a compositing manager, else
// by a shape mask over an opaque fill. Without a tray it is a normal window
// with a title and a taskbar entry, so the view stays reachable.
class PopoverWindow final : public QWidget
{
    Q_OBJECT

public:
    enum class Style { popup, window };

    static constexpr int cornerRadius = 12;
    // Between the tray icon and the popover's near edge.
    static constexpr int trayGap = 6;

    // content becomes the window's only child and fills it.
    PopoverWindow(QWidget* content, Style style, bool composited, QWidget* parent = nullptr);

    [[nodiscard]] Style style() const { return m_style; }
    [[nodiscard]] QWidget* content() const { return m_content; }

    // The size of the content; the window follows (keeping its place beside
    // the tray while shown).
    void setContentSize(const QSize& size);
    // The window style only: while whether() holds, the user's close
    // minimizes the window instead, so that it stays in the taskbar.
    void setMinimizedOnClose(std::function<bool()> whether)
    {
        m_minimizeOnClose = std::move(whether);
    }
    // The tallest the window can be at open(anchor, centreOn) inside the
    // screen's available area without covering the tray icon.
    [[nodiscard]] int heightRoom(const QRect& anchor, QScreen* centreOn = nullptr) const;
    // Shows the popup next to anchor (the tray icon's rectangle on screen, or
    // the pointer as a 1 × 1 rectangle) inside that screen's available area,
    // or, with an empty anchor, centred on centreOn (where neither the tray
    // nor the pointer tells a place); the window centred on the primary
    // screen. Then gives it the keyboard.
    void open(const QRect& anchor, QScreen* centreOn = nullptr);

Q_SIGNALS:
    // A press outside the popup closed it; the press does not reach what lies
    // beneath (the tray icon would reopen it at once).
    void dismissedByOutsidePress(const QPoint& globalPos);
    // The application let go of its popups as it turned inactive (another
    // program took the focus) and this one closed with them: not the user's
    // press or key, not the owner. Emitted before closed().
    void closedWithApplication();
    // Every close: by the owner, by an outside press, by Escape.
    void closed();
    // The window style only: the user closed the window (its close button,
    // the window manager) and it was not minimized instead. The owner closes
    // it with hide().
    void closedByUser();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();
    [[nodiscard]] QScreen* screenFor(const QRect& anchor, QScreen* centreOn) const;

    QWidget* m_content;
    Style m_style;
    bool m_composited;
    QRect m_anchor;
    QPointer<QScreen> m_centreOn;
    std::function<bool()> m_minimizeOnClose;
    // Set while the user's press or key is closing the popup.
    bool m_closingForUser = false;
};

} // namespace kinetta
