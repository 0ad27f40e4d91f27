#include "ui/overlays/PaintedElement.h"

#include <QAccessibleWidget>
#include <QPainter>

namespace kinetta
{
namespace
{

QAccessibleInterface* paintedElementFactory(const QString&, QObject* object)
{
    if (auto* element = qobject_cast<PaintedElement*>(object))
        return new QAccessibleWidget(element, element->accessibleRole());
    return nullptr;
}

} // namespace

PaintedElement::PaintedElement(QAccessible::Role role, Painter painter, QWidget* parent)
    : QWidget(parent), m_role(role), m_painter(std::move(painter))
{
    // Qt asks factories only once an application exists, which a widget needs anyway.
    static const bool installed = [] {
        QAccessible::installFactory(paintedElementFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PaintedElement::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    m_painter(painter, QRectF(rect()));
}

} // namespace kinetta
