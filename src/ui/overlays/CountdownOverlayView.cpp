#include "ui/overlays/CountdownOverlayView.h"

#include "model/RecordingSession.h"
#include "ui/common/Announcer.h"
#include "ui/overlays/CountdownDial.h"
#include "ui/overlays/OverlayPainting.h"
#include "ui/overlays/PaintedButton.h"
#include "ui/overlays/PaintedElement.h"
#include "ui/selection/KeyView.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QScreen>

namespace kinetta
{
namespace
{

constexpr qreal stackSpacing = 24;
constexpr qreal subtitleSpacing = 10;
constexpr qreal stackPadding = 8;
constexpr int subtitleSize = 18;
constexpr int cancelTextSize = 13;
constexpr qreal cancelPadX = 16;
constexpr qreal cancelPadY = 8;
constexpr qreal cancelSpacing = 6;

const QString kSubtitle = QStringLiteral("Recording in…");
const QString kCancel = QStringLiteral("Cancel");
const QString kEscape = QStringLiteral("⎋");

QFont cancelFont()
{
    return overlaypaint::font(cancelTextSize, QFont::Medium);
}

// The escape glyph is small in most fonts; a larger size matches the text.
QFont escapeFont()
{
    return overlaypaint::font(cancelTextSize + 4, QFont::Medium);
}

QSizeF cancelSize()
{
    const QFontMetricsF metrics(cancelFont());
    const qreal content = QFontMetricsF(escapeFont()).horizontalAdvance(kEscape) + cancelSpacing +
                          metrics.horizontalAdvance(kCancel);
    return {content + 2 * cancelPadX, metrics.height() + 2 * cancelPadY};
}

void paintCancel(QPainter& painter, const QRectF& rect, const PaintedButton::Look& look)
{
    const QPainterPath shape = overlaypaint::capsule(rect.adjusted(0.25, 0.25, -0.25, -0.25));
    painter.fillPath(shape, overlaypaint::white(look.pressed ? 0.12 : look.hovered ? 0.10 : 0.07));
    painter.setPen(QPen(overlaypaint::white(0.10), 0.5));
    painter.drawPath(shape);

    const QFont font = cancelFont();
    const QFontMetricsF metrics(font);
    painter.setPen(overlaypaint::white(0.5));
    const qreal baseline = rect.center().y() + (metrics.ascent() - metrics.descent()) / 2;
    qreal x = rect.left() + cancelPadX;
    painter.setFont(escapeFont());
    painter.drawText(QPointF(x, baseline), kEscape);
    x += QFontMetricsF(escapeFont()).horizontalAdvance(kEscape) + cancelSpacing;
    painter.setFont(font);
    painter.drawText(QPointF(x, baseline), kCancel);
}

} // namespace

CountdownOverlayView::CountdownOverlayView(RecordingSession& session, Scheduler& scheduler,
                                           bool reducedMotion, OverlayBackdrop backdrop,
                                           QWidget* parent)
    : QWidget(parent), m_session(&session), m_backdrop(std::move(backdrop))
{
    setAccessibleName(QStringLiteral("Countdown"));
    // Behind the content, so that clicks go to the button and keys to it.
    m_keyView = new KeyView([this] { cancel(); }, this);
    m_dial = new CountdownDial(scheduler, reducedMotion, this);
    m_subtitle = new PaintedElement(
        QAccessible::StaticText,
        [](QPainter& painter, const QRectF& rect) {
            painter.setFont(overlaypaint::font(subtitleSize, QFont::Medium));
            painter.setPen(overlaypaint::white(0.65));
            painter.drawText(rect, Qt::AlignCenter, kSubtitle);
        },
        this);
    m_subtitle->setAccessibleName(kSubtitle);
    m_cancel = new PaintedButton(paintCancel, this);
    m_cancel->setFixedSize(cancelSize().toSize() + QSize(1, 1));
    m_cancel->setAccessibleName(QStringLiteral("Cancel countdown"));
    m_cancel->setAccessibleDescription(
        QStringLiteral("Stops the countdown and returns to the control panel"));
    // The key view keeps the keyboard; a click must not move it to the button.
    m_cancel->setFocusPolicy(Qt::NoFocus);
    connect(m_cancel, &QAbstractButton::clicked, this, [this] { cancel(); });

    connect(&session, &RecordingSession::countdownValueChanged, this,
            [this](std::optional<qint64> value) { showValue(value); });
    connect(&session, &RecordingSession::countdownSecondsChanged, this,
            [this] { showValue(m_session ? m_session->countdownValue() : std::nullopt); });
    const std::optional<qint64> first = session.countdownValue();
    if (first)
        m_dial->setValue(*first, session.countdownSeconds(), false);
    m_dial->setVisible(first.has_value());
    layoutContent();
}

CountdownOverlayView::~CountdownOverlayView() = default;

std::unique_ptr<CountdownOverlayView>
CountdownOverlayView::openOn(QScreen* screen, RecordingSession& session, Scheduler& scheduler,
                             bool reducedMotion, bool composited, Announcer* announcer)
{
    auto view = std::make_unique<CountdownOverlayView>(
        session, scheduler, reducedMotion, OverlayBackdrop::forScreen(screen, composited));
    view->setAnnouncer(announcer);
    // Above panels and other always-on-top windows, with no taskbar entry.
    view->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::X11BypassWindowManagerHint);
    view->m_backdrop.applyTo(*view);
    if (screen) {
        view->setScreen(screen);
        view->setGeometry(screen->geometry());
    }
    view->show();
    view->raise();
    view->activateWindow();
    return view;
}

qreal CountdownOverlayView::ringFraction() const
{
    return m_dial->ringFraction();
}

void CountdownOverlayView::cancel()
{
    if (m_session)
        m_session->setCancelCountdown(true);
}

void CountdownOverlayView::mousePressEvent(QMouseEvent* event)
{
    // The overlay takes every click while it counts; a left click that is
    // not on Cancel says how to stop it.
    event->accept();
    if (event->button() == Qt::LeftButton && m_announcer)
        m_announcer->announce(QStringLiteral("Countdown in progress. Press Escape to cancel."),
                              Announcer::outcomePriority);
}

void CountdownOverlayView::showValue(std::optional<qint64> value)
{
    const bool wasShown = m_dial->isVisibleTo(this);
    if (value && m_session)
        m_dial->setValue(*value, m_session->countdownSeconds(), wasShown);
    m_dial->setVisible(value.has_value());
    layoutContent();
    update();
}

void CountdownOverlayView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutContent();
}

void CountdownOverlayView::layoutContent()
{
    m_keyView->setGeometry(rect());
    m_keyView->lower();
    const QFontMetricsF subtitleMetrics(overlaypaint::font(subtitleSize, QFont::Medium));
    const QSizeF button = m_cancel->size();
    const qreal subtitleHeight = subtitleMetrics.height() + subtitleSpacing + button.height();
    const bool dialShown = m_dial->isVisibleTo(this);
    const qreal dialHeight = dialShown ? CountdownDial::side + stackSpacing : 0;
    const qreal total = dialHeight + subtitleHeight + 2 * stackPadding;
    const QPointF centre = QRectF(rect()).center();
    qreal y = centre.y() - total / 2 + stackPadding;
    if (dialShown) {
        m_dial->move(int(std::lround(centre.x() - CountdownDial::side / 2.0)), int(std::lround(y)));
        y += dialHeight;
    }
    m_subtitle->setGeometry(QRectF(0, y, width(), subtitleMetrics.height()).toAlignedRect());
    y += subtitleMetrics.height() + subtitleSpacing;
    m_cancel->move(int(std::lround(centre.x() - button.width() / 2)), int(std::lround(y)));
}

void CountdownOverlayView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect();
    m_backdrop.paint(painter, area);
    // A nearly clear layer, so that the whole window takes the pointer.
    painter.fillRect(area, QColor(0, 0, 0, 3));

    if (m_dial->isVisibleTo(this)) {
        // The shade that lifts the number off whatever is on screen.
        const QPointF centre = area.center();
        QRadialGradient shade(centre, 320);
        shade.setColorAt(40.0 / 320.0, QColor::fromRgbF(0, 0, 0, 0.62f));
        shade.setColorAt(180.0 / 320.0, QColor::fromRgbF(0, 0, 0, 0.32f));
        shade.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0));
        painter.fillRect(QRectF(centre.x() - 320, centre.y() - 320, 640, 640), shade);
    }
}

} // namespace kinetta
