#include "model/RecordingSession.h"

#include "model/MemoryPreferencesStore.h"
#include "model/ModelLogging.h"
#include "model/RecordableWindows.h"

#include <QCoreApplication>
#include <QPointer>
#include <algorithm>

namespace kinetta
{
namespace
{

// WindowInfo compares by id only; a record of the same window with a new title
// is still a change observers must see.
bool sameRecord(const WindowInfo& a, const WindowInfo& b)
{
    return a.windowID == b.windowID && a.appName == b.appName && a.className == b.className &&
           a.title == b.title && a.frame == b.frame && a.pid == b.pid;
}

bool sameRecord(const std::optional<WindowInfo>& a, const std::optional<WindowInfo>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || sameRecord(*a, *b);
}

bool sameRecords(const std::vector<WindowInfo>& a, const std::vector<WindowInfo>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const WindowInfo& x, const WindowInfo& y) { return sameRecord(x, y); });
}

// Stores value in member; true when that changed it.
template <typename T> bool assign(T& member, T value)
{
    if (member == value)
        return false;
    member = std::move(value);
    return true;
}

} // namespace

RecordingSession::RecordingSession(std::shared_ptr<PreferencesStore> store, QObject* parent)
    : QObject(parent),
      m_store(store ? std::move(store) : std::make_shared<MemoryPreferencesStore>())
{
    loadSettings();
}

RecordingSession::~RecordingSession()
{
    if (m_windowSource)
        m_windowSource->setChangeHandler({});
}

void RecordingSession::loadSettings()
{
    using namespace settings;
    const PreferencesStore& store = *m_store;
    m_preferencesProblem = store.loadProblem();
    // Wrong-typed values count as missing; loaded values are used as they are.
    m_fps = store.doubleValue(kFps).value_or(kDefaultFps);
    m_scale = store.doubleValue(kScale).value_or(kDefaultScale);
    m_useCountdown = store.boolValue(kUseCountdown).value_or(kDefaultUseCountdown);
    m_countdownSeconds = store.integerValue(kCountdownSeconds).value_or(kDefaultCountdownSeconds);
    m_showCursor = store.boolValue(kShowCursor).value_or(kDefaultShowCursor);
    m_useAutoStop = store.boolValue(kUseAutoStop).value_or(kDefaultUseAutoStop);
    m_autoStopSeconds = store.integerValue(kAutoStopSeconds).value_or(kDefaultAutoStopSeconds);
    m_loopCount = store.integerValue(kLoopCount).value_or(kDefaultLoopCount);
    m_autoCopy = store.boolValue(kAutoCopy).value_or(kDefaultAutoCopy);
    for (const QString& key : {kFps, kScale, kCountdownSeconds, kAutoStopSeconds, kLoopCount}) {
        if (store.value(key).isValid())
            m_unchecked.insert(key);
    }
    const std::optional<QString> mode = store.stringValue(kCaptureMode);
    m_captureMode =
        mode ? captureModeFromRaw(*mode).value_or(kDefaultCaptureMode) : kDefaultCaptureMode;
}

QStringList RecordingSession::holdStoredSettingsToControlRanges()
{
    using namespace settings;
    QStringList held;
    const QString location =
        m_store->location().isEmpty() ? QStringLiteral("the stored settings") : m_store->location();
    const auto hold = [&](const QString& key, auto& member, auto low, auto high, auto changed) {
        if (!m_unchecked.remove(key))
            return;
        const auto inRange = std::clamp(member, low, high);
        if (inRange == member)
            return;
        held << QStringLiteral("%1=%2 in %3 is outside %4 to %5; using %6.")
                    .arg(key, QString::number(member), location, QString::number(low),
                         QString::number(high), QString::number(inRange));
        member = inRange;
        Q_EMIT(this->*changed)(member);
    };
    hold(kFps, m_fps, kMinFps, kMaxFps, &RecordingSession::fpsChanged);
    hold(kScale, m_scale, kMinScale, kMaxScale, &RecordingSession::scaleChanged);
    if (m_useCountdown)
        hold(kCountdownSeconds, m_countdownSeconds, kMinCountdownSeconds, kMaxCountdownSeconds,
             &RecordingSession::countdownSecondsChanged);
    if (m_useAutoStop)
        hold(kAutoStopSeconds, m_autoStopSeconds, kMinAutoStopSeconds, kMaxAutoStopSeconds,
             &RecordingSession::autoStopSecondsChanged);
    hold(kLoopCount, m_loopCount, kMinLoopCount, kMaxLoopCount,
         &RecordingSession::loopCountChanged);
    return held;
}

void RecordingSession::persist(const QString& key, const QVariant& value)
{
    // Assigned now: the user's own value, whatever the store held.
    m_unchecked.remove(key);
    const Status<QString> stored = m_store->setValue(key, value);
    if (stored.ok()) {
        m_writeFailureReported = false;
        return;
    }
    m_preferencesProblem = stored.message();
    if (m_writeFailureReported)
        return;
    m_writeFailureReported = true;
    qCWarning(lcSettings).noquote() << stored.message();
    Q_EMIT preferencesProblemOccurred(stored.message());
}

// Settings publish a change first, then store what the field now holds, on
// every assignment.
void RecordingSession::setFps(double value)
{
    if (assign(m_fps, value))
        Q_EMIT fpsChanged(m_fps);
    persist(settings::kFps, QVariant::fromValue(m_fps));
}

void RecordingSession::setScale(double value)
{
    if (assign(m_scale, value))
        Q_EMIT scaleChanged(m_scale);
    persist(settings::kScale, QVariant::fromValue(m_scale));
}

void RecordingSession::setUseCountdown(bool value)
{
    if (assign(m_useCountdown, value))
        Q_EMIT useCountdownChanged(m_useCountdown);
    persist(settings::kUseCountdown, QVariant::fromValue(m_useCountdown));
}

void RecordingSession::setCountdownSeconds(qint64 value)
{
    if (assign(m_countdownSeconds, value))
        Q_EMIT countdownSecondsChanged(m_countdownSeconds);
    persist(settings::kCountdownSeconds, QVariant::fromValue(m_countdownSeconds));
}

void RecordingSession::setShowCursor(bool value)
{
    if (assign(m_showCursor, value))
        Q_EMIT showCursorChanged(m_showCursor);
    persist(settings::kShowCursor, QVariant::fromValue(m_showCursor));
}

void RecordingSession::setUseAutoStop(bool value)
{
    if (assign(m_useAutoStop, value))
        Q_EMIT useAutoStopChanged(m_useAutoStop);
    persist(settings::kUseAutoStop, QVariant::fromValue(m_useAutoStop));
}

void RecordingSession::setAutoStopSeconds(qint64 value)
{
    if (assign(m_autoStopSeconds, value))
        Q_EMIT autoStopSecondsChanged(m_autoStopSeconds);
    persist(settings::kAutoStopSeconds, QVariant::fromValue(m_autoStopSeconds));
}

void RecordingSession::setLoopCount(qint64 value)
{
    if (assign(m_loopCount, value))
        Q_EMIT loopCountChanged(m_loopCount);
    persist(settings::kLoopCount, QVariant::fromValue(m_loopCount));
}

void RecordingSession::setAutoCopy(bool value)
{
    if (assign(m_autoCopy, value))
        Q_EMIT autoCopyChanged(m_autoCopy);
    persist(settings::kAutoCopy, QVariant::fromValue(m_autoCopy));
}

void RecordingSession::setCaptureMode(CaptureMode mode)
{
    if (assign(m_captureMode, mode))
        Q_EMIT captureModeChanged(m_captureMode);
    persist(settings::kCaptureMode, rawValue(m_captureMode));
}

// State fields are only published.
void RecordingSession::setIsRecording(bool value)
{
    if (assign(m_isRecording, std::move(value)))
        Q_EMIT isRecordingChanged(m_isRecording);
}

void RecordingSession::setIsCountingDown(bool value)
{
    if (assign(m_isCountingDown, std::move(value)))
        Q_EMIT isCountingDownChanged(m_isCountingDown);
}

void RecordingSession::setCountdownValue(std::optional<qint64> value)
{
    if (assign(m_countdownValue, std::move(value)))
        Q_EMIT countdownValueChanged(m_countdownValue);
}

void RecordingSession::setCancelCountdown(bool value)
{
    if (assign(m_cancelCountdown, std::move(value)))
        Q_EMIT cancelCountdownChanged(m_cancelCountdown);
}

void RecordingSession::setRecordingSeconds(qint64 value)
{
    if (assign(m_recordingSeconds, std::move(value)))
        Q_EMIT recordingSecondsChanged(m_recordingSeconds);
}

void RecordingSession::setCapturedFrames(FrameList value)
{
    if (assign(m_capturedFrames, std::move(value)))
        Q_EMIT capturedFramesChanged(m_capturedFrames);
}

void RecordingSession::setErrorMessage(std::optional<QString> value)
{
    if (assign(m_errorMessage, std::move(value)))
        Q_EMIT errorMessageChanged(m_errorMessage);
}

void RecordingSession::setWindowsLoading(bool value)
{
    if (assign(m_windowsLoading, std::move(value)))
        Q_EMIT windowsLoadingChanged(m_windowsLoading);
}

void RecordingSession::setSelectedRect(std::optional<QRectF> value)
{
    if (assign(m_selectedRect, std::move(value)))
        Q_EMIT selectedRectChanged(m_selectedRect);
}

void RecordingSession::setSelectedScreen(std::optional<ScreenPlacement> value)
{
    if (assign(m_selectedScreen, std::move(value)))
        Q_EMIT selectedScreenChanged(m_selectedScreen);
}

void RecordingSession::setSelectedWindow(std::optional<WindowInfo> window)
{
    if (sameRecord(m_selectedWindow, window))
        return;
    m_selectedWindow = std::move(window);
    Q_EMIT selectedWindowChanged(m_selectedWindow);
}

void RecordingSession::setAvailableWindows(std::vector<WindowInfo> windows)
{
    if (sameRecords(m_availableWindows, windows))
        return;
    m_availableWindows = std::move(windows);
    Q_EMIT availableWindowsChanged(m_availableWindows);
}

void RecordingSession::setWindowListSource(std::shared_ptr<WindowListSource> source)
{
    if (m_windowSource)
        m_windowSource->setChangeHandler({});
    m_windowSource = std::move(source);
    if (!m_windowSource)
        return;
    // The source may outlive the session; the handler must not reach a dead one.
    m_windowSource->setChangeHandler([session = QPointer<RecordingSession>(this)] {
        if (session)
            session->refreshWindows();
    });
}

void RecordingSession::refreshWindows()
{
    // A refresh asked for while one runs (a source that reports a change while
    // it is being read) runs after it, so each completes in turn and the later
    // one's result wins.
    if (m_refreshing) {
        m_refreshAgain = true;
        return;
    }
    m_refreshing = true;
    do {
        m_refreshAgain = false;
        refreshWindowsOnce();
    } while (m_refreshAgain);
    m_refreshing = false;
}

void RecordingSession::refreshWindowsOnce()
{
    setWindowsLoading(true);
    std::optional<std::vector<WindowListEntry>> entries;
    if (m_windowSource)
        entries = m_windowSource->listWindows();
    if (!entries) {
        // No list at all: nothing to offer, and no grounds to drop the selection.
        setAvailableWindows({});
        setWindowsLoading(false);
        return;
    }
    setAvailableWindows(recordableWindows(*entries, QCoreApplication::applicationPid()));
    if (m_selectedWindow) {
        const bool listed = std::any_of(m_availableWindows.begin(), m_availableWindows.end(),
                                        [&](const WindowInfo& window) {
                                            return window.windowID == m_selectedWindow->windowID;
                                        });
        if (!listed)
            setSelectedWindow(std::nullopt);
    }
    setWindowsLoading(false);
}

} // namespace kinetta
