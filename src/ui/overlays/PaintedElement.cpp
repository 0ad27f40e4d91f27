#include "ui/overlays/PaintedElement.h"

#include <QAccessibleWidget>
#include <QPainter>

namespace kinetta
{
namespace
{

// The element's role, and a value where it has one.
class PaintedElementAccessible final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit PaintedElementAccessible(PaintedElement* element)
        : QAccessibleWidget(element, element->accessibleRole())
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface && element()->hasAccessibleValue())
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return element()->accessibleValue(); }
    // Read only: the value follows the recording.
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return element()->accessibleMaximum(); }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.0; }

private:
    PaintedElement* element() const { return static_cast<PaintedElement*>(widget()); }
};

QAccessibleInterface* paintedElementFactory(const QString&, QObject* object)
{
    if (auto* element = qobject_cast<PaintedElement*>(object))
        return new PaintedElementAccessible(element);
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

void PaintedElement::setAccessibleValue(double value, double maximum)
{
    if (value == m_value && maximum == m_maximum)
        return;
    m_value = value;
    m_maximum = maximum;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, value);
        QAccessible::updateAccessibility(&event);
    }
}

void PaintedElement::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    m_painter(painter, QRectF(rect()));
}

} // namespace kinetta
