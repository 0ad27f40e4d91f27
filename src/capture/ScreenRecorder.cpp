#include "capture/ScreenRecorder.h"

#include <QCoreApplication>
#include <algorithm>
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

std::optional<DisplayArea> locateArea(const std::vector<DisplayInfo>& displays,
                                      const QRectF& points, const ScreenPlacement& screen)
{
    const QPoint centre = screen.deviceGeometry.center();
    const auto found = std::find_if(displays.begin(), displays.end(), [&](const auto& display) {
        return display.frame.contains(centre);
    });
    if (found == displays.end())
        return std::nullopt;
    return DisplayArea{*found, screen.toDevice(points).translated(-found->frame.topLeft())};
}

Status<QString> ScreenRecorder::checkSettings(double fps, double scale)
{
    if (!(fps >= 1 && fps <= 60))
        return Failure{QStringLiteral("The frame rate must be from 1 to 60 frames per second.")};
    if (!(scale > 0 && scale <= 1))
        return Failure{QStringLiteral("The scale must be above 0 and at most 1.")};
    return {};
}

ScreenRecorder::ScreenRecorder(std::shared_ptr<CaptureSource> source,
                               FrameStore::Options storeOptions, Clock clock,
                               std::optional<std::int64_t> ownPid)
    : m_source(std::move(source)), m_clock(clock ? std::move(clock) : Clock(&steadySeconds)),
      m_ownPid(ownPid.value_or(QCoreApplication::applicationPid())),
      m_stopTime(std::numeric_limits<double>::infinity()), m_store(std::move(storeOptions))
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
                                                std::optional<QRectF> selectedRect, bool showCursor,
                                                std::optional<ScreenPlacement> areaScreen)
{
    // A stream still running from an earlier start would keep adding frames.
    if (m_stream) {
        m_stream->stop();
        m_stream.reset();
    }
    m_frameQueue.sync([this] {
        m_frames.clear();
        m_repeats.clear();
        m_cadenceStart.reset();
        m_store.restart();
    });
    m_stopTime = std::numeric_limits<double>::infinity();
    if (const Status<QString> settings = checkSettings(fps, scale); !settings.ok())
        return CaptureError{settings.message()};
    m_targetInterval = 1.0 / fps;
    return startStream(mode, fps, scale, selectedWindowID, selectedRect, showCursor, areaScreen);
}

std::optional<StartError>
ScreenRecorder::startStream(CaptureMode mode, double fps, double scale,
                            std::optional<std::uint32_t> selectedWindowID,
                            std::optional<QRectF> selectedRect, bool showCursor,
                            const std::optional<ScreenPlacement>& areaScreen)
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
    DisplayInfo display = content.value().displays.front();
    // An area drawn on another screen than the first is taken from that screen,
    // in its device pixels.
    std::optional<QRectF> areaSource;
    if (mode == CaptureMode::area && selectedRect && areaScreen) {
        const auto area = locateArea(content.value().displays, *selectedRect, *areaScreen);
        if (!area)
            return CaptureError{
                QStringLiteral("The screen the area was drawn on is no longer connected.")};
        display = area->display;
        areaSource = area->sourceRect;
    }

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
    configuration.frameRate = fps;
    const CaptureGeometry geometry =
        captureGeometry(mode, QSizeF(display.frame.size()), windowSize, selectedRect, scale);
    configuration.outputSize = geometry.outputSize;
    configuration.sourceRect = areaSource ? areaSource : geometry.sourceRect;

    auto stream = m_source->startStream(configuration, *this);
    if (!stream.ok())
        return stream.error();
    m_configuration = configuration;
    m_stream = std::move(stream.value());
    return std::nullopt;
}

RecordedFrames ScreenRecorder::stop()
{
    // A stream that ended by itself ended the recording then.
    const double stopTime = std::min(m_clock(), m_stopTime.load());
    m_stopTime = stopTime;
    if (m_stream) {
        m_stream->stop();
        m_stream.reset();
    }
    return m_frameQueue.sync([this, stopTime] {
        RecordedFrames recording;
        if (m_cadenceStart) {
            // The slots that lie at least half before the stop, and the first
            // frame whatever the stop: later deliveries are cut, missed ones
            // repeat the frame before them.
            const double slotCount =
                std::round((stopTime - *m_cadenceStart) / m_targetInterval);
            const auto count = static_cast<std::size_t>(std::clamp(slotCount, 1.0, 1e15));
            if (m_frames.size() > count) {
                m_frames.resize(count);
                m_repeats.resize(count);
            }
            repeatUntil(count);
            recording.repeatedFrames =
                static_cast<std::size_t>(std::count(m_repeats.begin(), m_repeats.end(), true));
        }
        recording.frames = std::exchange(m_frames, {});
        m_repeats.clear();
        m_cadenceStart.reset();
        // The store keeps the last frame to chain the next one to; let it go.
        m_store.restart();
        return recording;
    });
}

void ScreenRecorder::streamDidOutput(CapturedImage image)
{
    const double arrival = m_clock();
    if (m_framesInFlight.fetch_add(1) >= kFramesInFlight) {
        // Storing has fallen behind: this slot repeats the frame before it.
        --m_framesInFlight;
        return;
    }
    m_frameQueue.async([this, arrival, image = std::move(image)]() mutable {
        keepInSlot(arrival, std::move(image));
        --m_framesInFlight;
    });
}

void ScreenRecorder::keepInSlot(double arrival, CapturedImage image)
{
    if (arrival > m_stopTime)
        return;
    std::size_t slot = 0;
    if (m_cadenceStart) {
        const double position = (arrival - *m_cadenceStart) / m_targetInterval + kEarlySlack;
        // Its slot is filled already: a delivery out of order or two in one slot.
        if (!(position >= static_cast<double>(m_frames.size())))
            return;
        slot = static_cast<std::size_t>(std::min(std::floor(position), 1e15));
    }
    Frame frame = makeFrame(m_store, std::move(image));
    // A lost image leaves its slot to be repeated.
    if (frame.isNull())
        return;
    if (!m_cadenceStart)
        m_cadenceStart = arrival;
    repeatUntil(slot);
    m_frames.push_back(std::move(frame));
    m_repeats.push_back(false);
}

void ScreenRecorder::repeatUntil(std::size_t count)
{
    // A repeat shares the stored frame: it costs no memory, and the GIF
    // writes it as an unchanged frame.
    while (!m_frames.empty() && m_frames.size() < count) {
        m_frames.push_back(m_frames.back());
        m_repeats.push_back(true);
    }
}

void ScreenRecorder::streamDidStop(const CaptureError& error)
{
    // Nothing comes after this: the slots up to stop() are not missed grabs.
    const double ended = m_clock();
    double stopTime = m_stopTime.load();
    while (ended < stopTime && !m_stopTime.compare_exchange_weak(stopTime, ended)) {
    }
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
