#pragma once

#include "app/FlowServices.h"
#include "model/Frame.h"
#include "model/Scheduler.h"
#include "ui/preview/GifPlayer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace kinetta
{

class Announcer;
class RecordingSession;

// One chip of the speed row.
struct SpeedOption {
    double speed;
    QString label;
};

// What the preview edits and shows, apart from its widgets: the player, the
// trim selection and its undo, optimize and its undo, the bounce, and the GIF
// they encode to. Every change that needs a new GIF starts one encode off the
// main thread; a newer one cancels it and its result never lands. Lives on
// the main thread.
class PreviewModel final : public QObject
{
    Q_OBJECT

public:
    // A GIF above this many bytes offers Optimize.
    static constexpr qint64 largeFileThreshold = 3000000;

    PreviewModel(RecordingSession& session, Scheduler& scheduler, FlowEncoder& encoder,
                 Announcer& announcer, bool reduceMotion, QObject* parent = nullptr);
    ~PreviewModel() override;

    [[nodiscard]] static const std::array<SpeedOption, 3>& speedOptions();

    // The view became visible: selects every frame, encodes, and plays unless
    // the user asked for reduced motion.
    void appear();
    // The view went away: playback stops.
    void disappear();

    [[nodiscard]] GifPlayer& player() { return m_player; }
    [[nodiscard]] const GifPlayer& player() const { return m_player; }
    [[nodiscard]] RecordingSession& session() const { return m_session; }
    [[nodiscard]] const FrameList& frames() const;
    [[nodiscard]] int frameCount() const;

    // The selection, inclusive. Moving an end past the current frame drags
    // the frame along.
    [[nodiscard]] int trimStart() const { return m_trimStart; }
    void setTrimStart(int frame);
    [[nodiscard]] int trimEnd() const { return m_trimEnd; }
    void setTrimEnd(int frame);
    [[nodiscard]] int trimmedCount() const;
    // What the window shows as selected: trimmedCount, but none for an empty
    // recording (whose both ends rest on 0).
    [[nodiscard]] int selectedFrameCount() const { return frameCount() > 0 ? trimmedCount() : 0; }
    [[nodiscard]] bool isTrimmed() const;
    [[nodiscard]] bool canUndoTrim() const { return m_pretrimFrames.has_value(); }

    [[nodiscard]] const std::optional<QByteArray>& gifData() const { return m_gifData; }
    [[nodiscard]] bool isOptimized() const { return m_preOptimizeGifData.has_value(); }
    // The GIF's size before optimize, while optimized.
    [[nodiscard]] std::optional<qint64> preOptimizeSize() const
    {
        return m_preOptimizeGifData ? std::optional<qint64>(m_preOptimizeGifData->size())
                                    : std::nullopt;
    }
    [[nodiscard]] bool isLargeFile() const;
    [[nodiscard]] bool isEncoding() const { return m_isEncoding; }
    // The running encode's whole percentage, once the encoder has told one.
    [[nodiscard]] std::optional<int> encodeProgress() const { return m_encodeProgress; }
    [[nodiscard]] const std::optional<QString>& encodeError() const { return m_encodeError; }
    void dismissEncodeError();
    // An action on the GIF failed: the error banner shows why.
    void reportError(const QString& message);
    [[nodiscard]] std::int64_t skipFrames() const { return m_skipFrames; }
    [[nodiscard]] bool boomerang() const { return m_boomerang; }
    [[nodiscard]] double playbackSpeed() const { return m_playbackSpeed; }
    [[nodiscard]] bool reduceMotion() const { return m_reduceMotion; }

    // "1280 × 720" from the first frame; nothing without frames.
    [[nodiscard]] std::optional<QString> captureDimensions() const;
    // Seconds from the start of the selection to the frame shown, "0.0s".
    [[nodiscard]] QString currentTimeStr() const;
    // The selection's running time at the recording's rate, "4.0s".
    [[nodiscard]] QString durationStr() const;
    // The frame shown, counted from 1 at the selection's start.
    [[nodiscard]] int shownFrameNumber() const;
    // "12 frames selected  (1.2s)" while trimmed, else "Drag handles to trim".
    [[nodiscard]] QString trimSummary() const;

    void togglePlayback();
    void goToStart();
    void goToEnd();
    void stepForward();
    void stepBackward();
    void setSpeed(double speed);

    // Drops every second frame from the GIF; only while the GIF is large.
    void optimize();
    // Back to the GIF before optimize, without encoding.
    void undoOptimize();
    void toggleBoomerang();
    // Keeps only the selected frames; only while trimmed.
    void applyTrim();
    void undoTrim();
    // Encodes the frames with the current options.
    void runEncode();

Q_SIGNALS:
    // Any of the editing state above changed (not the player's own fields).
    void changed();
    // The frame list was replaced by a trim or its undo.
    void framesChanged();

private:
    void setGifData(std::optional<QByteArray> data);
    void setEncodeError(std::optional<QString> message);
    void cancelEncode();
    void encodeFinished(EncodeOutcome outcome);
    void selectAllFrames();
    void replaceFrames(FrameList frames);
    void sessionFramesReplaced();
    void announceLargeFileIfNew();

    RecordingSession& m_session;
    FlowEncoder& m_encoder;
    Announcer& m_announcer;
    const bool m_reduceMotion;
    GifPlayer m_player;

    int m_trimStart = 0;
    int m_trimEnd = 0;
    std::optional<FrameList> m_pretrimFrames;
    std::optional<QByteArray> m_gifData;
    std::optional<QByteArray> m_preOptimizeGifData;
    bool m_isEncoding = false;
    std::optional<int> m_encodeProgress;
    std::optional<QString> m_encodeError;
    std::int64_t m_skipFrames = 1;
    bool m_boomerang = false;
    double m_playbackSpeed = 1.0;
    bool m_wasLargeFile = false;
    bool m_replacingFrames = false;

    std::shared_ptr<EncodeJob> m_job;
    // Tells a running encode's answers from those of encodes it replaced.
    std::uint64_t m_encodeGeneration = 0;
};

} // namespace kinetta
