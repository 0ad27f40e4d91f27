#pragma once

#include "model/CaptureMode.h"
#include "model/Frame.h"
#include "model/RecordedFrames.h"
#include "model/ScreenPlacement.h"

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace kinetta
{

// What the flow asks the capture engine to record, read from the session at
// the moment the recorder starts.
struct RecorderRequest {
    CaptureMode mode = CaptureMode::fullScreen;
    double fps = 10;
    double scale = 0.5;
    std::optional<std::uint32_t> selectedWindowID;
    std::optional<QRectF> selectedRect;
    bool showCursor = true;
    // The screen selectedRect was drawn on; absent: the first display.
    std::optional<ScreenPlacement> selectedScreen;

    friend bool operator==(const RecorderRequest&, const RecorderRequest&) = default;
};

// The capture engine as the flow sees it. Start and stop may take a while, so
// both answer later, on the main thread, through the callback given.
class FlowRecorder
{
public:
    // Nothing on success, else the error's description for the user.
    using StartDone = std::function<void(std::optional<QString> error)>;
    using StopDone = std::function<void(RecordedFrames recording)>;
    // The description of why a running capture ended by itself.
    using StreamErrorHandler = std::function<void(const QString& description)>;

    virtual ~FlowRecorder() = default;
    virtual void start(const RecorderRequest& request, StartDone done) = 0;
    // Never fails; gives the frames recorded since the start (none when not
    // capturing).
    virtual void stop(StopDone done) = 0;
    // Called on the main thread.
    virtual void setStreamErrorHandler(StreamErrorHandler handler) = 0;
};

// How small the GIF is to be, when not as exact as it can: a quality from 1
// to 100, and a largest size in bytes, 0 for none (see gif::EncodeSettings).
struct EncodeTarget {
    int quality = 100;
    std::size_t maxBytes = 0;
};

struct EncodeRequest {
    FrameList frames;
    double fps = 10;
    std::int64_t loopCount = 0;
    // Keep one frame in every skipFrames (see gif::GifEncoder::Options).
    std::int64_t skipFrames = 1;
    // Forward, then backward without repeating the ends.
    bool boomerang = false;
    // Told on the main thread, while the job runs, each time the whole
    // percentage done grows; may be empty.
    std::function<void(int percent)> progress;
    EncodeTarget target;
    // Told on the main thread with a size target: each pass as it starts
    // ("pass 2 of 3: encoding at quality 70"), then what the target led to;
    // may be empty.
    std::function<void(const QString& line)> report;
};

// One running encode; cancelling makes it finish soon with no data.
class EncodeJob final
{
public:
    void cancel() { m_cancelled.store(true); }
    [[nodiscard]] bool isCancelled() const { return m_cancelled.load(); }

private:
    std::atomic<bool> m_cancelled = false;
};

// What an encode gave: the GIF, or why there is none.
struct EncodeOutcome {
    std::optional<QByteArray> gif;
    // The encoder's reason when it failed; empty when it was cancelled.
    QString error;
};

// GIF encoding off the main thread.
class FlowEncoder
{
public:
    using Done = std::function<void(EncodeOutcome outcome)>;

    virtual ~FlowEncoder() = default;
    // done runs later on the main thread, unless the encoder is gone by then.
    [[nodiscard]] virtual std::shared_ptr<EncodeJob> encode(EncodeRequest request, Done done) = 0;
};

// Where auto-copied GIFs go: the clipboard, or the Downloads folder when too
// large or the copy failed. The command line puts its output file in the
// clipboard's place. Writing files is slow (a GIF may be 50 MB), so the work
// may run elsewhere and answer later on the main thread; an implementation may
// also answer before the call returns.
class FlowDelivery
{
public:
    using CopyDone = std::function<void(bool copied)>;
    // The written file's path, or nothing.
    using SaveDone = std::function<void(std::optional<QString> location)>;

    virtual ~FlowDelivery() = default;
    [[nodiscard]] virtual qint64 clipboardByteLimit() const = 0;
    virtual void copyToClipboard(const QByteArray& gif, CopyDone done) = 0;
    // Runs after what was asked before it; nothing answers.
    virtual void pruneClipboardCache() = 0;
    virtual void saveToDownloads(const QByteArray& gif, SaveDone done) = 0;
    // The size as the messages show it: kinetta::formattedSize, or exact bytes in tests.
    [[nodiscard]] virtual QString formattedSize(const QByteArray& gif) const = 0;
};

} // namespace kinetta
