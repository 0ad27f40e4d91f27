#include "ui/preview/ActionBar.h"

#include "ui/common/Symbols.h"
#include "ui/panel/Theme.h"
#include "ui/preview/PreviewActions.h"
#include "ui/preview/PreviewModel.h"
#include "ui/preview/PreviewPainting.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace kinetta
{

ActionButton::ActionButton(Style style, const QString& title, const QString& symbol,
                           const QString& hint, QWidget* parent)
    : QAbstractButton(parent), m_style(style), m_symbol(symbol)
{
    setText(title);
    setAccessibleDescription(hint);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ActionButton::animateLookChanges(const PreviewMotion& motion)
{
    if (motion.reduceMotion)
        m_fade.reset();
    else
        m_fade = std::make_unique<ScheduledTween>(motion.scheduler, 1.0, [this] { update(); });
}

void ActionButton::setLook(const QString& title, const QString& symbol, bool busy)
{
    if (m_fade && (title != text() || symbol != m_symbol || busy != m_busy)) {
        m_oldTitle = text();
        m_oldSymbol = m_symbol;
        m_oldBusy = m_busy;
        m_fade->jumpTo(0.0);
        m_fade->animateTo(1.0, PreviewMotion::labelChange, PreviewMotion::easeInOut());
    }
    setText(title);
    m_symbol = symbol;
    m_busy = busy;
    update();
}

QSize ActionButton::sizeHint() const
{
    const QFont font = previewFont(*this, 12, QFont::Medium);
    return {qRound(symbolAndTextWidth(m_symbol, 12, text(), font, 6)) + 20,
            qRound(QFontMetricsF(font).height()) + 20};
}

QSize ActionButton::minimumSizeHint() const
{
    return {40, sizeHint().height()};
}

void ActionButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor ink = withOpacity(Qt::white, 0.75);
    QFont font = previewFont(*this, 12, QFont::Medium);
    switch (m_style) {
    case Style::destructive:
        painter.setBrush(withOpacity(PreviewColors::red, 0.08));
        painter.setPen(QPen(withOpacity(PreviewColors::red, 0.2), 1));
        ink = withOpacity(PreviewColors::red, 0.9);
        break;
    case Style::secondary:
        painter.setBrush(withOpacity(Qt::white, 0.06));
        painter.setPen(QPen(withOpacity(Qt::white, 0.08), 1));
        break;
    case Style::primary:
        if (isEnabled())
            painter.setBrush(Theme::kinettaGradient(QRectF(plate.left(), 0, plate.width(), 0)));
        else
            painter.setBrush(withOpacity(Qt::white, 0.07));
        painter.setPen(Qt::NoPen);
        ink = Qt::white;
        font = previewFont(*this, 12, QFont::DemiBold);
        break;
    }
    painter.drawRoundedRect(plate, 10, 10);
    if (!isEnabled() && m_style != Style::primary)
        ink = withOpacity(ink, ink.alphaF() * 0.4);
    if (isDown())
        ink = withOpacity(ink, ink.alphaF() * 0.6);

    const qreal fadedIn = lookProgress();
    if (fadedIn < 1.0) {
        painter.setOpacity(1.0 - fadedIn);
        paintLook(painter, plate, m_oldTitle, m_oldSymbol, m_oldBusy, font, ink);
    }
    painter.setOpacity(fadedIn);
    paintLook(painter, plate, text(), m_symbol, m_busy, font, ink);
    painter.setOpacity(1.0);
    if (hasFocus()) {
        painter.setPen(QPen(withOpacity(Qt::white, 0.5), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(plate.adjusted(1, 1, -1, -1), 9, 9);
    }
}

void ActionButton::paintLook(QPainter& painter, const QRectF& plate, const QString& title,
                             const QString& symbol, bool busy, const QFont& font, const QColor& ink)
{
    const qreal spacing = 6;
    const QString shown = busy ? QString() : symbol;
    const qreal busyWidth = busy ? 12 + spacing : 0;
    const qreal width = symbolAndTextWidth(shown, 12, title, font, spacing) + busyWidth;
    QPointF start(plate.center().x() - width / 2, plate.center().y());
    if (busy) {
        paintBusyRing(painter, QRectF(start.x(), start.y() - 6, 12, 12), Qt::white, 1.6);
        start.rx() += busyWidth;
    }
    paintSymbolAndText(painter, start, shown, 12, title, font, ink, spacing);
}

ActionBar::ActionBar(PreviewModel& model, PreviewActions& actions, const PreviewMotion& motion,
                     QWidget* parent)
    : QWidget(parent), m_model(model), m_actions(actions),
      m_discard(new ActionButton(ActionButton::Style::destructive, QStringLiteral("Discard"),
                                 QStringLiteral("trash"),
                                 QStringLiteral("Permanently discard this recording"), this)),
      m_recordAgain(new ActionButton(ActionButton::Style::secondary, QStringLiteral("Record Again"),
                                     QStringLiteral("record.circle"),
                                     QStringLiteral("Start a new recording"), this)),
      m_boomerang(new ActionButton(
          ActionButton::Style::secondary, QStringLiteral("Boomerang"),
          QStringLiteral("arrow.uturn.backward.circle"),
          QStringLiteral("Play forward then backward for a seamless bounce loop"), this)),
      m_copyPng(new ActionButton(ActionButton::Style::secondary, QStringLiteral("Copy PNG"),
                                 QStringLiteral("photo"),
                                 QStringLiteral("Copy this frame as a PNG to the clipboard"), this)),
      m_copy(new ActionButton(ActionButton::Style::secondary, QStringLiteral("Copy"),
                              QStringLiteral("doc.on.clipboard"),
                              QStringLiteral("Copy GIF to clipboard"), this)),
      m_save(new ActionButton(ActionButton::Style::primary, QStringLiteral("Save…"),
                              QStringLiteral("square.and.arrow.down"),
                              QStringLiteral("Opens a save dialog"), this))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 14, 16, 14);
    row->setSpacing(8);
    for (ActionButton* button : {m_discard, m_recordAgain, m_boomerang, m_copyPng, m_copy, m_save})
        row->addWidget(button, 1);

    // Boomerang, Copy PNG and Copy change their labels as they act.
    m_boomerang->animateLookChanges(motion);
    m_copyPng->animateLookChanges(motion);
    m_copy->animateLookChanges(motion);

    connect(m_discard, &ActionButton::clicked, &m_actions, &PreviewActions::discard);
    connect(m_recordAgain, &ActionButton::clicked, &m_actions, &PreviewActions::recordAgain);
    connect(m_boomerang, &ActionButton::clicked, &m_model, &PreviewModel::toggleBoomerang);
    connect(m_copyPng, &ActionButton::clicked, &m_actions, &PreviewActions::copyPng);
    connect(m_copy, &ActionButton::clicked, &m_actions, &PreviewActions::copyGif);
    connect(m_save, &ActionButton::clicked, this, &ActionBar::saveRequested);
    connect(&m_model, &PreviewModel::changed, this, &ActionBar::refresh);
    connect(&m_actions, &PreviewActions::changed, this, &ActionBar::refresh);
    refresh();
}

void ActionBar::refresh()
{
    m_recordAgain->setVisible(m_actions.canRecordAgain());
    m_boomerang->setVisible(m_model.frameCount() >= 2);
    m_boomerang->setLook(m_model.boomerang() ? QStringLiteral("Boomerang ✓")
                                             : QStringLiteral("Boomerang"),
                         QStringLiteral("arrow.uturn.backward.circle"));
    m_copyPng->setVisible(m_model.selectedFrameCount() == 1);
    m_copyPng->setLook(m_actions.copiedPng() ? QStringLiteral("Copied!") : QStringLiteral("Copy PNG"),
                       m_actions.copiedPng() ? QStringLiteral("checkmark") : QStringLiteral("photo"));
    m_copy->setLook(m_actions.copied() ? QStringLiteral("Copied!") : QStringLiteral("Copy"),
                    m_actions.copied() ? QStringLiteral("checkmark")
                                       : QStringLiteral("doc.on.clipboard"));
    const bool exportable = m_actions.canExport();
    m_copy->setEnabled(exportable);
    m_save->setEnabled(exportable);
    const bool encoding = m_model.isEncoding();
    m_save->setLook(encoding ? QStringLiteral("Encoding…") : QStringLiteral("Save…"),
                    QStringLiteral("square.and.arrow.down"), encoding);
    m_save->setAccessibleName(encoding ? QStringLiteral("Encoding GIF, please wait")
                                       : QStringLiteral("Save GIF to file"));
}

void ActionBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), PreviewColors::bar);
    painter.fillRect(QRect(0, 0, width(), 1), PreviewColors::divider);
}

} // namespace kinetta
