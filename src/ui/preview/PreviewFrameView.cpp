#include "ui/preview/PreviewFrameView.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kinetta
{
namespace
{

// The frame wanted now goes before the ones decoded ahead.
constexpr int currentPriority = 1;

} // namespace

// One worker for the frame wanted now, one for the frame after it.
PreviewFrameView::PreviewFrameView(QWidget* parent) : QWidget(parent), m_loader(2)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PreviewFrameView::setFrames(const FrameList& frames)
{
    m_frames = frames;
    m_shownIndex = -1;
    m_image = QImage();
    restart();
}

void PreviewFrameView::showFrame(int index, std::vector<int> upcoming)
{
    m_wanted = index;
    m_upcoming = std::move(upcoming);
    // Keep only what is still wanted.
    std::erase_if(m_ready, [&](const auto& entry) {
        return entry.first != index && !isUpcoming(entry.first);
    });
    if (const auto found = m_ready.find(index); found != m_ready.end())
        present(index, found->second);
    else
        request(index, currentPriority);
    for (const int next : m_upcoming) {
        if (next != index && !m_ready.contains(next))
            request(next, 0);
    }
}

bool PreviewFrameView::isUpcoming(int index) const
{
    return std::find(m_upcoming.begin(), m_upcoming.end(), index) != m_upcoming.end();
}

QSize PreviewFrameView::pixelSize() const
{
    const qreal ratio = devicePixelRatioF();
    return {static_cast<int>(std::ceil(width() * ratio)),
            static_cast<int>(std::ceil(height() * ratio))};
}

void PreviewFrameView::request(int index, int priority)
{
    if (index < 0 || index >= static_cast<int>(m_frames.size()) || m_loading.contains(index))
        return;
    // Before the layout has sized it the decode would be thrown away; the
    // show or resize that follows asks again.
    if (!isVisible() || pixelSize().isEmpty())
        return;
    m_loading.insert(index);
    m_loader.load(
        m_frames[std::size_t(index)], pixelSize(), FrameFit::fit,
        [this, index](QImage image) { arrived(index, std::move(image)); }, priority);
}

void PreviewFrameView::arrived(int index, QImage image)
{
    m_loading.erase(index);
    image.setDevicePixelRatio(devicePixelRatioF());
    if (index == m_wanted)
        present(index, image);
    else if (isUpcoming(index))
        m_ready[index] = std::move(image);
}

void PreviewFrameView::present(int index, const QImage& image)
{
    m_image = image;
    m_shownIndex = index;
    update();
    Q_EMIT frameShown(index);
}

void PreviewFrameView::restart()
{
    m_loader.cancelAll();
    m_loading.clear();
    m_ready.clear();
    if (m_wanted >= 0)
        showFrame(m_wanted, m_upcoming);
}

void PreviewFrameView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    restart();
}

void PreviewFrameView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    restart();
}

void PreviewFrameView::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    const QSizeF size = m_image.deviceIndependentSize();
    const QPointF corner((width() - size.width()) / 2, (height() - size.height()) / 2);
    painter.drawImage(corner, m_image);
}

} // namespace kinetta
