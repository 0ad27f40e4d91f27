#include "ui/overlays/RecordingHUDView.h"

#include "model/RecordingSession.h"
#include "ui/common/Announcer.h"
#include "ui/overlays/AutoStopIndicator.h"
#include "ui/overlays/DiscardRow.h"
#include "ui/overlays/HudHeader.h"
#include "ui/overlays/OverlayPainting.h"
#include "ui/overlays/OverlayTexts.h"
#include "ui/overlays/PaintedButton.h"
#include "ui/overlays/PaintedElement.h"

#include <QFontMetricsF>
#include <QPainter>

namespace kinetta
{
namespace
{

constexpr int sidePadding = 20;
constexpr int bottomPadding = 14;
constexpr int headerTop = 14;
constexpr int timerTop = 40;
constexpr int timerHeight = 80;
constexpr int framesHeight = 18;
constexpr int dividerGap = 14;
constexpr int stopHeight = 48;
constexpr int stopToDiscard = 4;
// Room around the stop button for its shadow.
constexpr int shadowMargin = 16;

QFont timerFont()
{
    return overlaypaint::font(66, QFont::Black);
}

QFont framesFont()
{
    return overlaypaint::font(11, QFont::Medium);
}

void paintStop(QPainter& painter, const QRectF& rect, const PaintedButton::Look& look)
{
    QPainterPath shape;
    shape.addRoundedRect(rect, 13, 13);
    overlaypaint::drawShadow(painter, shape, QColor::fromRgbF(1, 0.23f, 0.19f, 0.38f), 12,
                             QPointF(0, 5));
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, QColor::fromRgbF(0.88f, 0.14f, 0.14f));
    fill.setColorAt(1, QColor::fromRgbF(0.58f, 0.06f, 0.06f));
    painter.fillPath(shape, fill);
    if (look.pressed)
        painter.fillPath(shape, QColor(0, 0, 0, 40));
    else if (look.hovered)
        painter.fillPath(shape, overlaypaint::white(0.06));

    const QString text = QStringLiteral("Stop & Save");
    const QFont font = overlaypaint::font(14, QFont::DemiBold);
    const QFontMetricsF metrics(font);
    constexpr qreal square = 14;
    constexpr qreal spacing = 11;
    const qreal width = square + spacing + metrics.horizontalAdvance(text);
    const qreal left = rect.center().x() - width / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(left, rect.center().y() - square / 2, square, square), 3, 3);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(left + square + spacing,
                             rect.center().y() + (metrics.ascent() - metrics.descent()) / 2),
                     text);
}

} // namespace

RecordingHUDView::RecordingHUDView(RecordingSession& session, Scheduler& scheduler,
                                   Announcer* announcer, bool reducedMotion,
                                   std::function<void()> onStop, std::function<void()> onDiscard,
                                   QWidget* parent)
    : QWidget(parent), m_session(&session), m_announcer(announcer), m_onStop(std::move(onStop)),
      m_discard(
          scheduler, [this](bool armed) { onArmedChanged(armed); }, std::move(onDiscard))
{
    m_header = new HudHeader(scheduler, reducedMotion, this);
    m_timer = new PaintedElement(
        QAccessible::StaticText,
        [this](QPainter& painter, const QRectF& rect) {
            painter.setPen(Qt::white);
            overlaypaint::drawMonospacedCentred(
                painter, timerFont(), rect,
                overlaytexts::elapsedText(m_session ? m_session->recordingSeconds() : 0));
        },
        this);
    m_frames = new PaintedElement(
        QAccessible::StaticText,
        [this](QPainter& painter, const QRectF& rect) {
            const qint64 seconds = m_session ? m_session->recordingSeconds() : 0;
            const double fps = m_session ? m_session->fps() : 0;
            const QFont font = framesFont();
            const QFontMetricsF metrics(font);
            // The frame count sits in room for five digits, so the row stays put.
            const qreal countWidth =
                overlaypaint::monospacedWidth(font, overlaytexts::framesText(99999));
            const QString fpsText = overlaytexts::fpsText(fps);
            constexpr qreal spacing = 6;
            constexpr qreal dot = 3;
            const qreal total =
                countWidth + spacing + dot + spacing + overlaypaint::monospacedWidth(font, fpsText);
            const qreal left = rect.center().x() - total / 2;
            const qreal baseline = rect.center().y() + (metrics.ascent() - metrics.descent()) / 2;
            const QString count =
                overlaytexts::framesText(overlaytexts::estimatedFrames(seconds, fps));
            // The row is white at 40 %, its separating dot a little brighter.
            painter.setPen(overlaypaint::white(0.40));
            overlaypaint::drawMonospaced(
                painter, font, left + (countWidth - overlaypaint::monospacedWidth(font, count)) / 2,
                baseline, count);
            painter.setPen(Qt::NoPen);
            painter.setBrush(overlaypaint::white(0.45));
            painter.drawEllipse(QPointF(left + countWidth + spacing + dot / 2, rect.center().y()),
                                dot / 2, dot / 2);
            painter.setPen(overlaypaint::white(0.40));
            overlaypaint::drawMonospaced(painter, font, left + countWidth + 2 * spacing + dot,
                                         baseline, fpsText);
        },
        this);
    m_autoStop = new AutoStopIndicator(scheduler, reducedMotion, this);
    m_stop = new PaintedButton(paintStop, this);
    m_stop->setContentsMargins(shadowMargin, shadowMargin, shadowMargin, shadowMargin);
    m_stop->setAccessibleName(QStringLiteral("Stop recording and save GIF"));
    connect(m_stop, &QAbstractButton::clicked, this, [this] {
        if (m_onStop)
            m_onStop();
    });
    m_discardRow = new DiscardRow(scheduler, reducedMotion, this);
    connect(m_discardRow->discardRecordingButton(), &QAbstractButton::clicked, this,
            [this] { m_discard.arm(); });
    connect(m_discardRow->keepButton(), &QAbstractButton::clicked, this,
            [this] { m_discard.keep(); });
    connect(m_discardRow->discardButton(), &QAbstractButton::clicked, this,
            [this] { m_discard.discard(); });

    connect(&session, &RecordingSession::recordingSecondsChanged, this,
            [this] { refreshTime(true); });
    connect(&session, &RecordingSession::fpsChanged, this, [this] {
        m_frames->update();
        refreshTime(false);
    });
    connect(&session, &RecordingSession::autoStopSecondsChanged, this,
            [this] { refreshTime(true); });
    connect(&session, &RecordingSession::useAutoStopChanged, this, [this] { refreshAutoStop(); });
    connect(&session, &RecordingSession::captureModeChanged, m_header, &HudHeader::setMode);
    m_header->setMode(session.captureMode());
    refreshAutoStop();
    refreshTime(false);
}

RecordingHUDView::~RecordingHUDView() = default;

void RecordingHUDView::refreshTime(bool animate)
{
    if (!m_session)
        return;
    const qint64 seconds = m_session->recordingSeconds();
    const double fps = m_session->fps();
    m_timer->setAccessibleName(overlaytexts::timerLabel(seconds));
    m_frames->setAccessibleName(
        overlaytexts::framesLabel(overlaytexts::estimatedFrames(seconds, fps), fps));
    m_timer->update();
    m_frames->update();
    m_autoStop->setState(m_session->autoStopSeconds(), seconds, animate);
    const qint64 remaining = m_autoStop->remaining();
    if (remaining != m_lastRemaining) {
        // The first value is what the view opens with, not a change.
        const bool change = m_lastRemaining >= 0;
        m_lastRemaining = remaining;
        if (change)
            announceAutoStop(remaining);
    }
}

void RecordingHUDView::announceAutoStop(qint64 remaining)
{
    if (!m_announcer || !m_session || !m_session->useAutoStop())
        return;
    if (const auto warning = overlaytexts::autoStopWarning(remaining))
        m_announcer->announce(*warning, Announcer::commentaryPriority);
}

void RecordingHUDView::onArmedChanged(bool armed)
{
    m_discardRow->setArmed(armed);
    if (armed && m_announcer)
        m_announcer->announce(overlaytexts::kDiscardConfirmation, Announcer::outcomePriority);
}

void RecordingHUDView::refreshAutoStop()
{
    const bool on = m_session && m_session->useAutoStop();
    m_autoStop->setVisible(on);
    setFixedSize(contentWidth, on ? heightWithAutoStop : heightWithoutAutoStop);
    layoutParts();
    update();
}

void RecordingHUDView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

void RecordingHUDView::layoutParts()
{
    const int inner = width() - 2 * sidePadding;
    m_header->setGeometry(sidePadding, headerTop, inner, HudHeader::height);
    m_timer->setGeometry(0, timerTop, width(), timerHeight);
    m_frames->setGeometry(0, timerTop + timerHeight, width(), framesHeight);
    m_dividerY = timerTop + timerHeight + framesHeight + dividerGap;
    m_autoStop->setGeometry(sidePadding, int(m_dividerY) + dividerGap, inner,
                            AutoStopIndicator::height);
    const int discardTop = height() - bottomPadding - DiscardRow::height;
    m_discardRow->setGeometry(sidePadding, discardTop, inner, DiscardRow::height);
    const int stopTop = discardTop - stopToDiscard - stopHeight;
    m_stop->setGeometry(sidePadding - shadowMargin, stopTop - shadowMargin,
                        inner + 2 * shadowMargin, stopHeight + 2 * shadowMargin);
}

void RecordingHUDView::paintEvent(QPaintEvent*)
{
    if (!m_autoStop->isVisibleTo(this))
        return;
    QPainter painter(this);
    painter.fillRect(QRectF(0, m_dividerY, width(), 1), overlaypaint::white(0.06));
}

} // namespace kinetta
