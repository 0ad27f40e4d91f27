#include "ui/preview/TrimInfoRow.h"

#include "ui/common/Symbols.h"
#include "ui/panel/Theme.h"
#include "ui/preview/TextButton.h"

#include <QPainter>
#include <QShortcut>

namespace kinetta
{
namespace
{

constexpr int spacing = 6;
constexpr qreal symbolSize = 10;
// Sizes are device-independent pixels, not typographic points.
constexpr int textPixelSize = 11;

} // namespace

TrimInfoRow::TrimInfoRow(QWidget* parent)
    : QWidget(parent), m_undo(new TextButton(QStringLiteral("Undo"), textPixelSize, QFont::DemiBold,
                                             QColor(255, 255, 255, 115), this)),
      m_apply(new TextButton(QStringLiteral("Apply Trim"), textPixelSize, QFont::DemiBold,
                             Theme::ktPink(), this)),
      m_undoShortcut(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this)),
      m_applyShortcut(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this)),
      m_applyEnterShortcut(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_undo->setAccessibleName(QStringLiteral("Undo trim"));
    m_apply->setAccessibleName(QStringLiteral("Apply trim to selected range"));
    m_undo->setToolTip(QStringLiteral("Undo trim (Ctrl+Z)"));
    m_apply->setToolTip(QStringLiteral("Apply trim to selected range (Ctrl+Return)"));
    connect(m_undo, &QAbstractButton::clicked, this, &TrimInfoRow::undoRequested);
    connect(m_apply, &QAbstractButton::clicked, this, &TrimInfoRow::applyRequested);
    connect(m_undoShortcut, &QShortcut::activated, this, &TrimInfoRow::undoRequested);
    connect(m_applyShortcut, &QShortcut::activated, this, &TrimInfoRow::applyRequested);
    connect(m_applyEnterShortcut, &QShortcut::activated, this, &TrimInfoRow::applyRequested);
    setCanUndo(false);
    setCanApply(false);
    setSummary(QStringLiteral("Drag handles to trim"));
}

QSize TrimInfoRow::sizeHint() const
{
    return {400, std::max(m_apply->sizeHint().height(), 16)};
}

void TrimInfoRow::setSummary(const QString& summary)
{
    if (summary == m_summary)
        return;
    m_summary = summary;
    setAccessibleName(summary);
    update();
}

void TrimInfoRow::setCanUndo(bool canUndo)
{
    m_undo->setVisible(canUndo);
    m_undoShortcut->setEnabled(canUndo);
    placeButtons();
}

void TrimInfoRow::setCanApply(bool canApply)
{
    m_apply->setVisible(canApply);
    m_applyShortcut->setEnabled(canApply);
    m_applyEnterShortcut->setEnabled(canApply);
    placeButtons();
}

void TrimInfoRow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void TrimInfoRow::placeButtons()
{
    int right = width();
    for (TextButton* button : {m_apply, m_undo}) {
        if (button->isHidden())
            continue;
        const QSize size = button->sizeHint();
        right -= size.width();
        button->setGeometry(right, (height() - size.height()) / 2, size.width(), size.height());
        right -= spacing;
    }
}

void TrimInfoRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal middle = height() / 2.0;
    Symbols::paint(painter, QRectF(0, middle - symbolSize / 2, symbolSize, symbolSize), u"scissors",
                   QColor(255, 255, 255, 64));
    QFont font = this->font();
    font.setPixelSize(textPixelSize);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255, 77));
    const qreal left = symbolSize + spacing;
    painter.drawText(QRectF(left, 0, width() - left, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     m_summary);
}

} // namespace kinetta
