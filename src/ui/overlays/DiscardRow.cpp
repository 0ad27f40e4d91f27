#include "ui/overlays/DiscardRow.h"

#include "ui/overlays/OverlayPainting.h"
#include "ui/overlays/PaintedButton.h"

#include <QPainter>
#include <cmath>

namespace kinetta
{
namespace
{

PaintedButton::Painter textButton(QString text, QFont font, QColor ink)
{
    return [text = std::move(text), font = std::move(font),
            ink](QPainter& painter, const QRectF& rect, const PaintedButton::Look& look) {
        if (look.hovered || look.pressed)
            painter.fillRect(rect, overlaypaint::white(look.pressed ? 0.06 : 0.03));
        painter.setFont(font);
        painter.setPen(ink);
        painter.drawText(rect, Qt::AlignCenter, text);
    };
}

PaintedButton* makeButton(QWidget* parent, const QString& text, QFont font, QColor ink,
                          const QString& hint)
{
    auto* button = new PaintedButton(textButton(text, std::move(font), ink), parent);
    button->setAccessibleName(text);
    button->setAccessibleDescription(hint);
    return button;
}

} // namespace

DiscardRow::DiscardRow(Scheduler& scheduler, bool reducedMotion, QWidget* parent)
    : QWidget(parent), m_reducedMotion(reducedMotion),
      m_discardRecording(makeButton(
          this, QStringLiteral("Discard Recording"), overlaypaint::font(12, QFont::Medium),
          overlaypaint::white(0.45), QStringLiteral("Shows a confirmation before discarding"))),
      m_keep(makeButton(this, QStringLiteral("Keep Recording"),
                        overlaypaint::font(12, QFont::Medium), overlaypaint::white(0.40),
                        QStringLiteral("Cancel discard and continue recording"))),
      m_discard(makeButton(this, QStringLiteral("Discard"), overlaypaint::font(12, QFont::Bold),
                           QColor::fromRgbF(1.0f, 0.38f, 0.38f),
                           QStringLiteral("Discard recording without saving"))),
      m_transition(scheduler, 0, [this] { placeButtons(); })
{
    setFixedHeight(height);
    placeButtons();
}

void DiscardRow::setArmed(bool armed)
{
    if (m_armed == armed)
        return;
    m_armed = armed;
    const qreal target = armed ? 1 : 0;
    m_transition.animateTo(target, armed ? armDuration : disarmDuration, QEasingCurve::OutCubic);
    placeButtons();
}

void DiscardRow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void DiscardRow::placeButtons()
{
    const qreal t = std::clamp<qreal>(m_transition.value(), 0, 1);
    // The armed row comes in from the trailing edge and pushes the other out
    // at the leading edge; under reduced motion both only fade.
    const qreal push = m_reducedMotion ? 0 : width();
    const int unarmedX = int(std::lround(-push * t));
    const int armedX = int(std::lround(push * (1 - t)));
    const int half = width() / 2;

    m_discardRecording->setGeometry(unarmedX, 0, width(), height);
    m_keep->setGeometry(armedX, 0, half, height);
    m_discard->setGeometry(armedX + half, 0, width() - half, height);
    m_discardRecording->setOpacity(1 - t);
    m_keep->setOpacity(t);
    m_discard->setOpacity(t);

    // Only the state being entered takes clicks and is seen by screen
    // readers; the other stays drawn until it has gone.
    m_discardRecording->setVisible(!m_armed || t < 1);
    m_keep->setVisible(m_armed || t > 0);
    m_discard->setVisible(m_armed || t > 0);
    m_discardRecording->setAttribute(Qt::WA_TransparentForMouseEvents, m_armed);
    m_keep->setAttribute(Qt::WA_TransparentForMouseEvents, !m_armed);
    m_discard->setAttribute(Qt::WA_TransparentForMouseEvents, !m_armed);
}

} // namespace kinetta
