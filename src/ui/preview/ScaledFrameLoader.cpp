#include "ui/preview/ScaledFrameLoader.h"

#include <QMetaObject>

namespace kinetta
{

ScaledFrameLoader::ScaledFrameLoader(int threads, QObject* parent)
    : QObject(parent), m_generation(std::make_shared<std::atomic<std::uint64_t>>(0))
{
    m_pool.setMaxThreadCount(std::max(threads, 1));
}

ScaledFrameLoader::~ScaledFrameLoader()
{
    cancelAll();
    m_pool.waitForDone();
}

QImage ScaledFrameLoader::scaledImage(const Frame& frame, QSize pixelSize, FrameFit fitting)
{
    if (frame.isNull() || pixelSize.isEmpty())
        return {};
    QImage image = frame.toImage();
    const Qt::AspectRatioMode mode =
        fitting == FrameFit::fill ? Qt::KeepAspectRatioByExpanding : Qt::KeepAspectRatio;
    const QSize target = image.size().scaled(pixelSize, mode);
    if (target.isEmpty())
        return {};
    // A large reduction in one smooth pass costs the whole source's area for
    // every target pixel; halving first with the fast filter is far cheaper
    // and looks the same at thumbnail size.
    if (image.width() > target.width() * 4 && image.height() > target.height() * 4)
        image = image.scaled(target * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (fitting == FrameFit::fill && image.size() != pixelSize) {
        const QPoint corner((image.width() - pixelSize.width()) / 2,
                            (image.height() - pixelSize.height()) / 2);
        image = image.copy(QRect(corner, pixelSize));
    }
    return image;
}

void ScaledFrameLoader::load(Frame frame, QSize pixelSize, FrameFit fitting, Done done,
                             int priority)
{
    const std::uint64_t generation = m_generation->load();
    // The destructor waits for running loads, so this outlives them; an
    // answer posted meanwhile is dropped with the object.
    m_pool.start(
        [this, generationNow = m_generation, generation, frame = std::move(frame), pixelSize,
         fitting, done = std::move(done)]() mutable {
            if (generationNow->load() != generation)
                return;
            QImage image = scaledImage(frame, pixelSize, fitting);
            // The frame's storage goes here, off the GUI thread.
            frame = Frame();
            QMetaObject::invokeMethod(
                this,
                [generationNow, generation, done = std::move(done), image = std::move(image)] {
                    if (generationNow->load() == generation)
                        done(image);
                },
                Qt::QueuedConnection);
        },
        priority);
}

void ScaledFrameLoader::cancelAll()
{
    m_generation->fetch_add(1);
    m_pool.clear();
}

} // namespace kinetta
