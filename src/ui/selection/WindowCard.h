#pragma once

#include "model/Scheduler.h"
#include "model/WindowInfo.h"

#include <QAbstractButton>
#include <QImage>
#include <optional>

namespace kinetta
{

// One window in the picker's grid: its thumbnail (or a placeholder while there
// is none), the application's icon and name, the title, the size, and the
// selection, keyboard-focus and hover styling. Clicking it emits clicked().
class WindowCard final : public QAbstractButton
{
    Q_OBJECT

public:
    static constexpr qreal padding = 10;
    static constexpr qreal thumbnailAspect = 16.0 / 9.0;
    static constexpr Scheduler::Duration hoverDuration{100};
    // Five steps of the fade, so the last lands on its end.
    static constexpr Scheduler::Duration hoverFrame{20};
    static_assert(hoverDuration.count() % hoverFrame.count() == 0);

    WindowCard(WindowInfo window, Scheduler& scheduler, bool reduceMotion,
               QWidget* parent = nullptr);

    // The card's height at a width; the grid lays cards out with it.
    [[nodiscard]] static qreal heightForCardWidth(qreal width);
    // The thumbnail's size at a card width, in points.
    [[nodiscard]] static QSizeF thumbnailSize(qreal cardWidth);

    [[nodiscard]] const WindowInfo& window() const { return m_window; }
    void setSelected(bool selected);
    [[nodiscard]] bool isSelected() const { return m_selected; }
    void setKeyboardFocused(bool focused);
    [[nodiscard]] bool isKeyboardFocused() const { return m_keyboardFocused; }
    void setThumbnail(std::optional<QImage> image);
    [[nodiscard]] bool hasThumbnail() const { return m_thumbnail.has_value(); }
    void setAppIcon(QImage icon);
    // Pointer over the card, as the pointer's entering and leaving set it.
    void setHovered(bool hovered);

    // The hint a screen reader gives, by selection.
    [[nodiscard]] static QString accessibleHint(bool selected);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void paintThumbnail(QPainter& painter, const QRectF& area) const;
    void paintInfo(QPainter& painter, const QRectF& strip) const;
    void updateAccessibleText();

    WindowInfo m_window;
    Scheduler& m_scheduler;
    bool m_reduceMotion;
    bool m_selected = false;
    bool m_keyboardFocused = false;
    bool m_hovered = false;
    // 0 without hover styling, 1 with it; eased in between.
    qreal m_hoverAmount = 0;
    TimerHandle m_hoverAnimation;
    std::optional<QImage> m_thumbnail;
    QImage m_icon;
};

// Gives cards their screen-reader shape: a button that is selectable and
// reports itself selected. Installed once; harmless to call again.
void installWindowCardAccessibility();

} // namespace kinetta
