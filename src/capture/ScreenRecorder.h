#pragma once

#include "capture/CaptureSource.h"
#include "capture/RecordingError.h"
#include "capture/SerialQueue.h"
#include "gif/Result.h"
#include "model/CaptureMode.h"
#include "model/Frame.h"
#include "model/FrameStore.h"
#include "model/RecordedFrames.h"
#include "model/ScreenPlacement.h"

#include <QRectF>
#include <QSize>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace kinetta
{

// Output size and source rectangle of a capture, from the mode's captured size.
struct CaptureGeometry {
    QSize outputSize;
    std::optional<QRectF> sourceRect;
};

// Every dimension is trunc(size * scale), and at least 2. Area mode without a
// rectangle captures the whole display through a source rectangle of its size.
[[nodiscard]] CaptureGeometry captureGeometry(CaptureMode mode, QSizeF displaySize,
                                              QSizeF windowSize, std::optional<QRectF> selectedRect,
                                              double scale);

// An area drawn on a screen, found among the displays: the display that
// holds the screen, and the area relative to that display's origin in device
// pixels. Nothing when no display holds the screen any more.
struct DisplayArea {
    DisplayInfo display;
    QRectF sourceRect;
};
[[nodiscard]] std::optional<DisplayArea> locateArea(const std::vector<DisplayInfo>& displays,
                                                    const QRectF& points,
                                                    const ScreenPlacement& screen);

// The capture engine: starts a stream for the chosen target and keeps one
// frame per slot of a fixed cadence, slot n being due n/fps seconds after the
// first frame arrived. A delivery goes to the slot it arrived in; a slot that
// no delivery reached (a late grab, a delivery dropped because too many wait
// for the frame store) shows the frame before it again, so the frames always
// match the recorded time. stop() hands them over. One recorder serves every
// recording of the program.
//
// start() and stop() are called from one thread (the main thread); frames are
// kept on the recorder's own serial frame queue.
class ScreenRecorder final : private CaptureStreamOutput
{
public:
    // Seconds on a clock that only moves forward.
    using Clock = std::function<double()>;
    using StreamErrorHandler = std::function<void(const CaptureError&)>;

    // storeOptions: the frame store's budget and spill folder, from whoever
    // makes the recorder (the program reads them from its environment).
    ScreenRecorder(std::shared_ptr<CaptureSource> source, FrameStore::Options storeOptions,
                   Clock clock = {}, std::optional<std::int64_t> ownPid = std::nullopt);
    ~ScreenRecorder() override;
    ScreenRecorder(const ScreenRecorder&) = delete;
    ScreenRecorder& operator=(const ScreenRecorder&) = delete;

    // Why fps or scale cannot be recorded, if so: a frame rate from 1 to 60, and
    // a scale above 0 up to 1 (a larger one would only ask for more memory than
    // the capture is worth). start() refuses the same values.
    [[nodiscard]] static Status<QString> checkSettings(double fps, double scale);

    // Clears the frames of any earlier recording first, then starts capturing.
    // selectedRect is in points of areaScreen when that is given, else of the
    // first display; the output is its size in points times scale either way.
    [[nodiscard]] std::optional<StartError>
    start(CaptureMode mode, double fps, double scale, std::optional<std::uint32_t> selectedWindowID,
          std::optional<QRectF> selectedRect, bool showCursor,
          std::optional<ScreenPlacement> areaScreen = std::nullopt);
    // Ends the capture and returns the frames, first first, one per slot up to
    // the stop; the recorder's list is empty afterwards.
    [[nodiscard]] RecordedFrames stop();

    // Told, on the capture thread, when a running capture ends by itself; the
    // handler moves to the main thread itself.
    void setOnStreamError(StreamErrorHandler handler);

    [[nodiscard]] double targetInterval() const { return m_targetInterval.load(); }
    [[nodiscard]] bool isCapturing() const { return m_stream != nullptr; }
    // The configuration of the running (or last started) stream.
    [[nodiscard]] const std::optional<StreamConfiguration>& streamConfiguration() const
    {
        return m_configuration;
    }

    // Delivered images waiting for the frame queue at most; a delivery past
    // this is dropped and its slot repeats the frame before it, so that a
    // frame store falling behind cannot pile up images outside its budget.
    static constexpr int kFramesInFlight = 3;
    // A delivery counts towards the next slot this share of an interval
    // before that slot is due, for clocks a hair apart.
    static constexpr double kEarlySlack = 0.1;

    // Stream output: reads the arrival time and queues the step that puts the
    // image in its slot.
    void streamDidOutput(CapturedImage image) override;
    void streamDidStop(const CaptureError& error) override;

    // Turns a delivered image into a frame kept by store; a null frame when it
    // cannot.
    [[nodiscard]] static Frame makeFrame(FrameStore& store, CapturedImage&& image);

    // Where frames are kept and stored; tests hold it to stand for a frame
    // store that falls behind.
    [[nodiscard]] SerialQueue& frameQueue() { return m_frameQueue; }

private:
    std::optional<StartError> startStream(CaptureMode mode, double fps, double scale,
                                          std::optional<std::uint32_t> selectedWindowID,
                                          std::optional<QRectF> selectedRect, bool showCursor,
                                          const std::optional<ScreenPlacement>& areaScreen);
    void keepInSlot(double arrival, CapturedImage image);
    // Repeats the last frame until there are count frames.
    void repeatUntil(std::size_t count);

    std::shared_ptr<CaptureSource> m_source;
    Clock m_clock;
    std::int64_t m_ownPid;
    std::unique_ptr<CaptureStream> m_stream;
    std::optional<StreamConfiguration> m_configuration;
    // Written by start() before a stream exists, read by the frame queue.
    std::atomic<double> m_targetInterval = 0.1;
    // When stop() was called or the stream ended by itself (infinite while
    // recording): later deliveries and slots are not part of the recording.
    std::atomic<double> m_stopTime;
    std::atomic<int> m_framesInFlight = 0;

    std::mutex m_handlerMutex;
    StreamErrorHandler m_onStreamError;

    // Touched only on m_frameQueue.
    FrameList m_frames;
    // Which frames repeat the one before.
    std::vector<bool> m_repeats;
    // Arrival of the first frame: slot 0.
    std::optional<double> m_cadenceStart;
    // Compresses the kept frames; past its memory budget it says so once per
    // recording on stderr and goes on in a temporary file.
    FrameStore m_store;
    // Declared last so that it is destroyed (and drained) first.
    SerialQueue m_frameQueue;
};

} // namespace kinetta
