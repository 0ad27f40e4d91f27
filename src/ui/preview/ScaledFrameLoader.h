#pragma once

#include "model/Frame.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace kinetta
{

// How a frame meets the box it is shown in.
enum class FrameFit {
    // All of it inside, keeping its shape.
    fit,
    // Covering the box, keeping its shape, the overflow cut off evenly.
    fill,
};

// Decodes frames (kept compressed) and scales them to the size they are shown
// at, on worker threads, so the GUI thread only copies finished pixels.
// Answers come on the GUI thread. Destroying it drops what has not started
// and waits for what runs.
class ScaledFrameLoader final : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(QImage image)>;

    explicit ScaledFrameLoader(int threads, QObject* parent = nullptr);
    ~ScaledFrameLoader() override;

    // Loads frame at pixelSize (an image exactly that big for fill, at most
    // that big for fit); done gets a null image for a null frame or size.
    // Waiting loads of a higher priority start first.
    void load(Frame frame, QSize pixelSize, FrameFit fitting, Done done, int priority = 0);
    // Drops every load not yet answered: none of them answers.
    void cancelAll();

    // What a load makes, on the calling thread.
    [[nodiscard]] static QImage scaledImage(const Frame& frame, QSize pixelSize, FrameFit fitting);

private:
    QThreadPool m_pool;
    // Bumped by cancelAll(); a load of an older generation neither runs nor answers.
    std::shared_ptr<std::atomic<std::uint64_t>> m_generation;
};

} // namespace kinetta
