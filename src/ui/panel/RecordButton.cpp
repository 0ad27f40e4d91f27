#include "ui/panel/RecordButton.h"

#include "ui/panel/PanelStyle.h"
#include "ui/panel/Theme.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <vector>

namespace kinetta
{
namespace
{

constexpr qreal kHorizontalPadding = 14;
constexpr qreal kVerticalPadding = 12;
constexpr qreal kLabelPadding = 11;
constexpr qreal kRadius = 10;
constexpr qreal kDot = 9;
constexpr qreal kDotSpacing = 7;
constexpr qreal kHoverScale = 1.015;
constexpr qreal kShadowRadius = 14;
constexpr qreal kShadowOffset = 4;

const QFont& labelFont()
{
    static const QFont font = panel::font(13, QFont::DemiBold);
    return font;
}

// Three box blurs in a row come close to a Gaussian; radius is the blur's
// reach, as a shadow's radius is given.
void blurAlpha(std::vector<float>& alpha, int width, int height, int reach)
{
    const int box = std::max(1, reach / 3);
    std::vector<float> line(std::max(width, height));
    for (int pass = 0; pass < 3; ++pass) {
        for (int horizontal = 0; horizontal < 2; ++horizontal) {
            const int lines = horizontal ? height : width;
            const int length = horizontal ? width : height;
            for (int l = 0; l < lines; ++l) {
                const auto at = [&](int i) -> float& {
                    return horizontal ? alpha[l * width + i] : alpha[i * width + l];
                };
                float sum = 0;
                for (int i = -box; i <= box; ++i)
                    sum += (i >= 0 && i < length) ? at(i) : 0.0f;
                for (int i = 0; i < length; ++i) {
                    line[i] = sum / float(2 * box + 1);
                    const int out = i - box;
                    const int in = i + box + 1;
                    sum += (in < length ? at(in) : 0.0f) - (out >= 0 ? at(out) : 0.0f);
                }
                for (int i = 0; i < length; ++i)
                    at(i) = line[i];
            }
        }
    }
}

} // namespace

RecordButton::RecordButton(QWidget* parent)
    : QAbstractButton(parent), m_enabledLook(1, Motion::easeInOut(0.15), [this] { update(); }),
      m_hoverLook(0, Motion::spring(0.25, 0.65), [this] { update(); })
{
    setText(QStringLiteral("Start Recording"));
    setAccessibleName(QStringLiteral("Start Recording"));
    setAccessibleDescription(QStringLiteral("Begins a new GIF recording"));
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void RecordButton::setScheduler(Scheduler* scheduler, bool reduceMotion)
{
    m_reduceMotion = reduceMotion;
    m_enabledLook.setScheduler(scheduler, reduceMotion);
    m_hoverLook.setScheduler(scheduler, reduceMotion);
}

void RecordButton::setCanRecord(bool canRecord)
{
    if (canRecord == m_canRecord)
        return;
    m_canRecord = canRecord;
    setEnabled(canRecord);
    setAccessibleDescription(canRecord ? QStringLiteral("Begins a new GIF recording")
                                       : QStringLiteral("Select a window first"));
    retarget();
}

void RecordButton::setHovered(bool hovered)
{
    if (hovered == m_hovered)
        return;
    m_hovered = hovered;
    retarget();
}

void RecordButton::retarget()
{
    m_enabledLook.setTarget(m_canRecord ? 1.0 : 0.0);
    m_hoverLook.setTarget(m_hovered && m_canRecord ? 1.0 : 0.0);
    update();
}

double RecordButton::shadowOpacity() const
{
    return 0.5 * std::clamp(m_hoverLook.value(), 0.0, 1.2);
}

double RecordButton::scale() const
{
    return m_reduceMotion ? 1.0 : 1.0 + (kHoverScale - 1.0) * m_hoverLook.value();
}

bool RecordButton::event(QEvent* event)
{
    // Enter and leave arrive even while disabled, so the state is right the
    // moment the button may record again.
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::HoverEnter:
        setHovered(true);
        break;
    case QEvent::Leave:
    case QEvent::HoverLeave:
        setHovered(false);
        break;
    default:
        break;
    }
    return QAbstractButton::event(event);
}

QRectF RecordButton::buttonRect() const
{
    return QRectF(rect()).adjusted(kHorizontalPadding, kVerticalPadding, -kHorizontalPadding,
                                   -kVerticalPadding);
}

bool RecordButton::hitButton(const QPoint& position) const
{
    return buttonRect().contains(position);
}

QSize RecordButton::sizeHint() const
{
    const qreal label = std::max(QFontMetricsF(labelFont()).height(), kDot);
    return {300, static_cast<int>(std::ceil(label + 2 * kLabelPadding + 2 * kVerticalPadding))};
}

const QImage& RecordButton::shadowImage()
{
    const QSizeF button = buttonRect().size();
    const int margin = static_cast<int>(kShadowRadius) + 2;
    const QSize size(static_cast<int>(std::ceil(button.width())) + 2 * margin,
                     static_cast<int>(std::ceil(button.height())) + 2 * margin);
    if (m_shadowFor == size && !m_shadow.isNull())
        return m_shadow;
    std::vector<float> alpha(static_cast<std::size_t>(size.width()) * size.height(), 0.0f);
    {
        QImage shape(size, QImage::Format_Alpha8);
        shape.fill(0);
        QPainter painter(&shape);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(QRectF(QPointF(margin, margin), button), kRadius, kRadius);
        painter.end();
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                alpha[y * size.width() + x] = shape.constScanLine(y)[x] / 255.0f;
    }
    blurAlpha(alpha, size.width(), size.height(), static_cast<int>(kShadowRadius));
    m_shadow = QImage(size, QImage::Format_ARGB32_Premultiplied);
    const QColor purple = Theme::ktPurple();
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(m_shadow.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int a = std::clamp(int(alpha[y * size.width() + x] * 255.0f + 0.5f), 0, 255);
            row[x] = qPremultiply(qRgba(purple.red(), purple.green(), purple.blue(), a));
        }
    }
    m_shadowFor = size;
    return m_shadow;
}

void RecordButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF button = buttonRect();
    const double shadow = shadowOpacity();
    if (shadow > 0.001) {
        const QImage& image = shadowImage();
        painter.setOpacity(std::min(shadow, 1.0));
        const qreal margin = (image.width() - std::ceil(button.width())) / 2.0;
        painter.drawImage(button.topLeft() - QPointF(margin, margin - kShadowOffset), image);
        painter.setOpacity(1);
    }
    // Grows about its centre.
    const qreal s = scale();
    painter.translate(button.center());
    painter.scale(s, s);
    painter.translate(-button.center());

    const qreal look = std::clamp(m_enabledLook.value(), 0.0, 1.0);
    panel::paintCard(painter, button, kRadius, panel::white(0.08), Qt::transparent);
    if (look > 0) {
        painter.setOpacity(look);
        panel::paintCard(painter, button, kRadius, Theme::kinettaGradient(button), Qt::transparent);
        painter.setOpacity(1);
    }
    const QFontMetricsF metrics(labelFont());
    const qreal labelWidth = kDot + kDotSpacing + metrics.horizontalAdvance(text());
    const qreal left = button.center().x() - labelWidth / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(left, button.center().y() - kDot / 2, kDot, kDot));
    panel::paintElidedText(painter,
                           QRectF(left + kDot + kDotSpacing, button.top(),
                                  labelWidth - kDot - kDotSpacing + 2, button.height()),
                           text(), labelFont(), Qt::white);
    if (hasFocus()) {
        painter.setPen(QPen(panel::white(0.7), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(button.adjusted(-2, -2, 2, 2), kRadius + 2, kRadius + 2);
    }
}

} // namespace kinetta
