#pragma once
// Start-up of the desktop program, in its order: the OpenGL surface format (before the
// application object), the settings root, the main frame, the splash, the file named on
// the command line.
namespace orv::ui {

// Compatibility profile 2.1 (a higher version gives a core profile that draws nothing
// with glBegin), depth 24, stencil 8, double-buffered. Call before QApplication exists.
void setDefaultSurfaceFormat();
// Settings under "TALM/OrvaSystems", "Orvanta 3.00", as user-scope INI files.
void setSettingsRoot();
// Runs the program; returns its exit status.
int runOrvanta(int argc, char** argv);

}  // namespace orv::ui
