#pragma once

class QWidget;

namespace kinetta
{

class StartAtLogin;

// Name of the box that shows a failure, for finding it among the top-level windows.
inline constexpr const char* kStartAtLoginFailureBoxName = "kinettaStartAtLoginFailure";

// The tray menu's "Start at Login": turns the login start over. A failure is
// shown as the menu's other entries show what they have to say, in a message
// box that does not block, with what failed and why.
void toggleStartAtLogin(StartAtLogin& startAtLogin, QWidget* dialogParent = nullptr);

} // namespace kinetta
