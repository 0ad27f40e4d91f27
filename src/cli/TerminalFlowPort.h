#pragma once

#include "app/FlowPort.h"

#include <QString>
#include <functional>

namespace kinetta::cli
{

// The recording flow on a terminal: there are no windows to show, so the
// flow's announcements about the countdown and the recording are printed as
// they are made. Delivery and failures are reported by the command itself,
// which knows the output file.
class TerminalFlowPort final : public FlowPort
{
public:
    using Printer = std::function<void(const QString& line)>;

    explicit TerminalFlowPort(Printer print) : m_print(std::move(print)) {}

    void showCountdownOverlay() override {}
    void hideCountdownOverlay() override {}
    void installEscapeMonitor() override {}
    void removeEscapeMonitor() override {}
    // The command line is given its area; it has no overlay to open.
    [[nodiscard]] bool showAreaOverlay() override { return false; }
    void showWindowPicker() override {}
    void showPreviewWindow() override {}
    void closePreviewWindow() override {}
    void showControlPanel() override {}
    void closeControlPanel() override {}
    void closeRecordingPopover() override {}
    [[nodiscard]] bool isRecordingPopoverShown() const override { return false; }
    void showToast(const Toast& /*toast*/) override {}
    void hideToast() override {}
    void updateStatusIcon(bool /*recording*/) override {}
    void updateStatusTitle(std::int64_t /*seconds*/) override {}
    void updateStatusCountdown(std::optional<std::int64_t> /*value*/) override {}

    // The hotkey is not seen by a terminal; Ctrl-C is.
    [[nodiscard]] QString stopInstruction() const override
    {
        return QStringLiteral("Press Ctrl+C to stop.");
    }

    void announce(const Announcement& announcement) override
    {
        if (announcement.topic == AnnouncementTopic::countdown ||
            announcement.topic == AnnouncementTopic::recording)
            m_print(announcement.text);
    }

private:
    Printer m_print;
};

} // namespace kinetta::cli
