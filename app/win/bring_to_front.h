#pragma once
// Bringing a window of this program in front of the user, although the
// system lets only the foreground process change the foreground window.

#include <windows.h>

namespace kova::win {

// Does nothing for an invalid window. Unless `force`, leaves the screen
// alone while a menu is open (the target is a menu window). Otherwise
// attaches to the foreground thread's input to take the foreground, and
// when that is not enough sets the foreground lock time-out to 0 for the
// retries (activating `mainWindow` first on the last one). An MDI child
// brings its top-level parent.
void bringToFront(HWND target, bool force, HWND mainWindow);

}  // namespace kova::win
