#pragma once

#include "model/RecordingSession.h"
#include "model/Scheduler.h"
#include "ui/panel/CaptureTargetViews.h"
#include "ui/panel/PanelTexts.h"

#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QScrollArea;

namespace kinetta
{

class Announcer;
class AreaHintCard;
class ChooseWindowButton;
class CounterControl;
class ErrorBanner;
class HotKeyBanner;
class LoopCountRow;
class ModeChip;
class OutputSizeLine;
class PanelHeader;
class RecordButton;
class SavedAreaRow;
class SliderRow;
class ChosenWindowCard;
namespace panel
{
class PanelLabel;
class Switch;
} // namespace panel

// What the panel reports to its owner.
struct ControlPanelCallbacks {
    std::function<void()> onStart;
    std::function<void()> onUseLastArea;
    std::function<void()> onChooseWindow;
    // The panel's height in points, on every change; never 0.
    std::function<void(int height)> onHeightChange;
    std::function<void()> onRepairHotKey;
};

// What the panel asks of the program and the desktop. Empty functions do
// nothing (an empty isHotKeyTrusted counts as trusted).
struct ControlPanelEnvironment {
    std::function<bool()> isHotKeyTrusted;
    // What the hotkey banner says while the hotkey does not work; empty
    // function or text: the key watcher's own words.
    std::function<QString()> hotKeyProblem;
    std::function<void()> quit;
    std::function<void()> openPrivacySettings;
    std::function<void()> relaunch;
    // Where the error message is spoken; none: not spoken.
    Announcer* announcer = nullptr;
    // Drives the animations; none: changes show at once.
    Scheduler* scheduler = nullptr;
    bool reduceMotion = false;
    // The screen a full-screen recording covers; empty: the panel's screen,
    // else the primary one.
    std::function<std::optional<ScreenMetrics>()> screen;
    // The chosen window's application icon; empty: the drawn default.
    WindowIconFunction windowIcon;
    // Why single windows cannot be recorded on this desktop; empty: they can.
    // The window section then says so in one line, and Window mode cannot start.
    QString windowsUnavailable;
    // Where the desktop's own chooser picks the window at each start: the
    // line the window section shows instead of the chosen window.
    QString windowChooserNote;
};

// Where the user sets up a recording and starts it. Every control reads and
// writes the session; the panel keeps only whether the pointer is over the
// start button and whether the hotkey works. 300 points wide; its height
// follows the sections shown.
class ControlPanelView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 300;

    ControlPanelView(RecordingSession& session, ControlPanelCallbacks callbacks,
                     ControlPanelEnvironment environment, QWidget* parent = nullptr);
    ~ControlPanelView() override;

    // The panel's height at most (the room on screen), 0 for none: past it
    // the settings scroll between the header and the start button, which
    // stay in view.
    void setHeightLimit(int limit);
    // The settings shown at the least when the height is limited.
    static constexpr int kMinimumSettingsHeight = 120;

    // Reads the hotkey's state again (after a repair elsewhere, say).
    void refreshHotKeyState();
    [[nodiscard]] bool hotKeyGranted() const { return m_hotKeyGranted; }
    // Whether the start button may start a recording now.
    [[nodiscard]] bool canRecord() const;

    // The parts, for the owner's tests and pictures.
    struct Parts {
        PanelHeader* header;
        // Holds every setting between the header and the banners.
        QScrollArea* settings;
        std::array<ModeChip*, 3> chips;
        QWidget* windowSection;
        ChosenWindowCard* windowCard;
        ChooseWindowButton* chooseWindow;
        // Shown instead of the two above where windows cannot be recorded.
        // Why windows cannot be recorded, or how the desktop chooses them.
        panel::PanelLabel* windowsNote;
        QWidget* areaSection;
        panel::PanelLabel* areaLabel;
        AreaHintCard* areaHint;
        SavedAreaRow* savedArea;
        SliderRow* fps;
        SliderRow* scale;
        OutputSizeLine* outputSize;
        panel::Switch* countdown;
        CounterControl* countdownSeconds;
        panel::Switch* autoStop;
        CounterControl* autoStopSeconds;
        panel::Switch* showCursor;
        panel::Switch* autoCopy;
        LoopCountRow* loop;
        HotKeyBanner* hotKeyBanner;
        ErrorBanner* errorBanner;
        RecordButton* record;
    };
    [[nodiscard]] const Parts& parts() const { return m_parts; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void build();
    QWidget* buildSettings();
    void connectSession();
    void refresh();
    void refreshWindow();
    void refreshOutputSize();
    void reportHeight();
    void onErrorMessage(const std::optional<QString>& message);
    [[nodiscard]] std::optional<ScreenMetrics> screenMetrics() const;

    RecordingSession& m_session;
    ControlPanelCallbacks m_callbacks;
    ControlPanelEnvironment m_environment;
    bool m_hotKeyGranted = true;
    int m_reportedHeight = 0;
    int m_heightLimit = 0;
    Parts m_parts{};
};

} // namespace kinetta
