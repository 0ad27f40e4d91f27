#pragma once

#include "model/CaptureMode.h"
#include "model/Frame.h"
#include "model/PreferencesStore.h"
#include "model/ScreenPlacement.h"
#include "model/WindowInfo.h"
#include "model/WindowListSource.h"

#include <QObject>
#include <QRectF>
#include <QSet>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace kinetta
{

// Keys and defaults of the ten persisted settings. The keys are what the
// settings file holds, so they must never change.
namespace settings
{
inline const QString kFps = QStringLiteral("fps");
inline const QString kScale = QStringLiteral("scale");
inline const QString kCaptureMode = QStringLiteral("captureMode");
inline const QString kUseCountdown = QStringLiteral("useCountdown");
inline const QString kCountdownSeconds = QStringLiteral("countdownSeconds");
inline const QString kShowCursor = QStringLiteral("showCursor");
inline const QString kUseAutoStop = QStringLiteral("useAutoStop");
inline const QString kAutoStopSeconds = QStringLiteral("autoStopSeconds");
inline const QString kLoopCount = QStringLiteral("loopCount");
inline const QString kAutoCopy = QStringLiteral("autoCopy");

inline constexpr double kDefaultFps = 10.0;
inline constexpr double kDefaultScale = 0.5;
inline constexpr CaptureMode kDefaultCaptureMode = CaptureMode::fullScreen;
inline constexpr bool kDefaultUseCountdown = true;
inline constexpr qint64 kDefaultCountdownSeconds = 3;
inline constexpr bool kDefaultShowCursor = true;
inline constexpr bool kDefaultUseAutoStop = false;
inline constexpr qint64 kDefaultAutoStopSeconds = 30;
inline constexpr qint64 kDefaultLoopCount = 0;
inline constexpr bool kDefaultAutoCopy = false;

// What the control panel's controls can reach. A stored value outside them
// (a hand-edited file) is held to them where it is used.
inline constexpr double kMinFps = 5;
inline constexpr double kMaxFps = 24;
inline constexpr double kMinScale = 0.25;
inline constexpr double kMaxScale = 1.0;
inline constexpr qint64 kMinCountdownSeconds = 1;
inline constexpr qint64 kMaxCountdownSeconds = 30;
inline constexpr qint64 kMinAutoStopSeconds = 5;
inline constexpr qint64 kMaxAutoStopSeconds = 300;
inline constexpr qint64 kMinLoopCount = 0;
inline constexpr qint64 kMaxLoopCount = 65535; // what a GIF can hold
} // namespace settings

// The one observable model every view shares: the user's settings, the live
// recording state and the capture targets. Lives on the main thread.
//
// Each change signal fires when the value actually changes. Setting a settings
// field also stores it in the preferences store on every assignment, after the
// signal, without clamping. State fields are only published.
class RecordingSession final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(double fps READ fps WRITE setFps NOTIFY fpsChanged)
    Q_PROPERTY(double scale READ scale WRITE setScale NOTIFY scaleChanged)
    Q_PROPERTY(kinetta::CaptureMode captureMode READ captureMode WRITE setCaptureMode NOTIFY
                   captureModeChanged)
    Q_PROPERTY(bool useCountdown READ useCountdown WRITE setUseCountdown NOTIFY useCountdownChanged)
    Q_PROPERTY(qint64 countdownSeconds READ countdownSeconds WRITE setCountdownSeconds NOTIFY
                   countdownSecondsChanged)
    Q_PROPERTY(bool showCursor READ showCursor WRITE setShowCursor NOTIFY showCursorChanged)
    Q_PROPERTY(bool useAutoStop READ useAutoStop WRITE setUseAutoStop NOTIFY useAutoStopChanged)
    Q_PROPERTY(qint64 autoStopSeconds READ autoStopSeconds WRITE setAutoStopSeconds NOTIFY
                   autoStopSecondsChanged)
    Q_PROPERTY(qint64 loopCount READ loopCount WRITE setLoopCount NOTIFY loopCountChanged)
    Q_PROPERTY(bool autoCopy READ autoCopy WRITE setAutoCopy NOTIFY autoCopyChanged)
    Q_PROPERTY(bool isRecording READ isRecording WRITE setIsRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(bool isCountingDown READ isCountingDown WRITE setIsCountingDown NOTIFY
                   isCountingDownChanged)
    Q_PROPERTY(bool cancelCountdown READ cancelCountdown WRITE setCancelCountdown NOTIFY
                   cancelCountdownChanged)
    Q_PROPERTY(qint64 recordingSeconds READ recordingSeconds WRITE setRecordingSeconds NOTIFY
                   recordingSecondsChanged)
    Q_PROPERTY(kinetta::FrameList capturedFrames READ capturedFrames WRITE setCapturedFrames NOTIFY
                   capturedFramesChanged)
    Q_PROPERTY(std::vector<kinetta::WindowInfo> availableWindows READ availableWindows WRITE
                   setAvailableWindows NOTIFY availableWindowsChanged)
    Q_PROPERTY(bool windowsLoading READ windowsLoading WRITE setWindowsLoading NOTIFY
                   windowsLoadingChanged)

public:
    // Loads the settings from store (a store kept in memory when none is given).
    explicit RecordingSession(std::shared_ptr<PreferencesStore> store = {},
                              QObject* parent = nullptr);
    ~RecordingSession() override;

    // Settings, persisted.
    [[nodiscard]] double fps() const { return m_fps; }
    void setFps(double fps);
    [[nodiscard]] double scale() const { return m_scale; }
    void setScale(double scale);
    [[nodiscard]] CaptureMode captureMode() const { return m_captureMode; }
    void setCaptureMode(CaptureMode mode);
    [[nodiscard]] bool useCountdown() const { return m_useCountdown; }
    void setUseCountdown(bool on);
    [[nodiscard]] qint64 countdownSeconds() const { return m_countdownSeconds; }
    void setCountdownSeconds(qint64 seconds);
    [[nodiscard]] bool showCursor() const { return m_showCursor; }
    void setShowCursor(bool on);
    [[nodiscard]] bool useAutoStop() const { return m_useAutoStop; }
    void setUseAutoStop(bool on);
    [[nodiscard]] qint64 autoStopSeconds() const { return m_autoStopSeconds; }
    void setAutoStopSeconds(qint64 seconds);
    [[nodiscard]] qint64 loopCount() const { return m_loopCount; }
    void setLoopCount(qint64 count);
    [[nodiscard]] bool autoCopy() const { return m_autoCopy; }
    void setAutoCopy(bool on);

    // Recording state, not persisted.
    [[nodiscard]] bool isRecording() const { return m_isRecording; }
    void setIsRecording(bool recording);
    [[nodiscard]] bool isCountingDown() const { return m_isCountingDown; }
    void setIsCountingDown(bool countingDown);
    [[nodiscard]] std::optional<qint64> countdownValue() const { return m_countdownValue; }
    void setCountdownValue(std::optional<qint64> value);
    [[nodiscard]] bool cancelCountdown() const { return m_cancelCountdown; }
    void setCancelCountdown(bool cancel);
    [[nodiscard]] qint64 recordingSeconds() const { return m_recordingSeconds; }
    void setRecordingSeconds(qint64 seconds);
    [[nodiscard]] const FrameList& capturedFrames() const { return m_capturedFrames; }
    void setCapturedFrames(FrameList frames);
    [[nodiscard]] const std::optional<QString>& errorMessage() const { return m_errorMessage; }
    void setErrorMessage(std::optional<QString> message);

    // Capture targets.
    [[nodiscard]] const std::optional<WindowInfo>& selectedWindow() const
    {
        return m_selectedWindow;
    }
    void setSelectedWindow(std::optional<WindowInfo> window);
    [[nodiscard]] const std::vector<WindowInfo>& availableWindows() const
    {
        return m_availableWindows;
    }
    void setAvailableWindows(std::vector<WindowInfo> windows);
    [[nodiscard]] bool windowsLoading() const { return m_windowsLoading; }
    void setWindowsLoading(bool loading);
    // Last area drawn on the area overlay, in the display's points, origin top-left.
    [[nodiscard]] const std::optional<QRectF>& selectedRect() const { return m_selectedRect; }
    void setSelectedRect(std::optional<QRectF> rect);
    // The screen that area was drawn on; absent for an area given without one
    // (the command line's), which lies on the first display.
    [[nodiscard]] const std::optional<ScreenPlacement>& selectedScreen() const
    {
        return m_selectedScreen;
    }
    void setSelectedScreen(std::optional<ScreenPlacement> screen);

    // The list of windows comes from here; each change the source reports starts
    // one refresh. Without a source the list is always empty.
    void setWindowListSource(std::shared_ptr<WindowListSource> source);
    // Rebuilds availableWindows from the source: recordable windows of other
    // programs, sorted by application and title; drops a selected window that
    // has gone. Runs to completion on the calling (main) thread.
    void refreshWindows();

    // Settings that still hold the value read from the store and lie outside
    // what the control panel can reach are brought into that range for this
    // run, with their change signals; the store keeps what it holds. Values
    // assigned since loading are the user's own and stay as they are. Returns
    // one line per setting held, naming the key and the store's location; a
    // setting is looked at once. The countdown and auto-stop lengths are
    // looked at only while switched on, when they are used.
    [[nodiscard]] QStringList holdStoredSettingsToControlRanges();

    // The store the settings live in; other settings of the program use it too.
    [[nodiscard]] PreferencesStore& preferences() const { return *m_store; }
    // The last problem reading or writing the settings, if any.
    [[nodiscard]] std::optional<QString> preferencesProblem() const { return m_preferencesProblem; }

Q_SIGNALS:
    void fpsChanged(double fps);
    void scaleChanged(double scale);
    void captureModeChanged(kinetta::CaptureMode mode);
    void useCountdownChanged(bool on);
    void countdownSecondsChanged(qint64 seconds);
    void showCursorChanged(bool on);
    void useAutoStopChanged(bool on);
    void autoStopSecondsChanged(qint64 seconds);
    void loopCountChanged(qint64 count);
    void autoCopyChanged(bool on);

    void isRecordingChanged(bool recording);
    void isCountingDownChanged(bool countingDown);
    void countdownValueChanged(std::optional<qint64> value);
    void cancelCountdownChanged(bool cancel);
    void recordingSecondsChanged(qint64 seconds);
    void capturedFramesChanged(const kinetta::FrameList& frames);
    void errorMessageChanged(const std::optional<QString>& message);

    void selectedWindowChanged(const std::optional<kinetta::WindowInfo>& window);
    void availableWindowsChanged(const std::vector<kinetta::WindowInfo>& windows);
    void windowsLoadingChanged(bool loading);
    void selectedRectChanged(const std::optional<QRectF>& rect);
    void selectedScreenChanged(const std::optional<kinetta::ScreenPlacement>& screen);

    // A setting could not be saved. Sent once until a save succeeds again; the
    // session keeps the value in memory either way.
    void preferencesProblemOccurred(const QString& message);

private:
    void loadSettings();
    void refreshWindowsOnce();
    void persist(const QString& key, const QVariant& value);

    std::shared_ptr<PreferencesStore> m_store;
    std::shared_ptr<WindowListSource> m_windowSource;
    std::optional<QString> m_preferencesProblem;
    bool m_writeFailureReported = false;
    // Keys whose value is still the one loaded from the store and not yet
    // checked against the control ranges.
    QSet<QString> m_unchecked;
    bool m_refreshing = false;
    bool m_refreshAgain = false;

    double m_fps = settings::kDefaultFps;
    double m_scale = settings::kDefaultScale;
    CaptureMode m_captureMode = settings::kDefaultCaptureMode;
    bool m_useCountdown = settings::kDefaultUseCountdown;
    qint64 m_countdownSeconds = settings::kDefaultCountdownSeconds;
    bool m_showCursor = settings::kDefaultShowCursor;
    bool m_useAutoStop = settings::kDefaultUseAutoStop;
    qint64 m_autoStopSeconds = settings::kDefaultAutoStopSeconds;
    qint64 m_loopCount = settings::kDefaultLoopCount;
    bool m_autoCopy = settings::kDefaultAutoCopy;

    bool m_isRecording = false;
    bool m_isCountingDown = false;
    std::optional<qint64> m_countdownValue;
    bool m_cancelCountdown = false;
    qint64 m_recordingSeconds = 0;
    FrameList m_capturedFrames;
    std::optional<WindowInfo> m_selectedWindow;
    std::vector<WindowInfo> m_availableWindows;
    bool m_windowsLoading = false;
    std::optional<QRectF> m_selectedRect;
    std::optional<ScreenPlacement> m_selectedScreen;
    std::optional<QString> m_errorMessage;
};

} // namespace kinetta
