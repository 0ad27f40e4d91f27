#include "ui/selection/KeyView.h"

#include <QKeyEvent>

namespace kinetta
{

KeyView::KeyView(std::function<void()> onEscape, QWidget* parent)
    : QWidget(parent), m_onEscape(std::move(onEscape))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void KeyView::setOnEscape(std::function<void()> onEscape)
{
    m_onEscape = std::move(onEscape);
}

void KeyView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (m_onEscape)
        m_onEscape();
}

void KeyView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    setFocus(Qt::OtherFocusReason);
}

} // namespace kinetta
