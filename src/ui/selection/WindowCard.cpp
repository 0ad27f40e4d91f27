#include "ui/selection/WindowCard.h"

#include "ui/common/Symbols.h"
#include "ui/panel/PanelStyle.h"
#include "ui/panel/Theme.h"
#include "ui/selection/WindowGridNavigation.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEasingCurve>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace kinetta
{
namespace
{

constexpr qreal thumbnailRadius = 9;
constexpr qreal cardRadius = 13;
constexpr qreal iconSide = 20;
constexpr qreal stripTop = 9;
constexpr qreal stripBottom = 6;
constexpr qreal stripSide = 2;
constexpr qreal nameSize = 11;
constexpr qreal titleSize = 10;

// Asked for every card's place on every scroll step: measured once.
qreal textBlockHeight()
{
    static const qreal height = QFontMetricsF(panel::font(nameSize, QFont::DemiBold)).height() + 1 +
                                QFontMetricsF(panel::font(titleSize)).height();
    return height;
}

// A soft shadow of a rounded rectangle: rings growing outwards, fading.
void paintShadow(QPainter& painter, const QRectF& shape, qreal radius, QColor color)
{
    painter.setPen(Qt::NoPen);
    const int rings = 5;
    for (int i = rings; i >= 1; --i) {
        const qreal grow = 10.0 * i / rings;
        painter.setBrush(panel::withOpacity(color, color.alphaF() / rings));
        painter.drawRoundedRect(shape.translated(0, 4).adjusted(-grow, -grow, grow, grow),
                                radius + grow, radius + grow);
    }
}

class WindowCardAccessible final : public QAccessibleWidget
{
public:
    explicit WindowCardAccessible(WindowCard* card) : QAccessibleWidget(card, QAccessible::Button)
    {
        addControllingSignal(QStringLiteral("clicked(bool)"));
    }

    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const auto* card = static_cast<const WindowCard*>(widget());
        state.selectable = true;
        state.selected = card->isSelected();
        state.focused = state.focused || card->isKeyboardFocused();
        return state;
    }
    [[nodiscard]] QStringList actionNames() const override
    {
        return {QAccessibleActionInterface::pressAction()};
    }
    void doAction(const QString& name) override
    {
        if (name == QAccessibleActionInterface::pressAction())
            static_cast<WindowCard*>(widget())->click();
    }
};

QAccessibleInterface* windowCardFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("kinetta::WindowCard") && object && object->isWidgetType())
        return new WindowCardAccessible(static_cast<WindowCard*>(object));
    return nullptr;
}

} // namespace

void installWindowCardAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(windowCardFactory);
        return true;
    }();
    (void)installed;
}

WindowCard::WindowCard(WindowInfo window, Scheduler& scheduler, bool reduceMotion, QWidget* parent)
    : QAbstractButton(parent), m_window(std::move(window)), m_scheduler(scheduler),
      m_reduceMotion(reduceMotion)
{
    installWindowCardAccessibility();
    setFocusPolicy(Qt::NoFocus); // the grid's focus is the picker's keyboard index
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    updateAccessibleText();
}

QSizeF WindowCard::thumbnailSize(qreal cardWidth)
{
    const qreal width = std::max(0.0, cardWidth - 2 * padding);
    return {width, width / thumbnailAspect};
}

qreal WindowCard::heightForCardWidth(qreal width)
{
    return padding + thumbnailSize(width).height() + stripTop +
           std::max(iconSide, textBlockHeight()) + stripBottom + padding;
}

QString WindowCard::accessibleHint(bool selected)
{
    return selected ? QStringLiteral("Selected. Press Return or click to record this window.")
                    : QStringLiteral("Press Return or click to select this window for recording.");
}

void WindowCard::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    updateAccessibleText();
    if (QAccessible::isActive()) {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
    update();
}

void WindowCard::setKeyboardFocused(bool focused)
{
    if (m_keyboardFocused == focused)
        return;
    m_keyboardFocused = focused;
    if (focused && QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
    update();
}

void WindowCard::setThumbnail(std::optional<QImage> image)
{
    m_thumbnail = std::move(image);
    update();
}

void WindowCard::setAppIcon(QImage icon)
{
    m_icon = std::move(icon);
    update();
}

void WindowCard::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    const qreal target = hovered ? 1.0 : 0.0;
    if (m_reduceMotion) {
        m_hoverAmount = target;
        update();
        return;
    }
    // Ease out from wherever the last change left it.
    const qreal from = m_hoverAmount;
    auto elapsed = std::make_shared<Scheduler::Duration>(0);
    m_hoverAnimation = m_scheduler.repeating(hoverFrame, [this, from, target, elapsed] {
        *elapsed += hoverFrame;
        const qreal progress =
            std::min(1.0, static_cast<qreal>(elapsed->count()) / hoverDuration.count());
        m_hoverAmount =
            from + (target - from) * QEasingCurve(QEasingCurve::OutQuad).valueForProgress(progress);
        update();
        if (progress >= 1.0)
            m_hoverAnimation.cancel();
    });
}

void WindowCard::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    setHovered(true);
}

void WindowCard::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    setHovered(false);
}

void WindowCard::updateAccessibleText()
{
    setAccessibleName(windowLabel(m_window));
    setAccessibleDescription(accessibleHint(m_selected));
}

void WindowCard::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);

    // Card background, first matching state wins; hover fades in and out.
    if (m_selected) {
        painter.setBrush(panel::withOpacity(Theme::ktPurple(), 0.15));
        painter.setPen(QPen(panel::withOpacity(Theme::ktPurple(), 0.45), 1));
    } else if (m_keyboardFocused) {
        painter.setBrush(panel::white(0.07));
        painter.setPen(QPen(panel::white(0.25), 1));
    } else {
        painter.setBrush(panel::white(0.04 * m_hoverAmount));
        painter.setPen(Qt::NoPen);
    }
    painter.drawRoundedRect(card, cardRadius, cardRadius);

    const QSizeF thumbSize = thumbnailSize(width());
    const QRectF thumb(QPointF(padding, padding), thumbSize);
    if (m_selected)
        paintShadow(painter, thumb, thumbnailRadius, panel::withOpacity(Theme::ktPurple(), 0.35));
    else if (m_keyboardFocused)
        paintShadow(painter, thumb, thumbnailRadius, panel::white(0.15));
    paintThumbnail(painter, thumb);

    const QRectF strip(padding + stripSide, thumb.bottom() + stripTop,
                       width() - 2 * (padding + stripSide),
                       height() - padding - stripBottom - thumb.bottom() - stripTop);
    paintInfo(painter, strip);
}

void WindowCard::paintThumbnail(QPainter& painter, const QRectF& area) const
{
    QPainterPath shape;
    shape.addRoundedRect(area, thumbnailRadius, thumbnailRadius);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::color(u"180D2C"));
    painter.drawPath(shape);
    if (m_thumbnail && !m_thumbnail->isNull()) {
        // Scaled to fill the area, aspect kept, the overflow clipped.
        painter.save();
        painter.setClipPath(shape);
        const QSizeF image =
            QSizeF(m_thumbnail->size()).scaled(area.size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(area.center() - QPointF(image.width(), image.height()) / 2, image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, *m_thumbnail);
        painter.restore();
    } else {
        const QRectF symbol(area.center() - QPointF(12, 12), QSizeF(24, 24));
        Symbols::paint(painter, symbol, u"rectangle.on.rectangle", panel::white(0.10));
    }

    // The border is drawn inside the edge.
    QPen border;
    if (m_selected) {
        border = QPen(QBrush(Theme::kinettaGradient(area)), 2.5);
    } else if (m_keyboardFocused) {
        border = QPen(panel::white(0.55), 2.0);
    } else {
        border = QPen(panel::white(0.07 + (0.18 - 0.07) * m_hoverAmount), 1.0);
    }
    const qreal inset = border.widthF() / 2;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(border);
    painter.drawRoundedRect(area.adjusted(inset, inset, -inset, -inset), thumbnailRadius - inset,
                            thumbnailRadius - inset);
}

void WindowCard::paintInfo(QPainter& painter, const QRectF& strip) const
{
    const qreal spacing = 8;
    const QRectF icon(strip.left(), strip.center().y() - iconSide / 2, iconSide, iconSide);
    if (!m_icon.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(icon, m_icon);
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(panel::white(0.08));
        painter.drawRoundedRect(icon, 4, 4);
    }

    qreal right = strip.right();
    if (m_selected) {
        const QRectF check(right - 14, strip.center().y() - 7, 14, 14);
        Symbols::paint(painter, check, u"checkmark.circle.fill", Theme::ktPink());
        right = check.left() - spacing;
    }
    const QFont sizeFont = panel::font(9, QFont::Normal, panel::Face::monospaced);
    const QString size = windowSizeText(m_window.frame);
    const qreal sizeWidth = QFontMetricsF(sizeFont).horizontalAdvance(size);
    painter.setFont(sizeFont);
    painter.setPen(panel::white(0.22));
    painter.drawText(QRectF(right - sizeWidth, strip.top(), sizeWidth, strip.height()),
                     Qt::AlignRight | Qt::AlignVCenter, size);
    right -= sizeWidth + spacing;

    const QFont nameFont = panel::font(nameSize, QFont::DemiBold);
    const QFont titleFont = panel::font(titleSize);
    const qreal left = icon.right() + spacing;
    const qreal textWidth = std::max(0.0, right - left);
    const qreal nameHeight = QFontMetricsF(nameFont).height();
    const qreal top = strip.center().y() - textBlockHeight() / 2;
    painter.setFont(nameFont);
    painter.setPen(panel::white(0.88));
    painter.drawText(
        QRectF(left, top, textWidth, nameHeight), Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(nameFont).elidedText(m_window.appName, Qt::ElideRight, textWidth));
    painter.setFont(titleFont);
    painter.setPen(panel::white(0.50));
    painter.drawText(
        QRectF(left, top + nameHeight + 1, textWidth, QFontMetricsF(titleFont).height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(titleFont).elidedText(m_window.title, Qt::ElideRight, textWidth));
}

} // namespace kinetta
