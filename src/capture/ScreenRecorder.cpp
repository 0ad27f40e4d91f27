#include "capture/ScreenRecorder.h"

#include <QCoreApplication>
#include <chrono>
#include <cmath>
#include <limits>

namespace kinetta
{
namespace
{

double steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int truncatedDimension(double size, double scale)
{
    const double scaled = std::trunc(size * scale);
    if (!(scaled >= 2))
        return 2;
    if (scaled > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return static_cast<int>(scaled);
}

QSize scaledSize(QSizeF size, double scale)
{
    return {truncatedDimension(size.width(), scale), truncatedDimension(size.height(), scale)};
}

} // namespace

CaptureGeometry captureGeometry(CaptureMode mode, QSizeF displaySize, QSizeF windowSize,
                                std::optional<QRectF> selectedRect, double scale)
{
    switch (mode) {
    case CaptureMode::fullScreen:
        return {scaledSize(displaySize, scale), std::nullopt};
    case CaptureMode::window:
        return {scaledSize(windowSize, scale), std::nullopt};
    case CaptureMode::area: {
        const QRectF rect = selectedRect.value_or(QRectF(QPointF(0, 0), displaySize));
        return {scaledSize(rect.size(), scale), rect};
    }
    }
    return {};
}

std::optional<QString> ScreenRecorder::checkSettings(double fps, double scale)
{
    if (!(fps >= 1 && fps <= 60))
        return QStringLiteral("The frame rate must be from 1 to 60 frames per second.");
    if (!(scale > 0 && scale <= 1))
        return QStringLiteral("The scale must be above 0 and at most 1.");
    return std::nullopt;
}

ScreenRecorder::ScreenRecorder(std::shared_ptr<CaptureSource> source, Clock clock,
                               std::optional<std::int64_t> ownPid)
    : m_source(std::move(source)), m_clock(clock ? std::move(clock) : Clock(&steadySeconds)),
      m_ownPid(ownPid.value_or(QCoreApplication::applicationPid()))
{
}

ScreenRecorder::~ScreenRecorder()
{
    if (m_stream)
        m_stream->stop();
}

void ScreenRecorder::setOnStreamError(StreamErrorHandler handler)
{
    std::lock_guard lock(m_handlerMutex);
    m_onStreamError = std::move(handler);
}

std::optional<StartError> ScreenRecorder::start(CaptureMode mode, double fps, double scale,
                                                std::optional<std::uint32_t> selectedWindowID,
                                                std::optional<QRectF> selectedRect, bool showCursor)
{
    // A stream still running from an earlier start would keep adding frames.
    if (m_stream) {
        m_stream->stop();
        m_stream.reset();
    }
    m_frameQueue.sync([this] {
        m_frames.clear();
        m_store.restart();
        m_lastFrameTime = -std::numeric_limits<double>::infinity();
    });
    if (auto problem = checkSettings(fps, scale))
        return CaptureError{*problem};
    m_targetInterval = 1.0 / fps;
    return startStream(mode, fps, scale, selectedWindowID, selectedRect, showCursor);
}

std::optional<StartError> ScreenRecorder::startStream(CaptureMode mode, double fps, double scale,
                                                      std::optional<std::uint32_t> selectedWindowID,
                                                      std::optional<QRectF> selectedRect,
                                                      bool showCursor)
{
    if (!m_source->preflightAccess()) {
        m_source->requestAccess();
        return RecordingError::permissionDenied;
    }
    auto content = m_source->shareableContent();
    if (!content.ok())
        return content.error();
    if (content.value().displays.empty())
        return RecordingError::noDisplay;
    const DisplayInfo display = content.value().displays.front();

    StreamConfiguration configuration;
    QSizeF windowSize;
    if (mode == CaptureMode::window) {
        if (!selectedWindowID)
            return RecordingError::noWindowSelected;
        const auto& windows = content.value().windows;
        const auto found = std::find_if(windows.begin(), windows.end(), [&](const auto& window) {
            return window.windowID == *selectedWindowID;
        });
        if (found == windows.end())
            return RecordingError::noWindowSelected;
        configuration.content = StreamConfiguration::Content::window;
        configuration.targetID = found->windowID;
        windowSize = found->frame.size();
    } else {
        configuration.content = StreamConfiguration::Content::display;
        configuration.targetID = display.displayID;
        configuration.excludedPid = m_ownPid;
    }
    configuration.showsCursor = showCursor;
    configuration.maximumFrameRate = fps >= std::numeric_limits<int>::max()
                                         ? std::numeric_limits<int>::max()
                                         : static_cast<int>(fps);
    const CaptureGeometry geometry =
        captureGeometry(mode, QSizeF(display.frame.size()), windowSize, selectedRect, scale);
    configuration.outputSize = geometry.outputSize;
    configuration.sourceRect = geometry.sourceRect;

    auto stream = m_source->startStream(configuration, *this);
    if (!stream.ok())
        return stream.error();
    m_configuration = configuration;
    m_stream = std::move(stream.value());
    return std::nullopt;
}

FrameList ScreenRecorder::stop()
{
    if (m_stream) {
        m_stream->stop();
        m_stream.reset();
    }
    return m_frameQueue.sync([this] {
        // The store keeps the last frame to chain the next one to; let it go.
        m_store.restart();
        return std::exchange(m_frames, {});
    });
}

void ScreenRecorder::streamDidOutput(CapturedImage image)
{
    const double arrival = m_clock();
    m_frameQueue.async([this, arrival, image = std::move(image)]() mutable {
        keepOrDrop(arrival, std::move(image));
    });
}

void ScreenRecorder::keepOrDrop(double arrival, CapturedImage image)
{
    // An arrival older than the last kept one gives a negative distance: dropped.
    if (arrival - m_lastFrameTime < m_targetInterval)
        return;
    m_lastFrameTime = arrival;
    Frame frame = makeFrame(m_store, std::move(image));
    if (!frame.isNull())
        m_frames.push_back(std::move(frame));
}

void ScreenRecorder::streamDidStop(const CaptureError& error)
{
    StreamErrorHandler handler;
    {
        std::lock_guard lock(m_handlerMutex);
        handler = m_onStreamError;
    }
    if (handler)
        handler(error);
}

Frame ScreenRecorder::makeFrame(FrameStore& store, CapturedImage&& image)
{
    const auto expected = static_cast<std::size_t>(std::max(image.width, 0)) *
                          static_cast<std::size_t>(std::max(image.height, 0));
    if (image.width <= 0 || image.height <= 0)
        return {};
    // Kept compressed from here on, so a long recording stays in bounded memory.
    if (image.pixels.empty() && image.shared.pixels.size() == expected && expected > 0)
        return store.add(image.width, image.height, std::move(image.shared));
    if (image.pixels.size() != expected)
        return {};
    return store.add(image.width, image.height, std::move(image.pixels));
}

} // namespace kinetta
