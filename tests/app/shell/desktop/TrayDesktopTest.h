#pragma once

#include "app/shell/desktop/TrayDesktop.h"
#include "gif/GifTestDecoder.h"

#include <QImage>
#include <QRect>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <set>

namespace kinetta::test
{

// The cases of the tray program as a person uses it: each starts a desktop of
// its own and the real program on it, and is skipped with the reason where
// the desktop cannot be had.
class TrayDesktopTest : public ::testing::Test
{
protected:
    // Settings that make a run quick and its frames comparable: full screen
    // at full scale, 10 frames a second, no cursor, no auto-stop.
    [[nodiscard]] static QVariantMap quickSettings(bool countdown, bool autoCopy);

    // Starts the desktop (and with launch, the program); false when the case
    // was skipped or failed.
    [[nodiscard]] bool startDesktop(TrayDesktopOptions options, bool launch = true);

    // Starts the desktop and the program with quickSettings and the test card
    // at kCard, and waits for the tray icon; false when skipped or failed.
    [[nodiscard]] bool startWithCard(bool countdown, bool autoCopy);
    // Clicks the tray icon and waits for the control panel popover: a new
    // window of the panel's width.
    [[nodiscard]] std::optional<SeenWindow> openPanelFromIcon();
    // Waits for the recording to run: no full-screen overlay up and the
    // icon showing the recording (after a countdown overlay, with countdown).
    [[nodiscard]] bool waitForRecording(bool countdown);
    // Presses Return in the open panel, waits for it to close and for the
    // recording to run, and stops it with the tray menu's first entry.
    [[nodiscard]] bool recordFromPanelThenStop(const SeenWindow& panel, bool countdown);
    // Opens the tray menu with a right click and takes the entry at position
    // (1 the first) with the keyboard; waits for the menu to close.
    [[nodiscard]] bool chooseFromTrayMenu(int position);
    // Waits for a GIF on the clipboard and decodes it.
    [[nodiscard]] std::optional<gif::testing::DecodedGif> clipboardGif();
    // Whether a window of the program covers the whole screen (an overlay).
    [[nodiscard]] bool fullScreenWindowShown();

    // Every frame shows the test card at card (frame coordinates).
    static void expectFramesShowCard(const gif::testing::DecodedGif& decoded, const QRect& card);

    [[nodiscard]] std::set<xcb_window_t> shownWindowIds();
    // The program's shown windows, one a line, for a failure's message.
    [[nodiscard]] std::string shownWindowsText();

    std::unique_ptr<TrayDesktop> desktop;
};

// The width of the control panel, in pixels at scale 1.
inline constexpr int kPanelWidth = 300;
// Where the test card stands: away from the tray's corner.
inline const QRect kCard(40, 200, 240, 160);

} // namespace kinetta::test
