#include "ui/selection/WindowPickerView.h"

#include "model/RecordingSession.h"
#include "ui/common/Announcer.h"
#include "ui/common/Symbols.h"
#include "ui/panel/PanelStyle.h"
#include "ui/panel/Theme.h"
#include "ui/selection/WindowCard.h"
#include "ui/selection/WindowCardGrid.h"
#include "ui/selection/WindowGridKeyFilter.h"
#include "ui/selection/WindowGridNavigation.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>
#include <QtMath>

namespace kinetta
{
namespace
{

constexpr qreal cornerRadius = 16;
constexpr qreal searchTop = 62;
constexpr qreal searchHeight = 34;
constexpr qreal footerHeight = 46;
constexpr qreal sideMargin = 16;

const QString refreshHint = QStringLiteral("Update the list of available windows");

// The picker's buttons never take the keyboard focus: its keys belong to the
// search field and the grid.
panel::TextButton* pickerButton(panel::TextButton::Look look, QWidget* parent)
{
    auto* button = new panel::TextButton(std::move(look), parent);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QSize thumbnailPixels(qreal devicePixelRatio)
{
    const qreal cardWidth =
        (WindowPickerView::viewWidth - 2 * WindowCardGrid::padding - WindowCardGrid::spacing) /
        WindowCardGrid::columns;
    const QSizeF points = WindowCard::thumbnailSize(cardWidth) * devicePixelRatio;
    return {qCeil(points.width()), qCeil(points.height())};
}

} // namespace

WindowPickerView::WindowPickerView(Services services,
                                   std::function<void(const WindowInfo&)> onSelect,
                                   std::function<void()> onCancel, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)), m_onSelect(std::move(onSelect)),
      m_onCancel(std::move(onCancel)),
      m_thumbnails(m_services.snapshot, thumbnailPixels(devicePixelRatioF())),
      m_search(new QLineEdit(this)), m_close(pickerButton({.symbol = QStringLiteral("xmark"),
                                                           .symbolSize = 10,
                                                           .text = {},
                                                           .font = {},
                                                           .colour = panel::white(0.45),
                                                           .fill = panel::white(0.08),
                                                           .radius = 13},
                                                          this)),
      m_clear(pickerButton({.symbol = QStringLiteral("xmark.circle.fill"),
                            .symbolSize = 12,
                            .text = {},
                            .font = {},
                            .colour = panel::white(0.45)},
                           this)),
      m_grid(new WindowCardGrid(m_thumbnails, m_services.icons, m_services.scheduler,
                                m_services.reduceMotion, this)),
      m_loading(new ActivityIndicator(m_services.scheduler, m_services.reduceMotion, this)),
      m_emptyRefresh(pickerButton({.symbol = {},
                                   .text = QStringLiteral("Refresh"),
                                   .font = panel::font(12, QFont::DemiBold),
                                   .colour = Theme::ktPurple(),
                                   .verticalPadding = 3},
                                  this)),
      m_footerRefresh(pickerButton({.symbol = {},
                                    .text = QStringLiteral("Refresh"),
                                    .font = panel::font(12, QFont::Medium),
                                    .colour = panel::white(0.65),
                                    .horizontalPadding = 4,
                                    .verticalPadding = 3},
                                   this)),
      m_cancel(pickerButton({.symbol = {},
                             .text = QStringLiteral("Cancel"),
                             .font = panel::font(12, QFont::Medium),
                             .colour = panel::white(0.50),
                             .horizontalPadding = 4,
                             .verticalPadding = 3},
                            this)),
      m_keys(new WindowGridKeyFilter(this, [this](GridKey key) { handleKey(key); }))
{
    resize(viewWidth, viewHeight);

    m_close->setAccessibleName(QStringLiteral("Cancel"));
    m_clear->setAccessibleName(QStringLiteral("Clear search"));
    m_emptyRefresh->setAccessibleDescription(refreshHint);
    m_footerRefresh->setAccessibleDescription(refreshHint);
    m_loading->setAccessibleName(QStringLiteral("Loading windows"));

    m_search->setFrame(false);
    m_search->setPlaceholderText(QStringLiteral("Search windows\u2026"));
    m_search->setAccessibleName(QStringLiteral("Search windows"));
    m_search->setFont(panel::font(13));
    QPalette palette = m_search->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::PlaceholderText, panel::white(0.35));
    palette.setColor(QPalette::Highlight, Theme::ktPurple());
    palette.setColor(QPalette::HighlightedText, Qt::white);
    m_search->setPalette(palette);

    connect(m_close, &QAbstractButton::clicked, this, [this] { m_onCancel(); });
    connect(m_cancel, &QAbstractButton::clicked, this, [this] { m_onCancel(); });
    connect(m_clear, &QAbstractButton::clicked, this, [this] { m_search->clear(); });
    connect(m_emptyRefresh, &QAbstractButton::clicked, this, [this] { refresh(); });
    connect(m_footerRefresh, &QAbstractButton::clicked, this, [this] { refresh(); });
    connect(m_search, &QLineEdit::textChanged, this, [this] {
        m_clear->setVisible(!m_search->text().isEmpty());
        refilter();
    });
    connect(m_grid, &WindowCardGrid::cardClicked, this, [this](int index) { select(index); });

    RecordingSession& session = m_services.session;
    connect(&session, &RecordingSession::availableWindowsChanged, this, [this] { refilter(); });
    connect(&session, &RecordingSession::windowsLoadingChanged, this,
            [this](bool loading) { loadingChanged(loading); });
    connect(&session, &RecordingSession::selectedWindowChanged, this,
            [this](const std::optional<WindowInfo>& window) {
                m_grid->setSelectedWindowID(window ? std::optional(window->windowID)
                                                   : std::nullopt);
            });
    if (session.selectedWindow())
        m_grid->setSelectedWindowID(session.selectedWindow()->windowID);

    m_clear->hide();
    refilter();
}

WindowPickerView::~WindowPickerView()
{
    // Hidden while whole, so closing runs against live members; the grid uses
    // the thumbnail loader, which goes before the children do.
    hide();
    delete m_grid;
}

QString WindowPickerView::searchQuery() const
{
    return m_search->text();
}

QString WindowPickerView::emptyText(const QString& query)
{
    if (query.isEmpty())
        return QStringLiteral("No open windows found");
    return QStringLiteral("No windows match \"") + query + QLatin1Char('"');
}

void WindowPickerView::handleKey(GridKey key)
{
    switch (key) {
    case GridKey::escape:
        m_onCancel();
        return;
    case GridKey::enter:
        if (m_keyboardIndex && *m_keyboardIndex >= 0 &&
            *m_keyboardIndex < static_cast<int>(m_filtered.size()))
            m_onSelect(m_filtered[static_cast<std::size_t>(*m_keyboardIndex)]);
        return;
    case GridKey::left:
        move(-1);
        return;
    case GridKey::right:
        move(1);
        return;
    case GridKey::up:
        move(-WindowCardGrid::columns);
        return;
    case GridKey::down:
        move(WindowCardGrid::columns);
        return;
    }
}

void WindowPickerView::move(int step)
{
    const int count = static_cast<int>(m_filtered.size());
    if (count == 0)
        return;
    setKeyboardIndex(moveKeyboardIndex(m_keyboardIndex, step, count));
}

void WindowPickerView::setKeyboardIndex(std::optional<int> index)
{
    if (m_keyboardIndex == index)
        return;
    m_keyboardIndex = index;
    m_grid->setKeyboardIndex(index);
    if (index && *index >= 0 && *index < static_cast<int>(m_filtered.size()))
        m_services.announcer.announce(windowLabel(m_filtered[static_cast<std::size_t>(*index)]),
                                      Announcer::commentaryPriority);
}

void WindowPickerView::select(int index)
{
    if (index < 0 || index >= static_cast<int>(m_filtered.size()))
        return;
    const WindowInfo window = m_filtered[static_cast<std::size_t>(index)];
    setKeyboardIndex(index);
    m_onSelect(window);
}

void WindowPickerView::refilter()
{
    std::vector<WindowInfo> filtered =
        filterWindows(m_services.session.availableWindows(), m_search->text());
    const bool countChanged = filtered.size() != m_filtered.size();
    m_filtered = std::move(filtered);
    if (countChanged)
        setKeyboardIndex(std::nullopt);
    m_grid->setWindows(m_filtered);
    m_grid->setKeyboardIndex(m_keyboardIndex);
    updateState();
}

void WindowPickerView::updateState()
{
    if (m_services.session.windowsLoading())
        m_state = State::loading;
    else if (m_filtered.empty())
        m_state = State::empty;
    else
        m_state = State::grid;
    m_grid->setVisible(m_state == State::grid);
    m_loading->setVisible(m_state == State::loading);
    m_emptyRefresh->setVisible(m_state == State::empty && m_search->text().isEmpty());
    update();
}

void WindowPickerView::loadingChanged(bool loading)
{
    updateState();
    if (!loading)
        m_services.announcer.announce(windowCountAnnouncement(static_cast<int>(m_filtered.size())),
                                      Announcer::outcomePriority);
}

void WindowPickerView::refresh()
{
    m_services.session.refreshWindows();
}

QRectF WindowPickerView::searchBar() const
{
    return {sideMargin, searchTop, width() - 2 * sideMargin, searchHeight};
}

QRectF WindowPickerView::gridArea() const
{
    const qreal top = searchBar().bottom() + 10;
    return {0, top, static_cast<qreal>(width()), height() - footerHeight - top};
}

void WindowPickerView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_close->setGeometry(width() - 18 - 26, 18, 26, 26);
    const QRectF bar = searchBar();
    const int clearSide = 20;
    m_clear->setGeometry(qRound(bar.right() - 8 - clearSide),
                         qRound(bar.center().y() - clearSide / 2.0), clearSide, clearSide);
    m_search->setGeometry(qRound(bar.left() + 32), qRound(bar.top() + 2),
                          qRound(bar.width() - 32 - 8 - clearSide - 4), qRound(bar.height() - 4));
    const QRectF area = gridArea();
    m_grid->setGeometry(area.adjusted(0, 1, 0, -1).toAlignedRect());
    // Loading: the indicator above its text, in a block of 160 in the middle.
    const QPointF middle = area.center();
    m_loading->setGeometry(qRound(middle.x() - 12), qRound(middle.y() - 22), 24, 24);
    // Empty: symbol, text and button, spacing 14, the button last.
    const QSize refresh = m_emptyRefresh->sizeHint();
    m_emptyRefresh->setGeometry(qRound(middle.x() - refresh.width() / 2.0), qRound(middle.y() + 34),
                                refresh.width(), refresh.height());
    const qreal footerMiddle = height() - footerHeight / 2.0;
    const QSize cancel = m_cancel->sizeHint();
    m_cancel->setGeometry(width() - 14 - cancel.width(),
                          qRound(footerMiddle - cancel.height() / 2.0), cancel.width(),
                          cancel.height());
    const QSize footerRefresh = m_footerRefresh->sizeHint();
    m_footerRefresh->setGeometry(m_cancel->x() - 6 - footerRefresh.width(), m_cancel->y(),
                                 footerRefresh.width(), footerRefresh.height());
}

void WindowPickerView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::color(u"0B0618"));
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);

    // Header.
    painter.setPen(Qt::white);
    painter.setFont(panel::font(15, QFont::Bold));
    painter.drawText(QRectF(20, 15, width() - 80, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Select a Window"));
    painter.setPen(panel::white(0.50));
    painter.setFont(panel::font(11));
    painter.drawText(QRectF(20, 36, width() - 80, 15), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Click a window to begin recording"));

    // Search bar.
    const QRectF bar = searchBar();
    painter.setPen(QPen(panel::white(0.08), 1));
    painter.setBrush(panel::white(0.05));
    painter.drawRoundedRect(bar.adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
    Symbols::paint(painter, QRectF(bar.left() + 12, bar.center().y() - 6, 12, 12),
                   u"magnifyingglass", panel::white(0.35));

    const QRectF area = gridArea();
    painter.setPen(QPen(panel::white(0.08), 1));
    painter.drawLine(QPointF(0, area.top() + 0.5), QPointF(width(), area.top() + 0.5));
    painter.drawLine(QPointF(0, area.bottom() - 0.5), QPointF(width(), area.bottom() - 0.5));

    const QPointF middle = area.center();
    if (m_state == State::loading) {
        painter.setPen(panel::white(0.50));
        painter.setFont(panel::font(12));
        painter.drawText(QRectF(0, middle.y() + 10, width(), 18), Qt::AlignCenter,
                         QStringLiteral("Loading windows\u2026"));
    } else if (m_state == State::empty) {
        const QString query = m_search->text();
        const QString symbol =
            query.isEmpty() ? QStringLiteral("rectangle.slash") : QStringLiteral("magnifyingglass");
        // Without a Refresh button the column is shorter: keep it centred.
        const qreal shift = query.isEmpty() ? 0 : 18;
        Symbols::paint(painter, QRectF(middle.x() - 18, middle.y() - 52 + shift, 36, 36), symbol,
                       panel::white(0.15));
        painter.setPen(panel::white(0.45));
        painter.setFont(panel::font(13));
        painter.drawText(QRectF(24, middle.y() - 2 + shift, width() - 48, 22),
                         Qt::AlignCenter | Qt::TextSingleLine,
                         QFontMetricsF(painter.font())
                             .elidedText(emptyText(query), Qt::ElideMiddle, width() - 48));
    }

    // Footer hint.
    painter.setPen(panel::white(0.18));
    painter.setFont(panel::font(10));
    painter.drawText(QRectF(20, height() - footerHeight, width() - 160, footerHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("\u2191\u2193\u2190\u2192 navigate \u00B7 \u21B5 select \u00B7 "
                                    "Esc cancel"));
}

void WindowPickerView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_search->setFocus(Qt::OtherFocusReason);
    if (!m_refreshedOnce) {
        m_refreshedOnce = true;
        // After the first paint, so the picker shows at once.
        QMetaObject::invokeMethod(
            this, [this] { refresh(); }, Qt::QueuedConnection);
    }
}

void WindowPickerView::hideEvent(QHideEvent* event)
{
    m_search->clear();
    m_thumbnails.clear();
    QWidget::hideEvent(event);
}

void WindowPickerView::mousePressEvent(QMouseEvent* event)
{
    // The picker's window has no title bar: it moves by its background.
    if (event->button() != Qt::LeftButton)
        return;
    QWindow* handle = window()->windowHandle();
    if (handle && handle->startSystemMove())
        return;
    m_dragOffset = event->globalPosition().toPoint() - window()->pos();
}

void WindowPickerView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset && (event->buttons() & Qt::LeftButton))
        window()->move(event->globalPosition().toPoint() - *m_dragOffset);
}

} // namespace kinetta
