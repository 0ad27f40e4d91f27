#pragma once

#include "model/Scheduler.h"
#include "model/WindowInfo.h"

#include <QScrollArea>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace kinetta
{

class ThumbnailLoader;
class WindowCard;
class WindowIconLookup;

// The picker's scrolling grid: two columns of cards with spacing 12 and
// padding 16. Cards exist only for the rows in view (and one row beyond each
// edge); they are made as rows scroll in and removed as they scroll out, and
// the thumbnail loader learns which windows are in view each time.
class WindowCardGrid final : public QScrollArea
{
    Q_OBJECT

public:
    static constexpr int columns = 2;
    static constexpr qreal spacing = 12;
    static constexpr qreal padding = 16;

    WindowCardGrid(ThumbnailLoader& thumbnails, WindowIconLookup* icons, Scheduler& scheduler,
                   bool reduceMotion, QWidget* parent = nullptr);
    ~WindowCardGrid() override;

    // The windows shown, in order. Cards of windows still listed stay.
    void setWindows(std::vector<WindowInfo> windows);
    void setSelectedWindowID(std::optional<std::uint32_t> windowID);
    void setKeyboardIndex(std::optional<int> index);
    // The card at a position, when it is made (in view or next to it).
    [[nodiscard]] WindowCard* cardAt(int index) const;
    // The cards at least partly visible, top to bottom.
    [[nodiscard]] std::vector<WindowCard*> cardsInView() const;

Q_SIGNALS:
    void cardClicked(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The whole grid's height for count cards, padding included.
    [[nodiscard]] qreal contentHeight(int count) const;
    // Scrolls just enough to show the card at a position whole.
    void scrollToIndex(int index);
    [[nodiscard]] QRectF cardRect(int index) const;
    [[nodiscard]] qreal cardWidth() const;
    [[nodiscard]] qreal rowHeight() const;
    void layoutContent();
    void updateCardsInView();
    void styleCard(WindowCard& card, int index) const;
    void discard(WindowCard* card);

    ThumbnailLoader& m_thumbnails;
    WindowIconLookup* m_icons;
    Scheduler& m_scheduler;
    bool m_reduceMotion;
    QWidget* m_content;
    std::vector<WindowInfo> m_windows;
    std::optional<std::uint32_t> m_selectedID;
    std::optional<int> m_keyboardIndex;
    // Cards in view, by position.
    std::map<int, WindowCard*> m_cards;
};

} // namespace kinetta
