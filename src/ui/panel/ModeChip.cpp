#include "ui/panel/ModeChip.h"

#include "ui/common/Symbols.h"
#include "ui/panel/PanelStyle.h"
#include "ui/panel/Theme.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QPainter>

namespace kinetta
{
namespace
{

constexpr qreal kSymbolSize = 18;
constexpr qreal kSpacing = 5;
constexpr qreal kVerticalPadding = 10;
constexpr qreal kRadius = 10;

const QFont& nameFont()
{
    static const QFont font = panel::font(10, QFont::Medium);
    return font;
}

QColor mix(const QColor& from, const QColor& to, qreal t)
{
    const auto channel = [t](float a, float b) { return a + (b - a) * static_cast<float>(t); };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), channel(from.alphaF(), to.alphaF()));
}

} // namespace

ModeChip::ModeChip(CaptureMode mode, QWidget* parent)
    : QAbstractButton(parent), m_mode(mode),
      m_selection(0, Motion::spring(0.3, 0.825), [this] { update(); })
{
    setText(rawValue(mode));
    setAccessibleName(accessibleLabel(mode));
    setAccessibleDescription(QStringLiteral("Click to select"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ModeChip::setScheduler(Scheduler* scheduler, bool reduceMotion)
{
    m_selection.setScheduler(scheduler, reduceMotion);
}

void ModeChip::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    setAccessibleDescription(selected ? QStringLiteral("Currently selected")
                                      : QStringLiteral("Click to select"));
    m_selection.setTarget(selected ? 1.0 : 0.0);
    QAccessibleStateChangeEvent event(this, [] {
        QAccessible::State changed;
        changed.selected = true;
        return changed;
    }());
    QAccessible::updateAccessibility(&event);
    update();
}

QSize ModeChip::sizeHint() const
{
    const QFontMetricsF metrics(nameFont());
    return {qRound(metrics.horizontalAdvance(text()) + 16),
            qRound(2 * kVerticalPadding + kSymbolSize + kSpacing + metrics.height())};
}

QString ModeChip::accessibleLabel(CaptureMode mode)
{
    switch (mode) {
    case CaptureMode::fullScreen:
        return QStringLiteral("Record full screen");
    case CaptureMode::window:
        return QStringLiteral("Record a window");
    case CaptureMode::area:
        return QStringLiteral("Record a custom area");
    }
    return {};
}

void ModeChip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect());
    const qreal t = std::clamp(m_selection.value(), 0.0, 1.0);

    // The plain look underneath, the selected look faded in over it.
    panel::paintCard(painter, bounds, kRadius, Theme::panelSurface(),
                     panel::withOpacity(Theme::panelBorder(), 1 - t));
    if (t > 0) {
        QLinearGradient tint = Theme::kinettaGradient(bounds);
        tint.setColorAt(0, panel::withOpacity(Theme::ktPurple(), 0.5 * t));
        tint.setColorAt(1, panel::withOpacity(Theme::ktPink(), 0.4 * t));
        panel::paintCard(painter, bounds, kRadius, tint,
                         panel::withOpacity(Theme::ktPurple(), 0.6 * t));
    }
    const QColor content = mix(panel::white(0.45), QColor(Qt::white), t);
    const QFontMetricsF metrics(nameFont());
    const qreal top = (bounds.height() - kSymbolSize - kSpacing - metrics.height()) / 2;
    Symbols::paint(painter,
                   QRectF((bounds.width() - kSymbolSize) / 2, top, kSymbolSize, kSymbolSize),
                   symbolName(m_mode), content);
    panel::paintElidedText(
        painter, QRectF(4, top + kSymbolSize + kSpacing, bounds.width() - 8, metrics.height()),
        text(), nameFont(), content, Qt::AlignCenter);
    if (hasFocus()) {
        painter.setPen(QPen(Theme::ktPink(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(bounds.adjusted(1.5, 1.5, -1.5, -1.5), kRadius - 1.5,
                                kRadius - 1.5);
    }
}

} // namespace kinetta
