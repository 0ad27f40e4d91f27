#pragma once

namespace kinetta
{

// The desktop program: one running instance per user and display, the tray
// icon (or the panel as a window without a tray) and everything behind it.
// Runs the event loop; returns the process's exit status.
int runTrayProgram(int argc, char** argv);

} // namespace kinetta
