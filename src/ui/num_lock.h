#pragma once
// The Num Lock state of the keyboard, for the status bar's indicator pane.
namespace orv::ui {

// False when the window system cannot tell.
bool numLockOn();

}  // namespace orv::ui
