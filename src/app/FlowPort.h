#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace kinetta
{

// What a screen-reader announcement is about, so that a front end without a
// screen reader (the command line) can tell outcomes it reports its own way.
enum class AnnouncementTopic : std::uint8_t { countdown, recording, delivery, failure };

struct Announcement {
    // Outcomes and confirmations.
    static constexpr int outcomePriority = 2000;
    // Running commentary.
    static constexpr int commentaryPriority = 1500;

    QString text;
    AnnouncementTopic topic = AnnouncementTopic::recording;
    int priority = outcomePriority;

    friend bool operator==(const Announcement&, const Announcement&) = default;
};

enum class ToastKind : std::uint8_t { encoding, copied, savedToDownloads };

struct Toast {
    QString message;
    // Symbol name; the front end maps it to an icon of its own.
    QString icon;
    // Six hexadecimal digits, or empty for the system green.
    QString iconColorHex;
    bool autoDismiss = true;
    ToastKind kind = ToastKind::copied;

    friend bool operator==(const Toast&, const Toast&) = default;
};

// Everything the recording flow does to the screen. The tray program shows
// windows, the command line prints, tests record the calls. Every call is made
// on the main thread.
class FlowPort
{
public:
    virtual ~FlowPort() = default;

    virtual void showCountdownOverlay() = 0;
    virtual void hideCountdownOverlay() = 0;
    // While shown, Escape (even with another program active) must reach
    // RecordingFlow::cancelCountdown().
    virtual void installEscapeMonitor() = 0;
    virtual void removeEscapeMonitor() = 0;

    // The overlay later calls RecordingFlow::beginRecording with its selection.
    // False when it could not open: there is no screen to cover.
    [[nodiscard]] virtual bool showAreaOverlay() = 0;
    virtual void showWindowPicker() = 0;
    // Where the desktop, not Kinetta, chooses the window at each start (its
    // own chooser): opens it; the chosen window is then selected and
    // RecordingFlow::beginRecording called. False where the window is picked
    // beforehand.
    [[nodiscard]] virtual bool showWindowChooser() { return false; }
    // Opens the editor on the session's captured frames.
    virtual void showPreviewWindow() = 0;
    virtual void closePreviewWindow() = 0;
    // The control panel, which shows the session's error message.
    virtual void showControlPanel() = 0;
    virtual void closeControlPanel() = 0;
    virtual void closeRecordingPopover() = 0;
    [[nodiscard]] virtual bool isRecordingPopoverShown() const = 0;

    // A new toast replaces the current one.
    virtual void showToast(const Toast& toast) = 0;
    virtual void hideToast() = 0;

    virtual void updateStatusIcon(bool recording) = 0;
    virtual void updateStatusTitle(std::int64_t seconds) = 0;
    virtual void updateStatusCountdown(std::optional<std::int64_t> value) = 0;

    virtual void announce(const Announcement& announcement) = 0;
    // How the user stops a recording from where the announcements are seen,
    // said when it starts ("Press Control Shift G to stop.").
    [[nodiscard]] virtual QString stopInstruction() const = 0;
};

} // namespace kinetta
