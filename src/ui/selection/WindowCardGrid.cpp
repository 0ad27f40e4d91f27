#include "ui/selection/WindowCardGrid.h"

#include "ui/icons/WindowIconLookup.h"
#include "ui/selection/ThumbnailLoader.h"
#include "ui/selection/WindowCard.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QtMath>
#include <algorithm>

namespace kinetta
{

WindowCardGrid::WindowCardGrid(ThumbnailLoader& thumbnails, WindowIconLookup* icons,
                               Scheduler& scheduler, bool reduceMotion, QWidget* parent)
    : QScrollArea(parent), m_thumbnails(thumbnails), m_icons(icons), m_scheduler(scheduler),
      m_reduceMotion(reduceMotion), m_content(new QWidget)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A thin bar of our own look over the picker's background.
    m_content->setObjectName(QStringLiteral("cards"));
    viewport()->setObjectName(QStringLiteral("cardsViewport"));
    setStyleSheet(QStringLiteral(
        "QScrollArea, #cardsViewport, #cards { background: transparent; }"
        "QScrollBar:vertical { background: transparent; width: 8px; margin: 4px 2px 4px 0; }"
        "QScrollBar::handle:vertical { background: rgba(255,255,255,38); border-radius: 3px;"
        " min-height: 24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    viewport()->setAutoFillBackground(false);
    m_content->setAutoFillBackground(false);
    setWidget(m_content);
    setWidgetResizable(false);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { updateCardsInView(); });
    connect(&m_thumbnails, &ThumbnailLoader::thumbnailReady, this, [this](std::uint32_t id) {
        for (const auto& [index, card] : m_cards)
            if (card->window().windowID == id)
                card->setThumbnail(m_thumbnails.image(id));
    });
}

WindowCardGrid::~WindowCardGrid() = default;

qreal WindowCardGrid::cardWidth() const
{
    const qreal inner = viewport()->width() - 2 * padding;
    return std::max(0.0, (inner - spacing * (columns - 1)) / columns);
}

qreal WindowCardGrid::rowHeight() const
{
    return WindowCard::heightForCardWidth(cardWidth());
}

qreal WindowCardGrid::contentHeight(int count) const
{
    const int rows = (count + columns - 1) / columns;
    if (rows == 0)
        return 2 * padding;
    return 2 * padding + rows * rowHeight() + (rows - 1) * spacing;
}

QRectF WindowCardGrid::cardRect(int index) const
{
    const int row = index / columns;
    const int column = index % columns;
    return {padding + column * (cardWidth() + spacing), padding + row * (rowHeight() + spacing),
            cardWidth(), rowHeight()};
}

void WindowCardGrid::setWindows(std::vector<WindowInfo> windows)
{
    // Windows no longer listed lose their thumbnails; a window id that comes
    // back later belongs to another window.
    for (const WindowInfo& old : m_windows) {
        const bool kept = std::any_of(windows.begin(), windows.end(), [&](const WindowInfo& w) {
            return w.windowID == old.windowID;
        });
        if (!kept)
            m_thumbnails.forget(old.windowID);
    }
    m_windows = std::move(windows);
    // Positions change with the list: every card is placed anew.
    for (auto& [index, card] : m_cards)
        discard(card);
    m_cards.clear();
    layoutContent();
}

void WindowCardGrid::discard(WindowCard* card)
{
    // Not deleted at once: the list may change from inside the card's own
    // click (choosing closes the picker, which clears its search).
    card->hide();
    card->disconnect(this);
    card->deleteLater();
}

void WindowCardGrid::setSelectedWindowID(std::optional<std::uint32_t> windowID)
{
    m_selectedID = windowID;
    for (const auto& [index, card] : m_cards)
        styleCard(*card, index);
}

void WindowCardGrid::setKeyboardIndex(std::optional<int> index)
{
    m_keyboardIndex = index;
    for (const auto& [position, card] : m_cards)
        styleCard(*card, position);
    if (index)
        scrollToIndex(*index);
}

void WindowCardGrid::scrollToIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(m_windows.size()))
        return;
    const QRect target = cardRect(index).toAlignedRect();
    ensureVisible(target.center().x(), target.center().y(), 0,
                  target.height() / 2 + static_cast<int>(padding));
}

WindowCard* WindowCardGrid::cardAt(int index) const
{
    const auto it = m_cards.find(index);
    return it == m_cards.end() ? nullptr : it->second;
}

std::vector<WindowCard*> WindowCardGrid::cardsInView() const
{
    std::vector<WindowCard*> cards;
    const QRect view(QPoint(0, verticalScrollBar()->value()), viewport()->size());
    for (const auto& [index, card] : m_cards)
        if (view.intersects(card->geometry()))
            cards.push_back(card);
    return cards;
}

void WindowCardGrid::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    layoutContent();
}

void WindowCardGrid::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    updateCardsInView();
}

void WindowCardGrid::hideEvent(QHideEvent* event)
{
    QScrollArea::hideEvent(event);
    // Hidden cards want no thumbnails: their jobs are given up.
    updateCardsInView();
}

void WindowCardGrid::layoutContent()
{
    m_content->resize(viewport()->width(),
                      qCeil(contentHeight(static_cast<int>(m_windows.size()))));
    for (const auto& [index, card] : m_cards)
        card->setGeometry(cardRect(index).toAlignedRect());
    updateCardsInView();
}

void WindowCardGrid::styleCard(WindowCard& card, int index) const
{
    card.setSelected(m_selectedID && *m_selectedID == card.window().windowID);
    card.setKeyboardFocused(m_keyboardIndex && *m_keyboardIndex == index);
}

void WindowCardGrid::updateCardsInView()
{
    const int count = static_cast<int>(m_windows.size());
    const qreal row = rowHeight() + spacing;
    const qreal top = verticalScrollBar()->value();
    const qreal bottom = top + viewport()->height();
    // Rows partly in view, and one more on each side so a short scroll finds
    // its cards ready.
    const bool shown = isVisible() && viewport()->height() > 0 && cardWidth() > 0;
    const int firstRow = std::max(0, static_cast<int>(std::floor((top - padding) / row)) - 1);
    const int lastRow = static_cast<int>(std::floor((bottom - padding) / row)) + 1;
    const int first = shown ? std::min(count, firstRow * columns) : 0;
    const int last = shown ? std::min(count, (lastRow + 1) * columns) : 0; // one past the end

    for (auto it = m_cards.begin(); it != m_cards.end();) {
        if (it->first < first || it->first >= last) {
            discard(it->second);
            it = m_cards.erase(it);
        } else {
            ++it;
        }
    }
    std::vector<WindowInfo> made;
    std::vector<WindowCard*> madeCards;
    for (int index = first; index < last; ++index) {
        if (m_cards.count(index))
            continue;
        auto* card = new WindowCard(m_windows[static_cast<std::size_t>(index)], m_scheduler,
                                    m_reduceMotion, m_content);
        card->setGeometry(cardRect(index).toAlignedRect());
        card->setThumbnail(m_thumbnails.image(card->window().windowID));
        styleCard(*card, index);
        connect(card, &WindowCard::clicked, this, [this, index] { Q_EMIT cardClicked(index); });
        card->show();
        m_cards.emplace(index, card);
        made.push_back(card->window());
        madeCards.push_back(card);
    }
    if (m_icons && !made.empty()) {
        // One read for every card just made.
        const auto icons = m_icons->icons(made, 20, devicePixelRatioF());
        for (std::size_t i = 0; i < madeCards.size(); ++i)
            madeCards[i]->setAppIcon(icons[i].image);
    }

    // Thumbnails only for cards actually on screen, top to bottom.
    std::vector<std::uint32_t> visible;
    for (int index = 0; index < count; ++index) {
        const QRectF rect = cardRect(index);
        if (shown && rect.bottom() > top && rect.top() < bottom)
            visible.push_back(m_windows[static_cast<std::size_t>(index)].windowID);
        if (rect.top() >= bottom)
            break;
    }
    m_thumbnails.setVisibleWindows(visible);
}

} // namespace kinetta
