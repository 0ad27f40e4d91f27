#pragma once

namespace kinetta
{

// The program's application id, in reverse-DNS form of the project's domain
// (kinetta.app). Kept here only: it names the single instance's socket (one
// per display, see SingleInstance), is given to
// QGuiApplication::setDesktopFileName() (so that the desktop matches our
// windows to the desktop file), and later names the desktop file and the
// metadata that ship with the program.
inline constexpr const char* kApplicationId = "app.kinetta.Kinetta";

} // namespace kinetta
