#include "ui/panel/OptionRow.h"

#include "ui/panel/PanelStyle.h"
#include "ui/panel/Theme.h"

#include <QHBoxLayout>
#include <QPainter>

namespace kinetta
{

OptionRow::OptionRow(QWidget* parent) : QWidget(parent), m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(10, 7, 10, 7);
    m_layout->setSpacing(8);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void OptionRow::addPart(QWidget* part)
{
    m_layout->addWidget(part, 0, Qt::AlignVCenter);
}

void OptionRow::addStretch()
{
    m_layout->addStretch(1);
}

void OptionRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    panel::paintCard(painter, QRectF(rect()), 8, Theme::panelSurface(), Theme::panelBorder());
}

} // namespace kinetta
