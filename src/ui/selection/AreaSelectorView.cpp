#include "ui/selection/AreaSelectorView.h"

#include "ui/common/Announcer.h"
#include "ui/overlays/OverlayPainting.h"
#include "ui/selection/AreaGeometry.h"
#include "ui/selection/KeyView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace kinetta
{
namespace
{

QColor black(double alpha)
{
    return QColor::fromRgbF(0, 0, 0, static_cast<float>(alpha));
}

using overlaypaint::white;

// Monospaced, in device-independent pixels, never the platform theme's.
QFont badgeFont()
{
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(12);
    font.setWeight(QFont::DemiBold);
    return font;
}

QString selectedText(const QRectF& rect)
{
    return QStringLiteral("Area selected: %1 by %2 pixels.")
        .arg(area::widthText(rect), area::heightText(rect));
}

const QString kCancelledText = QStringLiteral("Area selection cancelled.");
const QString kTooSmallText = QStringLiteral("Selection too small. Drag a larger area.");
const QString kTitle = QStringLiteral("Drag to select a recording area");
const QString kSubtitle =
    QStringLiteral("Release to start  \u00B7  or arrow keys + \u23CE  \u00B7  "
                   "Esc to cancel");

// Role group, and the selection as the value, for the custom-painted view.
class AreaSelectorAccessible final : public QAccessibleWidget
{
public:
    explicit AreaSelectorAccessible(AreaSelectorView* view)
        : QAccessibleWidget(view, QAccessible::Grouping)
    {
    }

    [[nodiscard]] QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return static_cast<const AreaSelectorView*>(widget())->accessibleValue();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* areaSelectorAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String(AreaSelectorView::staticMetaObject.className()) &&
        object->isWidgetType())
        return new AreaSelectorAccessible(static_cast<AreaSelectorView*>(object));
    return nullptr;
}

} // namespace

AreaSelectorView::AreaSelectorView(Services services, OnSelect onSelect, QWidget* parent)
    : QWidget(parent), m_scheduler(services.scheduler), m_announcer(services.announcer),
      m_reduceMotion(services.reduceMotion), m_onSelect(std::move(onSelect)),
      m_keyView(new KeyView([this] { cancel(); }, this))
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(areaSelectorAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setAccessibleName(accessibleLabelText());
    setAccessibleDescription(accessibleHelpText());
}

AreaSelectorView::~AreaSelectorView() = default;

QString AreaSelectorView::accessibleLabelText()
{
    return QStringLiteral("Area selection overlay");
}

QString AreaSelectorView::accessibleHelpText()
{
    return QStringLiteral("Drag to select a recording area, or use the arrow keys to move it and "
                          "Alt with the arrow keys to resize it. Press Return to start recording, "
                          "or Escape to cancel.");
}

void AreaSelectorView::setBackdrop(OverlayBackdrop backdrop)
{
    m_backdrop = std::move(backdrop);
    update();
}

std::optional<QRectF> AreaSelectorView::selection() const
{
    if (m_keyboardRect)
        return m_keyboardRect;
    if (m_startPoint && m_endPoint)
        return area::dragRect(*m_startPoint, *m_endPoint);
    return std::nullopt;
}

QString AreaSelectorView::accessibleValue() const
{
    const auto current = selection();
    if (current && area::isDrawn(*current))
        return QStringLiteral("Selected area: %1 by %2 pixels")
            .arg(area::widthText(*current), area::heightText(*current));
    return QStringLiteral("No area selected. Drag to select a recording area.");
}

// --- Input ------------------------------------------------------------------

void AreaSelectorView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        cancel();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_keyboardRect.reset();
    m_startPoint = event->position();
    m_endPoint = event->position();
    m_dragging = false;
    startMarchTimer();
    selectionChanged();
}

void AreaSelectorView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_startPoint || !event->buttons().testFlag(Qt::LeftButton))
        return;
    m_endPoint = event->position();
    m_dragging = true;
    selectionChanged();
}

void AreaSelectorView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_startPoint)
        return;
    m_endPoint = event->position();
    m_dragging = false;
    stopMarchTimer();
    const auto current = selection();
    if (current && area::isAcceptable(*current)) {
        announce(selectedText(*current));
        if (m_onSelect)
            m_onSelect(*current);
        return;
    }
    m_startPoint.reset();
    m_endPoint.reset();
    m_dashPhase = 0;
    selectionChanged();
    announce(kTooSmallText);
}

void AreaSelectorView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        confirmKeyboardSelection();
        return;
    case Qt::Key_Escape:
        cancel();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Up:
        handleArrow(event->key(), event->modifiers());
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void AreaSelectorView::cancel()
{
    stopMarchTimer();
    announce(kCancelledText);
    if (m_onSelect)
        m_onSelect(std::nullopt);
}

void AreaSelectorView::handleArrow(int key, Qt::KeyboardModifiers modifiers)
{
    const QSizeF bounds = size();
    const auto current = selection();
    if (!current) {
        // The first arrow key only makes the rectangle.
        m_keyboardRect = area::defaultSelection(bounds);
        startMarchTimer();
        selectionChanged();
        announce(QStringLiteral("Selection %1 by %2. Arrow keys move, Alt arrow resizes, Return "
                                "to record.")
                     .arg(area::widthText(*m_keyboardRect), area::heightText(*m_keyboardRect)));
        return;
    }
    const auto step = area::arrowStep(key, modifiers);
    if (!step)
        return;
    m_keyboardRect = area::applied(*step, *current, bounds);
    startMarchTimer();
    selectionChanged();
    announce(QStringLiteral("%1 by %2")
                 .arg(area::widthText(*m_keyboardRect), area::heightText(*m_keyboardRect)));
}

void AreaSelectorView::confirmKeyboardSelection()
{
    if (!m_keyboardRect || !area::isAcceptable(*m_keyboardRect))
        return;
    stopMarchTimer();
    announce(selectedText(*m_keyboardRect));
    if (m_onSelect)
        m_onSelect(*m_keyboardRect);
}

// --- Marching border ----------------------------------------------------------

void AreaSelectorView::startMarchTimer()
{
    if (m_marchTimer.isActive())
        return;
    if (m_reduceMotion) {
        update();
        return;
    }
    // The handle dies with the view, so no tick outlives it.
    m_marchTimer = m_scheduler.repeating(marchInterval, [this] { marchTick(); });
}

void AreaSelectorView::stopMarchTimer()
{
    m_marchTimer.cancel();
}

void AreaSelectorView::marchTick()
{
    m_dashPhase -= dashStep;
    if (m_dashPhase < -dashPeriod)
        m_dashPhase = 0;
    update();
}

void AreaSelectorView::announce(const QString& text)
{
    m_announcer.announceFrom(this, text, Announcer::outcomePriority);
}

void AreaSelectorView::selectionChanged()
{
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, accessibleValue());
        QAccessible::updateAccessibility(&event);
    }
}

void AreaSelectorView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_keyView->setFocus(Qt::OtherFocusReason);
}

void AreaSelectorView::hideEvent(QHideEvent* event)
{
    stopMarchTimer();
    QWidget::hideEvent(event);
}

// --- Drawing ------------------------------------------------------------------

void AreaSelectorView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_backdrop.paint(painter, QRectF(rect()));
    const auto current = selection();
    if (current && area::isDrawn(*current)) {
        paintSelection(painter, *current);
        return;
    }
    painter.fillRect(rect(), black(m_dragging ? 0.3 : 0.55));
    if (!m_dragging)
        paintInstructions(painter);
}

void AreaSelectorView::paintSelection(QPainter& painter, const QRectF& selection) const
{
    QPainterPath dimming;
    dimming.setFillRule(Qt::OddEvenFill);
    dimming.addRect(QRectF(rect()));
    dimming.addRect(selection);
    painter.fillPath(dimming, black(0.55));

    // Qt measures dashes in pen widths.
    constexpr double borderWidth = 1.5;
    QPen border(white(0.9), borderWidth);
    border.setDashPattern({8 / borderWidth, 4 / borderWidth});
    double phase = std::fmod(m_dashPhase, dashPeriod);
    if (phase < 0)
        phase += dashPeriod;
    border.setDashOffset(phase / borderWidth);
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(selection);

    painter.setPen(QPen(black(0.4), 1));
    painter.drawRect(selection.adjusted(-1, -1, 1, 1));

    paintCornerHandles(painter, selection);
    paintSizeBadge(painter, selection);
}

void AreaSelectorView::paintCornerHandles(QPainter& painter, const QRectF& selection) const
{
    const QPointF corners[] = {selection.topLeft(), selection.topRight(), selection.bottomLeft(),
                               selection.bottomRight()};
    for (const QPointF& corner : corners) {
        const QRectF circle(corner - QPointF(5, 5), QSizeF(10, 10));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(circle);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(black(0.25), 1));
        painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void AreaSelectorView::paintSizeBadge(QPainter& painter, const QRectF& selection) const
{
    const QString text =
        area::widthText(selection) + QStringLiteral(" \u00D7 ") + area::heightText(selection);
    const QFont font = badgeFont();
    const QFontMetricsF metrics(font);
    const QSizeF textSize(metrics.horizontalAdvance(text), metrics.height());
    const QRectF badge = area::sizeBadgeRect(selection, textSize, size());
    painter.setPen(Qt::NoPen);
    painter.setBrush(black(0.72));
    painter.drawRoundedRect(badge, 6, 6);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(badge.topLeft() +
                         QPointF(area::kBadgeTextInsetX, area::kBadgeTextInsetY + metrics.ascent()),
                     text);
}

void AreaSelectorView::paintInstructions(QPainter& painter) const
{
    const QFont titleFont = overlaypaint::font(22, QFont::DemiBold);
    const QFont subtitleFont = overlaypaint::font(14, QFont::Normal);
    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF subtitleMetrics(subtitleFont);
    const QSizeF titleSize(titleMetrics.horizontalAdvance(kTitle), titleMetrics.height());
    const QSizeF subtitleSize(subtitleMetrics.horizontalAdvance(kSubtitle),
                              subtitleMetrics.height());
    const area::InstructionsLayout layout =
        area::instructionsLayout(titleSize, subtitleSize, size());

    painter.setPen(Qt::NoPen);
    painter.setBrush(black(0.52));
    painter.drawRoundedRect(layout.background, 18, 18);
    painter.setFont(titleFont);
    painter.setPen(Qt::white);
    painter.drawText(layout.titleOrigin + QPointF(0, titleMetrics.ascent()), kTitle);
    painter.setFont(subtitleFont);
    painter.setPen(white(0.45));
    painter.drawText(layout.subtitleOrigin + QPointF(0, subtitleMetrics.ascent()), kSubtitle);
}

} // namespace kinetta
